// The simulated recorder's recordings: the catalog, built once from the
// configuration and the main-stream clip, and the files' bytes, generated on
// first use and kept in a small cache.
//
// Threading: the catalog never changes after construction, so every
// connection thread reads it without a lock; Bytes() locks the cache.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "sim/recordings.h"

namespace kestrel::sim {

class MediaClip;

class RecordingStore {
public:
    // Generated files kept at most, in bytes; the file being built or sent
    // lives on while a caller holds it.
    static constexpr size_t kCacheByteLimit = size_t{64} << 20;

    RecordingStore(const RecorderConfig& config, const MediaClip& clip);

    // channel < 0: every channel.
    std::vector<RecordingFile> Files(int channel, RecordingDay day) const;
    // Files of the day on a channel of the mask (bit n: channel n), of the
    // search type, overlapping from..to (seconds of the day, both included).
    std::vector<RecordingFile> Search(RecordingDay day, uint32_t channel_mask, int32_t type,
                                      int from_second, int to_second) const;
    // Bit d-1 set when day d of the month has recordings.
    uint32_t DayMask(int year, int month) const;
    const RecordingFile* Find(std::string_view name) const;  // nullptr when unknown
    std::shared_ptr<const std::vector<uint8_t>> Bytes(const RecordingFile& file);
    // Numbers the downloads served, from 0, so faults can pick some.
    uint32_t NextDownloadNumber() { return downloads_.fetch_add(1); }

private:
    std::vector<uint8_t> Build(const RecordingFile& file) const;

    const RecorderConfig& config_;
    const MediaClip& clip_;
    std::vector<RecordingFile> files_;

    struct Cached {
        const RecordingFile* file;
        std::shared_ptr<const std::vector<uint8_t>> bytes;
    };
    std::mutex cache_lock_;
    std::list<Cached> cache_;  // most recently used first; guarded by cache_lock_
    size_t cached_bytes_ = 0;  // guarded by cache_lock_
    std::atomic<uint32_t> downloads_{0};
};

}  // namespace kestrel::sim
