#include "playback_files.h"

#include "client_context.h"
#include "platform/paths.h"

namespace kestrel::client {
namespace {

constexpr const char* kTempFileName = "tempfile.264";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

}  // namespace

std::string PlaybackTempFolder() {
    return platform::NativePath(kBackupPath);
}

std::string PlaybackTempFile() {
    return platform::JoinPath(PlaybackTempFolder(), kTempFileName);
}

std::string DownloadFolder(const std::string& saveFolder, const std::string& ip) {
    return platform::JoinPath(platform::JoinPath(saveFolder, "IP_" + ip), "Download") +
           platform::kPathSeparator;
}

std::string DownloadFilePath(const std::string& saveFolder, const std::string& ip,
                             const std::string& remoteName) {
    // Both separators count: the name comes from the recorder.
    const size_t slash = remoteName.find_last_of("/\\");
    std::string base = slash == std::string::npos ? remoteName : remoteName.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") {
        return {};
    }
    // Only the file's own name changes; a save folder named "x.264" stays.
    ReplaceAll(base, ".nvr", ".avi");
    ReplaceAll(base, ".264", ".avi");
    return DownloadFolder(saveFolder, ip) + base;
}

bool RoomFor(const ClientSeams& seams, const std::string& folder, int64_t fileSize) {
    const int64_t free = seams.freeBytes ? seams.freeBytes(folder) : -1;
    return free >= 0 && free > fileSize + kSpareDiskBytes;
}

}  // namespace kestrel::client
