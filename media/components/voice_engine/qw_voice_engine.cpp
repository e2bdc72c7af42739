// The voice codec component: recorder audio frames of G.711 mu-law, coded
// sample by sample, so a state only records the mode it was reset to.
#include "qw_voice_engine.h"

#include <new>

#include "audio_frame.h"
#include "g711_mulaw.h"

struct QwVoiceState {
    int32_t mode = QWVOICE_MODE_8K_MONO_16BIT;
};

static_assert(QWVOICE_MAX_SAMPLES == qw::g711::kMaxFrameSamples);
static_assert(QWVOICE_HEADER_BYTES == qw::g711::kFrameHeaderBytes);

extern "C" {

QWVOICE_EXPORT QwVoiceState* QWVOICE_API QW_VOICE_CreateState(void) {
    return new (std::nothrow) QwVoiceState;
}

QWVOICE_EXPORT void QWVOICE_API QW_VOICE_DestroyState(QwVoiceState* state) {
    delete state;
}

QWVOICE_EXPORT int32_t QWVOICE_API QW_VOICE_EncReset(QwVoiceState* state, int32_t mode) {
    if (state == nullptr) {
        return QWVOICE_ERR_PARAM;
    }
    if (mode != QWVOICE_MODE_8K_MONO_16BIT) {
        return QWVOICE_ERR_MODE;
    }
    state->mode = mode;
    return QWVOICE_OK;
}

QWVOICE_EXPORT int32_t QWVOICE_API QW_VOICE_EncodeFrame(QwVoiceState* state, const int16_t* samples,
                                                        uint8_t* out, int32_t sample_count) {
    // Odd counts and counts above 510 cannot be expressed by the header's
    // word count; refusing them beats writing a header that lies.
    if (state == nullptr || samples == nullptr || out == nullptr || sample_count < 2 ||
        sample_count > QWVOICE_MAX_SAMPLES || sample_count % 2 != 0) {
        return QWVOICE_ERR_PARAM;
    }
    qw::g711::WriteFrameHeader(out, static_cast<size_t>(sample_count));
    for (int32_t i = 0; i < sample_count; ++i) {
        out[QWVOICE_HEADER_BYTES + i] = qw::g711::LinearToMulaw(samples[i]);
    }
    return QWVOICE_OK;
}

QWVOICE_EXPORT int32_t QWVOICE_API QW_VOICE_DecodeFrame(QwVoiceState* state, const uint8_t* frame,
                                                        int32_t frame_length, int16_t* pcm,
                                                        int32_t* out_samples) {
    if (out_samples != nullptr) {
        *out_samples = 0;
    }
    if (state == nullptr || frame == nullptr || pcm == nullptr || out_samples == nullptr ||
        frame_length < QWVOICE_HEADER_BYTES) {
        return QWVOICE_ERR_PARAM;
    }
    const ptrdiff_t count = qw::g711::FrameSamples(frame, static_cast<size_t>(frame_length));
    if (count < 0) {
        return QWVOICE_ERR_FORMAT;
    }
    for (ptrdiff_t i = 0; i < count; ++i) {
        pcm[i] = qw::g711::MulawToLinear(frame[QWVOICE_HEADER_BYTES + i]);
    }
    *out_samples = static_cast<int32_t>(count);
    return QWVOICE_OK;
}

}  // extern "C"
