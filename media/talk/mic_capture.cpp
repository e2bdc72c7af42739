#include "mic_capture.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "sdl_lock.h"

namespace kestrel::media {

bool MicCapture::Open(FrameSink sink, void* user, std::string* error) {
    Close();
    std::lock_guard<std::mutex> hold(TalkSdlLock());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = SDL_GetError();
        return false;
    }
    sink_ = sink;
    user_ = user;
    filled_ = 0;
    SDL_AudioSpec want{};
    want.freq = kMicSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = static_cast<Uint16>(kMicFrameSamples);
    want.callback = &MicCapture::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts from whatever the hardware records.
    device_ = SDL_OpenAudioDevice(nullptr, 1, &want, &have, 0);
    if (device_ == 0) {
        *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void MicCapture::Close() {
    if (device_ == 0) {
        return;
    }
    std::lock_guard<std::mutex> hold(TalkSdlLock());
    SDL_CloseAudioDevice(device_);  // ends the capture thread after its callback
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void MicCapture::Callback(void* self, uint8_t* stream, int bytes) {
    // S16 mono: SDL's buffers always hold whole samples.
    static_cast<MicCapture*>(self)->Take(reinterpret_cast<const int16_t*>(stream),
                                         static_cast<size_t>(std::max(bytes, 0)) / 2);
}

void MicCapture::Take(const int16_t* samples, size_t count) {
    while (count > 0) {
        const size_t n = std::min(count, kMicFrameSamples - filled_);
        std::memcpy(frame_ + filled_, samples, n * sizeof(int16_t));
        filled_ += n;
        samples += n;
        count -= n;
        if (filled_ == kMicFrameSamples) {
            filled_ = 0;
            sink_(user_, std::span<const int16_t, kMicFrameSamples>(frame_));
        }
    }
}

}  // namespace kestrel::media
