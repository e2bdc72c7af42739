// A YUY2 video window for benchmarks that logs each picture it is handed:
// when present() began, by the steady and the wall clock, and a sparse hash
// that tells the clip's frames apart.
//
// Threading: present() runs on the media library's player thread; every
// other member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "kestrel_media.h"

namespace kestrel::bench {

// Every 8th row, every 16th byte of a YUY2 picture: enough to tell the
// clip's frames apart, cheap enough to do inside present().
inline uint64_t SparseHash(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride) {
    uint64_t hash = 1469598103934665603ull;
    if (pixels == nullptr) {
        return hash;
    }
    const size_t row_bytes = static_cast<size_t>(width) * 2;
    for (int32_t y = 0; y < height; y += 8) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (size_t x = 0; x < row_bytes; x += 16) {
            hash = (hash ^ row[x]) * 1099511628211ull;
        }
    }
    return hash;
}

class PictureLogWindow {
public:
    struct Picture {
        std::chrono::steady_clock::time_point at;
        int64_t at_us;  // wall clock, in the stream time stamps' microseconds
        uint64_t hash;
    };

    explicit PictureLogWindow(size_t expected_pictures) {
        window_.user = this;
        window_.formats = KM_FORMAT_YUY2;
        window_.present = &Present;
        window_.clear = [](void*) {};
        pictures_.reserve(expected_pictures);
    }
    PictureLogWindow(const PictureLogWindow&) = delete;
    PictureLogWindow& operator=(const PictureLogWindow&) = delete;

    KmVideoWindow* Window() { return &window_; }
    size_t Count() const {
        std::lock_guard lock(mutex_);
        return pictures_.size();
    }
    std::vector<Picture> Pictures() const {
        std::lock_guard lock(mutex_);
        return pictures_;
    }
    // Waits until `pred(pictures)` holds or `until` passes; the predicate's
    // last answer.
    template <typename Pred>
    bool WaitUntil(std::chrono::steady_clock::time_point until, Pred pred) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_until(lock, until, [&] { return pred(pictures_); });
    }
    bool WaitForCount(size_t count, std::chrono::steady_clock::time_point until) const {
        return WaitUntil(until, [count](const auto& pictures) { return pictures.size() >= count; });
    }

private:
    static void Present(void* user, uint32_t, const uint8_t* pixels, int32_t width, int32_t height,
                        int32_t stride) {
        const auto at = std::chrono::steady_clock::now();
        const int64_t at_us = std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
        const uint64_t hash = SparseHash(pixels, width, height, stride);
        auto* self = static_cast<PictureLogWindow*>(user);
        {
            std::lock_guard lock(self->mutex_);
            self->pictures_.push_back({at, at_us, hash});
        }
        self->changed_.notify_all();
    }

    KmVideoWindow window_{};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Picture> pictures_;  // guarded by mutex_
};

}  // namespace kestrel::bench
