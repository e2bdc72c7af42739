// The audio player component's entry points: each decoder is a playback
// queue behind one lock, fed by the caller and drained by its SDL device.
#include "qw_audio_player.h"

#include <mutex>
#include <new>
#include <vector>

#include "audio_frame.h"
#include "g711_mulaw.h"
#include "playback_queue.h"
#include "sdl_output.h"

struct QwAudioDecoder {
    QwAudioDecoder(size_t drop_above, size_t keep, size_t max) : queue(drop_above, keep, max) {}

    std::mutex lock;
    qw::audio::PlaybackQueue queue;
    bool stopped = false;
    uint64_t video_pts = 0;
    uint64_t video_next_pts = 0;
    // Last member: destroyed first, so the device stops before the queue goes.
    qw::audio::SdlOutput output;
};

namespace {

using qw::audio::kSampleRate;

constexpr size_t MillisToSamples(size_t ms) {
    return ms * kSampleRate / 1000;
}

void FeedDevice(void* user, int16_t* out, size_t count) {
    auto* decoder = static_cast<QwAudioDecoder*>(user);
    std::lock_guard<std::mutex> hold(decoder->lock);
    decoder->queue.Fill(out, count);
}

}  // namespace

extern "C" {

QWAUDIO_EXPORT QwAudioDecoder* QWAUDIO_API QW_AUDIO_OpenAudioDecoder(int32_t buffer_mode,
                                                                     int32_t live) {
    if (buffer_mode != QWAUDIO_BUFFER_SHORT && buffer_mode != QWAUDIO_BUFFER_LONG) {
        return nullptr;
    }
    const size_t target = MillisToSamples(buffer_mode == QWAUDIO_BUFFER_SHORT ? 120 : 400);
    auto* decoder = new (std::nothrow)
        QwAudioDecoder(live != 0 ? 2 * target : 0, target, MillisToSamples(QWAUDIO_MAX_QUEUED_MS));
    if (decoder == nullptr) {
        return nullptr;
    }
    if (!decoder->output.Open(&FeedDevice, decoder)) {
        delete decoder;
        return nullptr;
    }
    decoder->queue.SetDeviceBufferSamples(decoder->output.BufferSamples());
    decoder->output.Start();
    return decoder;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_InputAudioBuffer(QwAudioDecoder* decoder,
                                                             const uint8_t* block, int32_t size,
                                                             int32_t codec_type, uint32_t stamp_low,
                                                             uint32_t stamp_high) {
    if (decoder == nullptr || block == nullptr || size < 0) {
        return QWAUDIO_ERR_PARAM;
    }
    if (codec_type != QWAUDIO_CODEC_G711U_A && codec_type != QWAUDIO_CODEC_G711U_B) {
        return QWAUDIO_ERR_CODEC;
    }
    const ptrdiff_t count = qw::g711::FrameSamples(block, static_cast<size_t>(size));
    if (count < 0) {
        return QWAUDIO_ERR_FORMAT;
    }
    // Decoded outside the lock: the device's thread must not wait for it.
    std::vector<int16_t> samples;
    try {
        samples.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return QWAUDIO_ERR_RESOURCE;
    }
    for (ptrdiff_t i = 0; i < count; ++i) {
        samples[static_cast<size_t>(i)] =
            qw::g711::MulawToLinear(block[qw::g711::kFrameHeaderBytes + static_cast<size_t>(i)]);
    }
    const uint64_t stamp = (uint64_t{stamp_high} << 32) | stamp_low;
    std::lock_guard<std::mutex> hold(decoder->lock);
    if (decoder->stopped) {
        return QWAUDIO_OK;
    }
    return decoder->queue.Push(stamp, std::move(samples)) ? QWAUDIO_OK : QWAUDIO_ERR_FULL;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_SetPts(QwAudioDecoder* decoder, uint64_t pts,
                                                   uint64_t next_pts) {
    if (decoder == nullptr) {
        return QWAUDIO_ERR_PARAM;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    decoder->video_pts = pts;
    decoder->video_next_pts = next_pts;
    return QWAUDIO_OK;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_GetPts(QwAudioDecoder* decoder, uint64_t* pts,
                                                   uint64_t* next_pts) {
    if (decoder == nullptr || pts == nullptr || next_pts == nullptr) {
        return QWAUDIO_ERR_PARAM;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    const qw::audio::PlaybackQueue::Clock clock = decoder->queue.Now();
    *pts = clock.valid ? clock.pts : decoder->video_pts;
    *next_pts = clock.valid ? clock.next_pts : decoder->video_next_pts;
    return QWAUDIO_OK;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_AudioDecGetFrames(QwAudioDecoder* decoder) {
    if (decoder == nullptr) {
        return -1;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    return static_cast<int32_t>(decoder->queue.QueuedBlocks());
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_AudioDecSetVolume(QwAudioDecoder* decoder,
                                                              int32_t volume) {
    if (decoder == nullptr || volume < 0 || volume > QWAUDIO_VOLUME_MAX) {
        return QWAUDIO_ERR_PARAM;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    decoder->queue.SetGain(static_cast<uint16_t>(volume));
    return QWAUDIO_OK;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_SetMuteAudio(QwAudioDecoder* decoder, int32_t mute) {
    if (decoder == nullptr) {
        return QWAUDIO_ERR_PARAM;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    decoder->queue.SetMuted(mute != 0);
    return QWAUDIO_OK;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_StopFileAudio(QwAudioDecoder* decoder, int32_t mode) {
    if (decoder == nullptr ||
        (mode != QWAUDIO_RESUME && mode != QWAUDIO_STOP && mode != QWAUDIO_FLUSH)) {
        return QWAUDIO_ERR_PARAM;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    if (mode == QWAUDIO_RESUME) {
        decoder->stopped = false;
        return QWAUDIO_OK;
    }
    decoder->queue.DropQueued();
    if (mode == QWAUDIO_STOP) {
        decoder->stopped = true;
    }
    return QWAUDIO_OK;
}

QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_AudioDecClear(QwAudioDecoder* decoder) {
    if (decoder == nullptr) {
        return QWAUDIO_ERR_PARAM;
    }
    std::lock_guard<std::mutex> hold(decoder->lock);
    decoder->queue.Reset();
    decoder->video_pts = 0;
    decoder->video_next_pts = 0;
    return QWAUDIO_OK;
}

QWAUDIO_EXPORT void QWAUDIO_API QW_AUDIO_CloseAudioDecoder(QwAudioDecoder* decoder) {
    if (decoder == nullptr) {
        return;
    }
    // Without the decoder's lock: the device's last callback may need it.
    decoder->output.Close();
    delete decoder;
}

}  // extern "C"
