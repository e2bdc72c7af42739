// KestrelFlash: the upgrade window, or the headless upgrade when the command
// line asks for it.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "headless_run.h"
#include "run_window.h"

int main(int argc, char** argv) {
    using namespace kestrel::flash;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!WantsHeadless(args)) {
        return RunUpgradeWindow(argc, argv);
    }
    HeadlessOptions options;
    std::string error;
    if (!ParseHeadless(args, &options, &error)) {
        std::cerr << "KestrelFlash: " << error << "\n" << kHeadlessUsage;
        return kExitBadInput;
    }
    if (options.help) {
        std::cout << kHeadlessUsage;
        return kExitDone;
    }
    if (options.version) {
        std::cout << "KestrelFlash " << KESTREL_VERSION << "\n";
        return kExitDone;
    }
    return RunHeadless(options, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
