// The test media and the model table the simulator streams from.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <string>

#include "platform/paths.h"
#include "sim/media_clip.h"
#include "sim/media_set.h"
#include "sim/model_identity.h"
#include "sim/recorder_config.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::MediaClip;
using sim_test::Bytes;

std::string MediaPath(const std::string& name) {
    return platform::JoinPath(kestrel::sim::RecorderConfig::DefaultMediaFolder(), name);
}

size_t FramesInFramemd5(const std::string& path) {
    std::ifstream in(path);
    size_t frames = 0;
    for (std::string line; std::getline(in, line);) {
        frames += !line.empty() && line[0] != '#';
    }
    return frames;
}

bool StartsWithDelimiter(std::span<const uint8_t> unit) {
    const Bytes four{0, 0, 0, 1, 9};
    const Bytes three{0, 0, 1, 9};
    auto starts = [&](const Bytes& prefix) {
        return unit.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), unit.begin());
    };
    return starts(four) || starts(three);
}

TEST(MediaClip, EachClipSplitsIntoOneAccessUnitPerReferenceFrame) {
    for (const char* name : {"clip_d1", "clip_cif"}) {
        SCOPED_TRACE(name);
        std::string error;
        const auto clip = MediaClip::Load(MediaPath(std::string(name) + ".h264"), &error);
        ASSERT_TRUE(clip) << error;
        const size_t frames = FramesInFramemd5(MediaPath(std::string(name) + ".framemd5"));
        EXPECT_EQ(frames, 100u);
        EXPECT_EQ(clip->AccessUnitCount(), frames);
        Bytes joined;
        for (size_t i = 0; i < clip->AccessUnitCount(); ++i) {
            const auto unit = clip->AccessUnit(i);
            EXPECT_TRUE(StartsWithDelimiter(unit)) << "unit " << i;
            joined.insert(joined.end(), unit.begin(), unit.end());
        }
        EXPECT_TRUE(
            std::equal(joined.begin(), joined.end(), clip->Bytes().begin(), clip->Bytes().end()))
            << "the units do not cover the file exactly";
    }
}

TEST(MediaClip, SplitKeepsLeadingBytesAndBothStartCodeLengths) {
    // junk, AUD with a 4-byte start code, slice, AUD with a 3-byte start code, slice
    const Bytes stream{0xAA, 0, 0, 0, 1,    0x09, 0xF0, 0, 0, 1,    0x41,
                       0x11, 0, 0, 1, 0x09, 0xF0, 0,    0, 1, 0x41, 0x22};
    const auto units = kestrel::sim::SplitAtAccessUnitDelimiters(stream);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].offset, 0u);
    EXPECT_EQ(units[0].length, 12u);
    EXPECT_EQ(units[1].offset, 12u);
    EXPECT_EQ(units[1].length, 10u);

    std::string error;
    EXPECT_FALSE(MediaClip::FromBytes(Bytes{0, 0, 1, 0x41, 0x11, 0, 0, 1, 0x65}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MediaClip::FromBytes(Bytes{}, &error));
}

TEST(MediaClip, ToneIsAThousandHertzSineAtHalfScale) {
    std::string error;
    const auto media =
        kestrel::sim::MediaSet::Load(kestrel::sim::RecorderConfig::DefaultMediaFolder(), &error);
    ASSERT_TRUE(media) << error;
    ASSERT_EQ(media->tone.size(), 32000u);
    // G.711 mu-law expansion, independent of any encoder.
    auto expand = [](uint8_t code) {
        code = static_cast<uint8_t>(~code);
        const int magnitude = ((((code & 0x0F) << 3) + 0x84) << ((code >> 4) & 7)) - 0x84;
        return (code & 0x80 ? -magnitude : magnitude) / 32768.0;
    };
    double peak = 0;
    for (size_t i = 0; i + 8 < media->tone.size(); ++i) {
        const double sample = expand(media->tone[i]);
        peak = std::max(peak, std::abs(sample));
        // 8000 Hz / 1000 Hz: the wave repeats every 8 samples.
        EXPECT_NEAR(sample, expand(media->tone[i + 8]), 0.02) << "sample " << i;
    }
    EXPECT_NEAR(peak, 0.5, 0.03);
}

TEST(ModelIdentity, RowsAreUniqueAndTheirCodesFitTheHeader) {
    std::set<std::pair<int, int>> pairs;
    std::set<uint16_t> numbers;
    std::set<std::string_view> codes;
    for (const auto& identity : kestrel::sim::ModelIdentities()) {
        EXPECT_TRUE(pairs.insert({identity.family, identity.model}).second);
        EXPECT_TRUE(numbers.insert(identity.model_number).second) << identity.model_code;
        EXPECT_TRUE(codes.insert(identity.model_code).second) << identity.model_code;
        EXPECT_EQ(identity.model_code.size(), kestrel::sim::kModelCodeLength);
        for (char c : identity.model_code) {
            EXPECT_TRUE(c > ' ' && c < 0x7F) << identity.model_code;
        }
        EXPECT_TRUE(identity.type_name.starts_with("DVR_") &&
                    identity.type_name.ends_with("_TYPE"));
        EXPECT_TRUE(identity.subtype_name.starts_with("DVR_SUB_"));
        EXPECT_TRUE(identity.channel_count == 1 || identity.channel_count == 4 ||
                    identity.channel_count == 8 || identity.channel_count == 16);
        EXPECT_EQ(kestrel::sim::FindModelIdentity(identity.family, identity.model), &identity);
    }
    EXPECT_EQ(kestrel::sim::FindModelIdentity(0x42, 0x13), nullptr);
}

}  // namespace
