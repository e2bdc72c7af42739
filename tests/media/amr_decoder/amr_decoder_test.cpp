// The AMR-NB decoder component loaded by name. ffmpeg has no AMR encoder
// here, so streams are made with opencore-amrnb's encoder; ffmpeg's own
// (independent, floating-point) amrnb decoder is the reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "audio_tools.h"
#include "platform/paths.h"
#include "qw_amr_decoder.h"

extern "C" {
#include <opencore-amrnb/interf_enc.h>
}

namespace {

namespace at = kestrel::media::audio_test;

const int kAnchor = 0;
constexpr size_t kFramesPerRate = 25;  // 0.5 s of each of the eight rates

struct Component {
    platform::SharedLibrary library;
    AMR_Decode_InitFn init = nullptr;
    AMR_Decode_ExitFn exit = nullptr;
    AMR_Get_LengthFn length = nullptr;
    AMR_Decode_FrameFn decode = nullptr;
};

Component& Loaded() {
    static Component* component = [] {
        auto* c = new Component;
        if (c->library.Load(platform::ModuleFolderOf(&kAnchor), "qw_amr_decoder")) {
            c->init = reinterpret_cast<AMR_Decode_InitFn>(c->library.Symbol("AMR_Decode_Init"));
            c->exit = reinterpret_cast<AMR_Decode_ExitFn>(c->library.Symbol("AMR_Decode_Exit"));
            c->length = reinterpret_cast<AMR_Get_LengthFn>(c->library.Symbol("AMR_Get_Length"));
            c->decode = reinterpret_cast<AMR_Decode_FrameFn>(c->library.Symbol("AMR_Decode_Frame"));
        }
        return c;
    }();
    return *component;
}

struct DecoderDeleter {
    void operator()(QwAmrDecoder* decoder) const { Loaded().exit(decoder); }
};
using Decoder = std::unique_ptr<QwAmrDecoder, DecoderDeleter>;

// An .amr file ("#!AMR\n" and storage-format frames) of pcm, 160 samples a
// frame, the rate changing through all eight every kFramesPerRate frames.
std::vector<uint8_t> EncodeAmrFile(std::span<const int16_t> pcm, bool dtx) {
    void* encoder = Encoder_Interface_init(dtx ? 1 : 0);
    std::vector<uint8_t> file{'#', '!', 'A', 'M', 'R', '\n'};
    for (size_t frame = 0; (frame + 1) * QWAMR_FRAME_SAMPLES <= pcm.size(); ++frame) {
        std::vector<int16_t> input(
            pcm.begin() + static_cast<ptrdiff_t>(frame * QWAMR_FRAME_SAMPLES),
            pcm.begin() + static_cast<ptrdiff_t>((frame + 1) * QWAMR_FRAME_SAMPLES));
        unsigned char out[64];
        const auto rate = static_cast<Mode>((frame / kFramesPerRate) % 8);
        const int bytes = Encoder_Interface_Encode(encoder, rate, input.data(), out, 0);
        file.insert(file.end(), out, out + bytes);
    }
    Encoder_Interface_exit(encoder);
    return file;
}

// Cuts the frames after the file header by the component's frame lengths.
std::optional<std::vector<std::vector<uint8_t>>> SplitFrames(std::span<const uint8_t> file) {
    std::vector<std::vector<uint8_t>> frames;
    for (size_t at = 6; at < file.size();) {
        const int32_t body = Loaded().length(QWAMR_MODE_STORAGE, file[at]);
        if (body < 0 || at + 1 + static_cast<size_t>(body) > file.size()) {
            ADD_FAILURE() << "frame at byte " << at << " (header " << int{file[at]} << ")";
            return std::nullopt;
        }
        frames.emplace_back(
            file.begin() + static_cast<ptrdiff_t>(at),
            file.begin() + static_cast<ptrdiff_t>(at + 1 + static_cast<size_t>(body)));
        at += 1 + static_cast<size_t>(body);
    }
    return frames;
}

std::vector<int16_t> DecodeAll(const std::vector<std::vector<uint8_t>>& frames) {
    Decoder decoder(Loaded().init());
    EXPECT_NE(decoder, nullptr);
    std::vector<int16_t> out;
    for (const auto& frame : frames) {
        int16_t pcm[QWAMR_FRAME_SAMPLES];
        EXPECT_EQ(Loaded().decode(decoder.get(), frame.data(), static_cast<int32_t>(frame.size()),
                                  pcm, QWAMR_MODE_STORAGE),
                  QWAMR_OK);
        out.insert(out.end(), pcm, pcm + QWAMR_FRAME_SAMPLES);
    }
    return out;
}

class AmrDecoder : public ::testing::Test {
protected:
    void SetUp() override {
        const Component& c = Loaded();
        ASSERT_TRUE(c.init && c.exit && c.length && c.decode) << c.library.Error();
        const auto tone = at::FfmpegMulawDecode(at::ToneMulaw(), scratch_);
        ASSERT_TRUE(tone);
        tone_ = *tone;
    }
    at::ScratchFolder scratch_;
    std::vector<int16_t> tone_;  // 4 s, 1000 Hz, half full scale
};

TEST_F(AmrDecoder, EveryRateDecodesLikeFfmpeg) {
    const std::vector<uint8_t> file = EncodeAmrFile(tone_, false);
    const auto frames = SplitFrames(file);
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), tone_.size() / QWAMR_FRAME_SAMPLES);
    for (size_t n = 0; n < frames->size(); ++n) {
        ASSERT_EQ(((*frames)[n][0] >> 3) & 0x0F, (n / kFramesPerRate) % 8) << "frame " << n;
    }

    const std::string path = scratch_.File("tone.amr");
    ASSERT_TRUE(at::WriteBytes(path, file));
    const auto reference_bytes = at::Ffmpeg("-c:a amrnb -i '" + path + "' -f s16le -ar 8000 -ac 1",
                                            scratch_.File("tone.s16"));
    ASSERT_TRUE(reference_bytes);
    const std::vector<int16_t> reference = at::ToSamples(*reference_bytes);
    const std::vector<int16_t> decoded = DecodeAll(*frames);
    ASSERT_EQ(decoded.size(), reference.size());

    const double tone_rms = at::Rms(tone_);
    for (size_t rate = 0; rate < 8; ++rate) {
        SCOPED_TRACE("rate " + std::to_string(rate));
        // Past the first two frames of each rate, where the decoders settle.
        const size_t first = (rate * kFramesPerRate + 2) * QWAMR_FRAME_SAMPLES;
        const size_t count = (kFramesPerRate - 2) * QWAMR_FRAME_SAMPLES;
        const auto ours = std::span(decoded).subspan(first, count);
        const auto theirs = std::span(reference).subspan(first, count);
        EXPECT_GT(at::Correlation(ours, theirs), 0.98);
        EXPECT_NEAR(at::ToneFrequency(ours, 8000), 1000.0, 5.0);
        EXPECT_NEAR(at::Rms(ours) / tone_rms, 1.0, 0.15);
    }
}

