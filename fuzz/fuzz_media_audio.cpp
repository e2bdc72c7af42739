// Fuzzes the audio decoders fed arbitrary blocks: the first byte picks the
// decoder (IMA ADPCM, G.711 frames, the voice codec component, the AMR
// component), the rest is a series of blocks, each a 16-bit little-endian
// length and that many bytes (cut to what is left). Decoders must write no
// more samples than the block carries and agree with the frame header.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "audio_frame.h"
#include "fuzz_entry.h"
#include "g711_mulaw.h"
#include "ima_adpcm.h"
#include "qw_amr_decoder.h"
#include "qw_voice_engine.h"

namespace {

// The PCM a channel keeps for one block, at most.
constexpr size_t kMaxDecodedSamples = 0x10000;
// Blocks per input: enough to carry state from block to block.
constexpr int kMaxBlocks = 64;

void DecodeIma(std::span<const uint8_t> block) {
    using namespace kestrel::media;
    const size_t samples = ImaAdpcmSamples(block.size());
    std::vector<int16_t> pcm(std::min(samples, kMaxDecodedSamples) + 1, int16_t{0x5A5A});
    const size_t written =
        DecodeImaAdpcmBlock(block, std::span<int16_t>(pcm).first(pcm.size() - 1));
    if (samples == 0 || samples > kMaxDecodedSamples) {
        Check(written == 0);
    } else {
        Check(written == samples);
        Check(pcm[0] == static_cast<int16_t>(block[0] | block[1] << 8));
    }
    Check(pcm.back() == 0x5A5A);  // nothing past the room given
    if (samples > 1 && samples <= kMaxDecodedSamples) {
        Check(DecodeImaAdpcmBlock(block, std::span<int16_t>(pcm).first(samples - 1)) == 0);
    }
}

void DecodeG711(std::span<const uint8_t> block) {
    const ptrdiff_t count = qw::g711::FrameSamples(block.data(), block.size());
    const bool framed = block.size() >= 4 && block[0] == 0 && block[1] == 1;
    Check(framed ? (count >= 0 && count <= ptrdiff_t{2} * 255 &&
                    size_t(count) <= block.size() - qw::g711::kFrameHeaderBytes)
                 : count == -1);
    for (ptrdiff_t i = 0; i < count; ++i) {
        // Encoding a decoded level gives back a code of that level.
        const int16_t level = qw::g711::MulawToLinear(block[4 + size_t(i)]);
        Check(qw::g711::MulawToLinear(qw::g711::LinearToMulaw(level)) == level);
    }
}

void DecodeVoice(QwVoiceState* state, std::span<const uint8_t> block) {
    std::array<int16_t, QWVOICE_MAX_SAMPLES + 1> pcm{};
    pcm.back() = 0x5A5A;
    int32_t samples = -1;
    const int32_t result = QW_VOICE_DecodeFrame(
        state, block.data(), static_cast<int32_t>(block.size()), pcm.data(), &samples);
    Check(pcm.back() == 0x5A5A);
    const ptrdiff_t count = qw::g711::FrameSamples(block.data(), block.size());
    if (result != QWVOICE_OK) {
        Check(samples == 0 && count < 0);
        return;
    }
    Check(samples == count);
    if (samples >= 2 && samples % 2 == 0) {
        // The codec's own frame of these samples decodes to the same levels.
        std::array<uint8_t, QWVOICE_MAX_FRAME_BYTES> frame{};
        Check(QW_VOICE_EncodeFrame(state, pcm.data(), frame.data(), samples) == QWVOICE_OK);
        std::array<int16_t, QWVOICE_MAX_SAMPLES> again{};
        int32_t again_samples = 0;
        Check(QW_VOICE_DecodeFrame(state, frame.data(), QWVOICE_HEADER_BYTES + samples,
                                   again.data(), &again_samples) == QWVOICE_OK);
        Check(again_samples == samples &&
              std::equal(again.begin(), again.begin() + samples, pcm.begin()));
    }
}

void DecodeAmr(QwAmrDecoder* decoder, std::span<const uint8_t> block) {
    std::array<int16_t, QWAMR_FRAME_SAMPLES + 1> pcm{};
    pcm.back() = 0x5A5A;
    const int32_t result = AMR_Decode_Frame(
        decoder, block.data(), static_cast<int32_t>(block.size()), pcm.data(), QWAMR_MODE_STORAGE);
    Check(pcm.back() == 0x5A5A);
    if (block.empty()) {
        Check(result == QWAMR_ERR_PARAM);
        return;
    }
    const int32_t body = AMR_Get_Length(QWAMR_MODE_STORAGE, block[0]);
    Check(body <= QWAMR_MAX_FRAME_BYTES - 1);
    if (body < 0) {
        Check(result == QWAMR_ERR_FORMAT);
    } else {
        Check(result == (block.size() >= size_t(body) + 1 ? QWAMR_OK : QWAMR_ERR_TRUNCATED));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const int decoder = data[0] % 4;
    QwVoiceState* voice = decoder == 2 ? QW_VOICE_CreateState() : nullptr;
    QwAmrDecoder* amr = decoder == 3 ? AMR_Decode_Init() : nullptr;
    Check(decoder != 2 || voice != nullptr);
    Check(decoder != 3 || amr != nullptr);

    std::span<const uint8_t> rest(data + 1, size - 1);
    for (int blocks = 0; blocks < kMaxBlocks && rest.size() >= 2; ++blocks) {
        const size_t length = std::min<size_t>(rest.size() - 2, rest[0] | rest[1] << 8);
        const std::span<const uint8_t> block = rest.subspan(2, length);
        rest = rest.subspan(2 + length);
        switch (decoder) {
            case 0:
                DecodeIma(block);
                break;
            case 1:
                DecodeG711(block);
                break;
            case 2:
                DecodeVoice(voice, block);
                break;
            default:
                DecodeAmr(amr, block);
                break;
        }
    }
    QW_VOICE_DestroyState(voice);
    AMR_Decode_Exit(amr);
    return 0;
}
