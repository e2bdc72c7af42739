// The play-info of one file handle on its way to the caller: the registered
// callback and user value, the notifications made before one was
// registered, and the hand-over to the library's play-status thread.
//
// Threading: every member may be called from any thread. The callback runs
// only on the play-status thread, never inside Post or Register and never
// under this relay's lock, so it may call the exports of its own handle.
// Close waits for a call in progress: call it under no lock that such a
// call may take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "kestrel_media.h"

namespace kestrel::media {

class PlayInfoRelay {
public:
    static constexpr size_t kMaxEarly = 8;

    PlayInfoRelay() = default;
    ~PlayInfoRelay();  // Close(0)
    PlayInfoRelay(const PlayInfoRelay&) = delete;
    PlayInfoRelay& operator=(const PlayInfoRelay&) = delete;

    // A callback delivers the notifications kept so far; null unregisters
    // and, like Close, returns only once no call for this relay runs.
    void Register(void* user, QW_MEDIA_PLAYINFO_CALLBACK callback);

    // Queues one notification. Without a callback it is kept for the next
    // Register when keep_early is set (at most kMaxEarly), else dropped.
    void Post(int32_t code, intptr_t value, bool keep_early);
    // Queues a notification whose value points to a copy of `time`, valid
    // during the call; dropped without a callback.
    void PostTime(int32_t code, const QwMediaTime& time);

    // Lets what is queued be delivered (up to wait_ms), then unregisters:
    // once Close returns no call for this relay runs or starts, unless Close
    // was called from inside that call.
    void Close(int wait_ms);

private:
    void DropQueued();

    std::mutex mutex_;
    // Guarded by mutex_. Records are queued under it, so none slips in
    // behind an unregistering Close.
    QW_MEDIA_PLAYINFO_CALLBACK callback_ = nullptr;
    void* user_ = nullptr;
    std::vector<std::pair<int32_t, intptr_t>> early_;
};

}  // namespace kestrel::media
