#include "talk_playback.h"

#include <SDL.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "mic_capture.h"
#include "sdl_lock.h"

namespace kestrel::media {
namespace {

constexpr Uint16 kDeviceSamples = 256;

// Opens a queue-fed output device; 0 when none can be had.
SDL_AudioDeviceID OpenOutput() {
    std::lock_guard<std::mutex> hold(TalkSdlLock());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return 0;
    }
    SDL_AudioSpec want{};
    want.freq = kMicSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kDeviceSamples;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return device;
}

void CloseOutput(SDL_AudioDeviceID device) {
    std::lock_guard<std::mutex> hold(TalkSdlLock());
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace

bool PlayOnce(std::span<const int16_t> samples) {
    if (samples.empty()) {
        return true;
    }
    const SDL_AudioDeviceID device = OpenOutput();
    if (device == 0) {
        return false;
    }
    const bool queued =
        SDL_QueueAudio(device, samples.data(), static_cast<Uint32>(samples.size_bytes())) == 0;
    if (queued) {
        SDL_PauseAudioDevice(device, 0);
        // The buffer's own duration, and a second for a slow device; a
        // stalled one does not hold the caller for ever.
        const auto duration = std::chrono::milliseconds(samples.size() * 1000 / kMicSampleRate);
        const auto deadline = std::chrono::steady_clock::now() + duration + std::chrono::seconds(1);
        while (SDL_GetQueuedAudioSize(device) > 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // What the device took last is still to be heard.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(2 * kDeviceSamples * 1000 / kMicSampleRate));
    }
    CloseOutput(device);
    return queued;
}

}  // namespace kestrel::media