TEST_F(AmrDecoder, ComfortNoiseAndNoDataFramesDecodeQuietly) {
    // A second of tone, then silence: with DTX the encoder turns to SID and
    // no-data frames.
    std::vector<int16_t> input(tone_.begin(), tone_.begin() + 8000);
    input.resize(input.size() + 16000, 0);
    const auto frames = SplitFrames(EncodeAmrFile(input, true));
    ASSERT_TRUE(frames);
    std::set<int> types;
    for (const auto& frame : *frames) {
        types.insert((frame[0] >> 3) & 0x0F);
    }
    ASSERT_TRUE(types.count(8) && types.count(15)) << "no SID or no-data frames";
    const std::vector<int16_t> decoded = DecodeAll(*frames);
    ASSERT_EQ(decoded.size(), frames->size() * QWAMR_FRAME_SAMPLES);
    EXPECT_GT(at::Rms(std::span(decoded).subspan(800, 6400)), 5000);
    EXPECT_LT(at::Rms(std::span(decoded).last(8000)), 300);
}

TEST_F(AmrDecoder, FrameLengthsFollowTheFrameType) {
    const Component& c = Loaded();
    // Reserved types have no known length; bits outside the type do not matter.
    for (int type = 9; type <= 14; ++type) {
        EXPECT_EQ(c.length(QWAMR_MODE_STORAGE, static_cast<uint8_t>(type << 3 | 4)), -1) << type;
    }
    EXPECT_EQ(c.length(QWAMR_MODE_STORAGE, 15 << 3 | 4), 0);
    EXPECT_EQ(c.length(QWAMR_MODE_STORAGE, 7 << 3 | 4),
              c.length(QWAMR_MODE_STORAGE, 0x80 | 7 << 3 | 3));
    EXPECT_EQ(c.length(1, 7 << 3 | 4), -1);
    EXPECT_EQ(c.length(-1, 0x3C), -1);
}

