// The microphone: an SDL capture device recording 8000 Hz mono S16, handed
// on in frames of kMicFrameSamples (40 ms) whatever size SDL's callbacks
// have.
//
// Threads: SDL owns the capture thread; it is started by Open and ended by
// Close (or the destructor), which wait for a running callback, so the
// frame sink runs on that thread only, and never after Close returns. Open,
// Close and destruction come from one controlling thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrel::media {

constexpr int kMicSampleRate = 8000;
constexpr size_t kMicFrameSamples = 320;

class MicCapture {
public:
    // Called on SDL's capture thread with one whole frame.
    using FrameSink = void (*)(void* user, std::span<const int16_t, kMicFrameSamples> frame);

    MicCapture() = default;
    ~MicCapture() { Close(); }
    MicCapture(const MicCapture&) = delete;
    MicCapture& operator=(const MicCapture&) = delete;

    // Opens the default capture device and starts recording; false (with
    // `error` set) when SDL's audio or a capture device cannot be had.
    bool Open(FrameSink sink, void* user, std::string* error);
    // Stops recording and closes the device; the sink is not running when
    // this returns and is not called again.
    void Close();
    bool IsOpen() const { return device_ != 0; }

private:
    static void Callback(void* self, uint8_t* stream, int bytes);
    void Take(const int16_t* samples, size_t count);

    uint32_t device_ = 0;
    FrameSink sink_ = nullptr;
    void* user_ = nullptr;
    // Capture thread only while the device is open.
    int16_t frame_[kMicFrameSamples] = {};
    size_t filled_ = 0;  // samples in frame_
};

}  // namespace kestrel::media
