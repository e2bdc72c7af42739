// The upgrade tool run with its window: the application, the single-instance
// guard and the window, with options that drive it for demos and
// screenshots:
//   --open FILE          as if Browse had picked FILE
//   --host ADDR          choose this "Host IP" entry (an IPv4 address)
//   --search             press "Search Device" at start (needs --open)
//   --upgrade-all        after the search, "Select All" and "Upgrade"
//                        (needs --search)
//   --screenshot FILE    grab the window into FILE (PNG) before quitting
//                        (needs --quit-after)
//   --quit-after MS      quit MS milliseconds after the start
//   --help
// KESTREL_FLASH_INSTANCE, when set, replaces the per-user single-instance
// name.
#pragma once

namespace kestrel::flash {

// Returns the exit status: 0, 1 when the tool cannot run (another instance
// holds the name without answering, a screenshot cannot be written), 2 for
// a malformed option.
int RunUpgradeWindow(int argc, char** argv);

}  // namespace kestrel::flash