TEST_F(AmrDecoder, ShortReservedAndNullInputIsRefusedWithoutReadingPastIt) {
    const Component& c = Loaded();
    const auto frames =
        SplitFrames(EncodeAmrFile(std::span(tone_).first(8 * kFramesPerRate * 160), false));
    ASSERT_TRUE(frames);
    Decoder decoder(c.init());
    ASSERT_NE(decoder, nullptr);
    int16_t pcm[QWAMR_FRAME_SAMPLES];
    for (size_t rate = 0; rate < 8; ++rate) {
        const std::vector<uint8_t>& frame = (*frames)[rate * kFramesPerRate];
        // Each frame alone on the heap at exactly its length, so reading
        // beyond it would show under the address sanitizer.
        auto exact = std::make_unique<uint8_t[]>(frame.size());
        std::memcpy(exact.get(), frame.data(), frame.size());
        std::fill(std::begin(pcm), std::end(pcm), int16_t{0x5555});
        EXPECT_EQ(c.decode(decoder.get(), exact.get(), static_cast<int32_t>(frame.size()) - 1, pcm,
                           QWAMR_MODE_STORAGE),
                  QWAMR_ERR_TRUNCATED);
        EXPECT_EQ(pcm[0], 0x5555) << "written on error";
        EXPECT_EQ(c.decode(decoder.get(), exact.get(), static_cast<int32_t>(frame.size()), pcm,
                           QWAMR_MODE_STORAGE),
                  QWAMR_OK);
    }
    const uint8_t no_data = 15 << 3 | 4;
    EXPECT_EQ(c.decode(decoder.get(), &no_data, 1, pcm, QWAMR_MODE_STORAGE), QWAMR_OK);
    for (int type = 9; type <= 14; ++type) {
        const uint8_t reserved[32] = {static_cast<uint8_t>(type << 3 | 4)};
        EXPECT_EQ(c.decode(decoder.get(), reserved, 32, pcm, QWAMR_MODE_STORAGE), QWAMR_ERR_FORMAT);
    }
    const std::vector<uint8_t>& frame = (*frames)[0];
    const auto size = static_cast<int32_t>(frame.size());
    EXPECT_EQ(c.decode(decoder.get(), frame.data(), size, pcm, 1), QWAMR_ERR_PARAM);
    EXPECT_EQ(c.decode(decoder.get(), frame.data(), 0, pcm, QWAMR_MODE_STORAGE), QWAMR_ERR_PARAM);
    EXPECT_EQ(c.decode(nullptr, frame.data(), size, pcm, QWAMR_MODE_STORAGE), QWAMR_ERR_PARAM);
    EXPECT_EQ(c.decode(decoder.get(), nullptr, size, pcm, QWAMR_MODE_STORAGE), QWAMR_ERR_PARAM);
    EXPECT_EQ(c.decode(decoder.get(), frame.data(), size, nullptr, QWAMR_MODE_STORAGE),
              QWAMR_ERR_PARAM);
    c.exit(nullptr);
}

TEST(AmrDecoderLoading, MissingComponentFailsCleanly) {
    platform::SharedLibrary library;
    EXPECT_FALSE(library.Load(platform::ModuleFolderOf(&kAnchor), "qw_amr_decoder_missing"));
    EXPECT_FALSE(library.Error().empty());
    EXPECT_EQ(library.Symbol("AMR_Decode_Frame"), nullptr);
}

}  // namespace
