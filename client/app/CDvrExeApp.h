// The program's start-up and shutdown: the application-wide context with
// its configuration file, the main window, the command line's login and page
// choices, and the timed screenshot and quit.
#pragma once

#include "command_line.h"

namespace kestrel::app {

class CDvrExeApp {
public:
    // Runs the program with a QApplication made by the caller; returns the
    // exit status (1 when a --connect login had not succeeded by the time
    // --quit-after ended the program).
    static int Run(const CommandLine& options, const std::string& password);
};

}  // namespace kestrel::app
