// The voice codec component loaded by name, its frames checked against
// ffmpeg's pcm_mulaw in both directions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio_tools.h"
#include "platform/paths.h"
#include "qw_voice_engine.h"

namespace {

namespace at = kestrel::media::audio_test;

const int kAnchor = 0;

struct Component {
    platform::SharedLibrary library;
    QW_VOICE_CreateStateFn create = nullptr;
    QW_VOICE_DestroyStateFn destroy = nullptr;
    QW_VOICE_EncResetFn reset = nullptr;
    QW_VOICE_EncodeFrameFn encode = nullptr;
    QW_VOICE_DecodeFrameFn decode = nullptr;
};

Component& Loaded() {
    static Component* component = [] {
        auto* c = new Component;
        if (c->library.Load(platform::ModuleFolderOf(&kAnchor), "qw_voice_engine")) {
            auto symbol = [c](const char* name) { return c->library.Symbol(name); };
            c->create = reinterpret_cast<QW_VOICE_CreateStateFn>(symbol("QW_VOICE_CreateState"));
            c->destroy = reinterpret_cast<QW_VOICE_DestroyStateFn>(symbol("QW_VOICE_DestroyState"));
            c->reset = reinterpret_cast<QW_VOICE_EncResetFn>(symbol("QW_VOICE_EncReset"));
            c->encode = reinterpret_cast<QW_VOICE_EncodeFrameFn>(symbol("QW_VOICE_EncodeFrame"));
            c->decode = reinterpret_cast<QW_VOICE_DecodeFrameFn>(symbol("QW_VOICE_DecodeFrame"));
        }
        return c;
    }();
    return *component;
}

struct StateDeleter {
    void operator()(QwVoiceState* state) const { Loaded().destroy(state); }
};
using State = std::unique_ptr<QwVoiceState, StateDeleter>;

class VoiceEngine : public ::testing::Test {
protected:
    void SetUp() override {
        const Component& c = Loaded();
        ASSERT_TRUE(c.create && c.destroy && c.reset && c.encode && c.decode) << c.library.Error();
        state_.reset(c.create());
        ASSERT_NE(state_, nullptr);
    }
    State state_;
};

TEST_F(VoiceEngine, EncodingEverySampleValueMatchesFfmpeg) {
    std::vector<int16_t> every;
    for (int value = -32768; value <= 32767; ++value) {
        every.push_back(static_cast<int16_t>(value));
    }
    at::ScratchFolder scratch;
    const auto reference = at::FfmpegMulawEncode(every, scratch);
    ASSERT_TRUE(reference);
    ASSERT_EQ(reference->size(), every.size());

    ASSERT_EQ(Loaded().reset(state_.get(), QWVOICE_MODE_8K_MONO_16BIT), QWVOICE_OK);
    // The usual 320-sample frames, then the 256 left over.
    std::vector<uint8_t> payload;
    for (size_t at = 0; at < every.size(); at += 320) {
        const auto count = static_cast<int32_t>(std::min<size_t>(320, every.size() - at));
        std::vector<uint8_t> frame(QWVOICE_MAX_FRAME_BYTES + 1, 0xEE);
        ASSERT_EQ(Loaded().encode(state_.get(), every.data() + at, frame.data(), count),
                  QWVOICE_OK);
        ASSERT_EQ(frame[0], 0x00);
        ASSERT_EQ(frame[1], 0x01);
        ASSERT_EQ(frame[2], count / 2);
        ASSERT_EQ(frame[3], 0x00);
        const size_t length = 4 + 2 * size_t{frame[2]};
        ASSERT_EQ(frame[length], 0xEE) << "written beyond the frame";
        payload.insert(payload.end(), frame.begin() + 4,
                       frame.begin() + static_cast<ptrdiff_t>(length));
    }
    EXPECT_EQ(payload, *reference);
}

TEST_F(VoiceEngine, DecodingMatchesFfmpegForEveryCodeAndTheTone) {
    at::ScratchFolder scratch;
    std::vector<uint8_t> codes(256);
    for (int code = 0; code < 256; ++code) {
        codes[static_cast<size_t>(code)] = static_cast<uint8_t>(code);
    }
    for (const std::vector<uint8_t>& mulaw : {codes, at::ToneMulaw()}) {
        const auto reference = at::FfmpegMulawDecode(mulaw, scratch);
        ASSERT_TRUE(reference);
        std::vector<int16_t> decoded;
        for (const auto& frame : at::CutIntoBlocks(mulaw, 320)) {
            std::vector<int16_t> pcm(QWVOICE_MAX_SAMPLES);
            int32_t samples = -1;
            ASSERT_EQ(Loaded().decode(state_.get(), frame.data(),
                                      static_cast<int32_t>(frame.size()), pcm.data(), &samples),
                      QWVOICE_OK);
            ASSERT_EQ(samples, 2 * frame[2]);
            decoded.insert(decoded.end(), pcm.begin(), pcm.begin() + samples);
        }
        EXPECT_EQ(decoded, *reference);
    }
}

TEST_F(VoiceEngine, EveryEvenFrameSizeRoundTripsAndOthersAreRefused) {
    const Component& c = Loaded();
    std::vector<int16_t> ramp(QWVOICE_MAX_SAMPLES + 2);
    for (size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<int16_t>(i * 120 - 30000);
    }
    for (int32_t count = 2; count <= QWVOICE_MAX_SAMPLES; count += 2) {
        std::vector<uint8_t> frame(4 + static_cast<size_t>(count));  // exactly the documented need
        ASSERT_EQ(c.encode(state_.get(), ramp.data(), frame.data(), count), QWVOICE_OK);
        std::vector<int16_t> pcm(QWVOICE_MAX_SAMPLES);
        int32_t samples = 0;
        ASSERT_EQ(c.decode(state_.get(), frame.data(), static_cast<int32_t>(frame.size()),
                           pcm.data(), &samples),
                  QWVOICE_OK);
        ASSERT_EQ(samples, count);
        // Mu-law keeps each sample within half a quantisation step (1/32 of it).
        for (int32_t i = 0; i < count; ++i) {
            ASSERT_LE(std::abs(pcm[static_cast<size_t>(i)] - ramp[static_cast<size_t>(i)]),
                      std::abs(ramp[static_cast<size_t>(i)]) / 32 + 8)
                << "sample " << i << " of " << count;
        }
    }
    // Odd counts, and counts the one-byte word count cannot carry.
    std::vector<uint8_t> out(1100, 0xEE);
    for (int32_t count : {-2, 0, 1, 3, 319, 512, 1020}) {
        EXPECT_EQ(c.encode(state_.get(), ramp.data(), out.data(), count), QWVOICE_ERR_PARAM)
            << count;
    }
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(c.encode(nullptr, ramp.data(), out.data(), 320), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.encode(state_.get(), nullptr, out.data(), 320), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.encode(state_.get(), ramp.data(), nullptr, 320), QWVOICE_ERR_PARAM);
}

TEST_F(VoiceEngine, DecodingTakesOnlyTheBytesThereAndRefusesBadFrames) {
    const Component& c = Loaded();
    at::ScratchFolder scratch;
    const std::vector<uint8_t> tone = at::ToneMulaw();
    const auto reference = at::FfmpegMulawDecode(std::span(tone).first(320), scratch);
    ASSERT_TRUE(reference);
    std::vector<uint8_t> frame = at::CutIntoBlocks(std::span(tone).first(320), 320)[0];
    frame.insert(frame.end(), {0x12, 0x34});  // trailing bytes beyond the declared length

    std::vector<int16_t> pcm(QWVOICE_MAX_SAMPLES, 7);
    int32_t samples = 0;
    ASSERT_EQ(c.decode(state_.get(), frame.data(), static_cast<int32_t>(frame.size()), pcm.data(),
                       &samples),
              QWVOICE_OK);
    EXPECT_EQ(samples, 320);
    EXPECT_EQ(pcm[320], 7);
    // Cut short: the samples present, no more. On the heap at its exact size,
    // so reading past it would show under the address sanitizer.
    auto cut = std::make_unique<uint8_t[]>(104);
    std::copy(frame.begin(), frame.begin() + 104, cut.get());
    ASSERT_EQ(c.decode(state_.get(), cut.get(), 104, pcm.data(), &samples), QWVOICE_OK);
    EXPECT_EQ(samples, 100);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + 100, reference->begin()));

    for (auto damage : {+[](std::vector<uint8_t>& f) { f[0] = 0x01; },
                        +[](std::vector<uint8_t>& f) { f[1] = 0x00; }}) {
        std::vector<uint8_t> bad = frame;
        damage(bad);
        samples = 5;
        EXPECT_EQ(c.decode(state_.get(), bad.data(), static_cast<int32_t>(bad.size()), pcm.data(),
                           &samples),
                  QWVOICE_ERR_FORMAT);
        EXPECT_EQ(samples, 0);
    }
    EXPECT_EQ(c.decode(state_.get(), frame.data(), 3, pcm.data(), &samples), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.decode(state_.get(), frame.data(), -1, pcm.data(), &samples), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.decode(nullptr, frame.data(), 324, pcm.data(), &samples), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.decode(state_.get(), nullptr, 324, pcm.data(), &samples), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.decode(state_.get(), frame.data(), 324, nullptr, &samples), QWVOICE_ERR_PARAM);
    EXPECT_EQ(c.decode(state_.get(), frame.data(), 324, pcm.data(), nullptr), QWVOICE_ERR_PARAM);
}

TEST_F(VoiceEngine, OnlyTheEightKilohertzModeResets) {
    const Component& c = Loaded();
    EXPECT_EQ(c.reset(state_.get(), QWVOICE_MODE_8K_MONO_16BIT), QWVOICE_OK);
    for (int32_t mode : {0, 1, 2, 4, -3}) {
        EXPECT_EQ(c.reset(state_.get(), mode), QWVOICE_ERR_MODE) << mode;
    }
    EXPECT_EQ(c.reset(nullptr, QWVOICE_MODE_8K_MONO_16BIT), QWVOICE_ERR_PARAM);
    c.destroy(nullptr);
}

TEST(VoiceEngineLoading, MissingComponentFailsCleanly) {
    platform::SharedLibrary library;
    EXPECT_FALSE(library.Load(platform::ModuleFolderOf(&kAnchor), "qw_voice_engine_missing"));
    EXPECT_FALSE(library.Error().empty());
    EXPECT_EQ(library.Symbol("QW_VOICE_EncodeFrame"), nullptr);
}

}  // namespace
