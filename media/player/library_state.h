// State shared by every handle of the loaded library: the last caller wins
// for all of them.
//
// Threading: every value is atomic; any thread may read or write.
#pragma once

#include <atomic>
#include <cstdint>

namespace kestrel::media {

struct LibraryState {
    // Fourth argument of the last successful OpenDecoder; a channel reads it
    // when its thread starts.
    std::atomic<int32_t> buffer_mode{0};
    // SetShowInfo with a null handle; 1 hides the on-screen text.
    std::atomic<int32_t> show_info_default{0};
    // Last values of the file playback controls; a file opened late
    // re-applies them.
    std::atomic<int32_t> rate{0};
    std::atomic<int32_t> direction{2};
    std::atomic<int32_t> paused{0};
    std::atomic<int64_t> position{0};
    // Empty frame queues seen on types outside the H.264 group; the first
    // one of the process is reported once.
    std::atomic<uint32_t> empty_queue_events{0};
};

LibraryState& Library();

}  // namespace kestrel::media
