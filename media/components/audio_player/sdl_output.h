// One SDL audio device playing 8000 Hz mono S16 from a callback; SDL
// converts when the hardware wants another format. Each device holds a
// reference on SDL's audio subsystem.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

namespace qw::audio {

class SdlOutput {
public:
    // Called on SDL's audio thread for count samples.
    using Source = void (*)(void* user, int16_t* out, size_t count);

    SdlOutput() = default;
    ~SdlOutput() { Close(); }
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    // Opens a device, paused; false when SDL's audio or a device cannot be
    // had.
    bool Open(Source source, void* user);
    // Starts playing: source runs from here until Close returns.
    void Start();
    // Stops and closes the device; source is not running when this returns.
    void Close();
    // Samples the device takes per callback, all of them not yet heard when
    // the callback returns.
    size_t BufferSamples() const { return buffer_samples_; }

private:
    static void SDLCALL Callback(void* self, Uint8* stream, int bytes);

    SDL_AudioDeviceID device_ = 0;
    Source source_ = nullptr;
    void* user_ = nullptr;
    size_t buffer_samples_ = 0;
};

}  // namespace qw::audio
