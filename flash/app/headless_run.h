// The upgrade without a window: check the image, search, tick, upload, and
// report the rows. Blocks until every worker has ended (each is bounded by
// the connect limit, the silence limit and the write phase).
#pragma once

#include <ostream>

#include "command_line.h"

namespace kestrel::flash {

enum HeadlessExit {
    kExitDone = 0,
    kExitUploadFailed = 1,
    kExitBadInput = 2,
    kExitNoRecorder = 3,
};

// progress_is_terminal: redraw the bars in place on err, else print a line
// each time a row's state changes.
int RunHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err,
                bool progress_is_terminal);

}  // namespace kestrel::flash
