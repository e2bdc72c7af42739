// Where the REPLAY page's transfers go on the local disk, and whether a file
// fits there.
//
// Threading: any thread; no state.
#pragma once

#include <cstdint>
#include <string>

#include "client_seams.h"

namespace kestrel::client {

// Free space a transfer must leave on its disk: 500 MiB.
constexpr int64_t kSpareDiskBytes = 524288000;

// The folder and file a playback streams into ("c:\DVR\BACKUP\tempfile.264"
// under the drive root).
std::string PlaybackTempFolder();
std::string PlaybackTempFile();

// The local file a download writes: "<saveFolder>IP_<ip>/Download/" and the
// remote name's last path part, whose ".nvr" and ".264" become ".avi".
// saveFolder ends with a separator. Empty when the remote name ends in no
// usable file name (nothing, "." or ".."), so no recorder-made name can
// point outside the folder.
std::string DownloadFolder(const std::string& saveFolder, const std::string& ip);
std::string DownloadFilePath(const std::string& saveFolder, const std::string& ip,
                             const std::string& remoteName);

// The disk holding folder has more than fileSize + kSpareDiskBytes free;
// false when its free space cannot be read.
bool RoomFor(const ClientSeams& seams, const std::string& folder, int64_t fileSize);

}  // namespace kestrel::client
