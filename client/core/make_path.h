// Folder creation for recordings, snapshots and downloads.
#pragma once

#include <string>

namespace kestrel::client {

// Creates every folder level of path, outermost first, leaving out what
// follows the last separator (a trailing file name). Backslashes count as
// separators. Paths of four characters or fewer create nothing; levels within
// the first four characters (a drive or root prefix) are not created.
// Failures (existing folder, no permission) are ignored: callers notice when
// they open a file there. Always true. Any thread.
bool MakePath(const std::string& path);

}  // namespace kestrel::client
