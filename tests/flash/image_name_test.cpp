#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "flash_packet.h"
#include "image_name.h"

namespace kestrel::flash {
namespace {

const std::string kFive = "Qw6100V100R003B010_T091128T091128T091128T091128T091128.sw";
const std::string kEight =
    "Qw6200V100R003B010_T091128T091128T091128T091128T091128T091128T091128T091128.sw";

TEST(ImageName, AcceptsOnlyTheExactFamilyShapes) {
    EXPECT_TRUE(IsValidImageName(kFive));
    EXPECT_TRUE(IsValidImageName(kEight));

    std::string longer = kFive;
    longer.insert(longer.size() - 3, "1");
    std::string five_prefix_eight = "Qw6100" + kEight.substr(6);
    std::string letter_last = kFive;
    letter_last[19 + 6] = 'X';
    std::string wrong_prefix = kFive;
    wrong_prefix[17] = '1';
    std::string wrong_suffix = kFive;
    wrong_suffix.back() = 'x';
    for (const std::string& name : {std::string(), longer, five_prefix_eight, letter_last,
                                    wrong_prefix, wrong_suffix, std::string(128, 'Q')}) {
        EXPECT_FALSE(IsValidImageName(name)) << name;
    }
}

TEST(ImageName, SplitsAfterTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(ImageFileName("/tmp/a\\b/" + kFive), kFive);
    EXPECT_EQ(ImageFileName("C:\\images/x\\" + kFive), kFive);
    EXPECT_EQ(ImageFileName(kFive), kFive);

    std::string name = kEight;
    name.replace(19 + 7 * 7, 7, "V123456");
    ImageSegments segments;
    ASSERT_TRUE(SplitImageName(name, &segments));
    EXPECT_EQ(segments.count, 8);
    EXPECT_EQ(segments.Segment(0), "T091128");
    EXPECT_EQ(segments.Segment(7), "V123456");
    EXPECT_EQ(segments.slots[7][7], '\0');
    EXPECT_TRUE(segments.Segment(8).empty());
    EXPECT_FALSE(SplitImageName(kFive + "x", &segments));
}

TEST(ImageName, SegmentComparison) {
    EXPECT_TRUE(IsNewerSegment("V091128", "V091129"));
    EXPECT_FALSE(IsNewerSegment("V091129", "V091128"));
    EXPECT_FALSE(IsNewerSegment("V091128", "V091128"));
    EXPECT_FALSE(IsNewerSegment("T091128", "T091128"));
    EXPECT_TRUE(IsNewerSegment("T091128", "T091127"));
    EXPECT_TRUE(IsNewerSegment("T091127", "T091128"));
    EXPECT_TRUE(IsNewerSegment("T091128", "V000000"));
    EXPECT_TRUE(IsNewerSegment("V999999", "T000000"));
    for (const char* bad : {"", "V09112", "V0911280", "X091128", "V09112a"}) {
        EXPECT_FALSE(IsNewerSegment(bad, "V999999")) << bad;
        EXPECT_FALSE(IsNewerSegment("V000000", bad)) << bad;
    }
}

class MayUpgradeTest : public ::testing::Test {
protected:
    static constexpr size_t kOffsets[8] = {36, 60, 84, 12, 108, 132, 156, 180};

    // An eight-segment image whose segment i is "V00000<i+1>", and a block
    // whose fields hold exactly those versions.
    void SetUp() override {
        image_ = "Qw6200V100R003B010_";
        for (int i = 0; i < 8; ++i) {
            image_ += "V00000" + std::to_string(i + 1);
        }
        image_ += ".sw";
        for (int i = 0; i < 8; ++i) {
            SetField(kOffsets[i], image_.substr(19 + 7 * i, 7));
        }
        SetCount(8);
    }
    void SetField(size_t offset, const std::string& text) {
        std::memset(block_.data() + offset, 0, kVersionFieldBytes);
        std::memcpy(block_.data() + offset, text.data(), text.size());
    }
    void SetCount(uint32_t count) { WriteLE32(block_.data() + 4, count); }
    bool May() const { return MayUpgrade(block_.data(), block_.size(), image_); }

    std::string image_;
    std::array<uint8_t, kRecorderBlockBytes> block_{};
};

TEST_F(MayUpgradeTest, ComparesEachFieldWithItsSegment) {
    EXPECT_FALSE(May());
    for (int i = 0; i < 8; ++i) {
        SetField(kOffsets[i], "V000000");
        EXPECT_TRUE(May()) << kOffsets[i];
        SetField(kOffsets[i], image_.substr(19 + 7 * i, 7));
    }
}

TEST_F(MayUpgradeTest, OnlyACountOfEightComparesTheLastThree) {
    SetField(180, "V000000");
    for (uint32_t count : {5u, 0u, 7u, 0x08000000u}) {
        SetCount(count);
        EXPECT_FALSE(May()) << count;
    }
    SetCount(8);
    EXPECT_TRUE(May());
}

TEST_F(MayUpgradeTest, RefusesShortBlocksBadNamesAndUnterminatedFields) {
    SetField(36, "V000000");
    EXPECT_TRUE(MayUpgrade(block_.data(), block_.size(), "/images/" + image_));
    EXPECT_FALSE(MayUpgrade(block_.data(), kRecorderBlockBytes - 1, image_));
    EXPECT_FALSE(MayUpgrade(nullptr, kRecorderBlockBytes, image_));
    EXPECT_FALSE(MayUpgrade(block_.data(), block_.size(), image_ + "x"));
    // A field filled to its end is read as 24 characters, an invalid version.
    std::memset(block_.data() + 36, 'V', kVersionFieldBytes);
    EXPECT_FALSE(May());
}

}  // namespace
}  // namespace kestrel::flash
