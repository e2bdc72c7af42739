#include "sdl_output.h"

#include <mutex>

#include "playback_queue.h"

namespace qw::audio {

namespace {

// SDL's subsystem counting and device list are not meant for concurrent
// use; opens and closes from different decoders take turns.
std::mutex& SdlLock() {
    static std::mutex lock;
    return lock;
}

// 32 ms: short against the live backlog target.
constexpr Uint16 kDeviceSamples = 256;

}  // namespace

bool SdlOutput::Open(Source source, void* user) {
    Close();
    std::lock_guard<std::mutex> hold(SdlLock());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    source_ = source;
    user_ = user;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kDeviceSamples;
    want.callback = &SdlOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes, so
    // the callback always works in 8000 Hz mono S16.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    buffer_samples_ = have.samples;
    return true;
}

void SdlOutput::Start() {
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 0);
    }
}

void SdlOutput::Close() {
    if (device_ == 0) {
        return;
    }
    std::lock_guard<std::mutex> hold(SdlLock());
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SDLCALL SdlOutput::Callback(void* self, Uint8* stream, int bytes) {
    auto* output = static_cast<SdlOutput*>(self);
    output->source_(output->user_, reinterpret_cast<int16_t*>(stream),
                    static_cast<size_t>(bytes) / sizeof(int16_t));
}

}  // namespace qw::audio
