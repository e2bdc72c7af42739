// SDL's subsystem count and device list are not meant for concurrent use:
// the talk devices (capture and playback) open and close under this lock.
#pragma once

#include <mutex>

namespace kestrel::media {

std::mutex& TalkSdlLock();

}  // namespace kestrel::media
