#include "wave_output.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrel::media {
namespace {

constexpr int kDeviceFrames = 256;
constexpr int kFullVolume = 0xFFFF;

size_t LinearBufferBytes(const WaveFormat& format) {
    // µ-law buffers are sized in encoded bytes, one per sample.
    return format.encoding == WaveEncoding::kMuLaw ? format.buffer_bytes * 2 : format.buffer_bytes;
}

}  // namespace

WaveOutput::WaveOutput(PcmRing& ring, size_t buffer_bytes) : feeder_(ring) {
    buffers_[0].assign(buffer_bytes, 0);
    buffers_[1].assign(buffer_bytes, 0);
}

std::unique_ptr<WaveOutput> WaveOutput::Open(const WaveFormat& format, PcmRing& ring,
                                             std::string* error) {
    const size_t buffer_bytes = LinearBufferBytes(format);
    std::unique_ptr<WaveOutput> output(new (std::nothrow) WaveOutput(ring, buffer_bytes));
    if (!output) {
        *error = "out of memory";
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = SDL_GetError();
        return nullptr;
    }
    SDL_AudioSpec want{};
    want.freq = format.sample_rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = kDeviceFrames;
    want.callback = &WaveOutput::DeviceCallback;
    want.userdata = output.get();
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device wants.
    output->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (output->device_ == 0) {
        *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(output->device_, 0);
    return output;
}

WaveOutput::~WaveOutput() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);  // waits for a running callback
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void WaveOutput::DeviceCallback(void* user, uint8_t* stream, int length) {
    static_cast<WaveOutput*>(user)->Fill(stream, static_cast<size_t>(std::max(length, 0)));
}

void WaveOutput::NextBuffer() {
    // The buffer that just finished is refilled while the other one plays.
    feeder_.Refill(buffers_[playing_], buffers_[playing_ ^ 1]);
    buffers_played_.fetch_add(1, std::memory_order_relaxed);
    playing_ ^= 1;
    position_ = 0;
}

void WaveOutput::Fill(uint8_t* stream, size_t length) {
    const int volume = volume_.load(std::memory_order_relaxed);
    size_t done = 0;
    while (done < length) {
        if (position_ >= buffers_[playing_].size()) {
            NextBuffer();
        }
        const std::vector<uint8_t>& buffer = buffers_[playing_];
        const size_t n = std::min(length - done, buffer.size() - position_);
        std::memcpy(stream + done, buffer.data() + position_, n);
        done += n;
        position_ += n;
    }
    if (volume < kFullVolume) {
        for (size_t i = 0; i + 1 < length; i += 2) {
            int16_t sample;
            std::memcpy(&sample, stream + i, 2);
            sample = static_cast<int16_t>(sample * volume / kFullVolume);
            std::memcpy(stream + i, &sample, 2);
        }
    }
}

}  // namespace kestrel::media
