// Talk packets as the capture side builds them.
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "talk_packet.h"

namespace kestrel::media {
namespace {

std::vector<uint8_t> Frame(size_t n) {
    std::vector<uint8_t> frame(n);
    std::iota(frame.begin(), frame.end(), uint8_t{1});  // no zero byte among them
    return frame;
}

std::vector<uint8_t> Build(const std::vector<uint8_t>& frame) {
    std::array<uint8_t, 600> out{};
    out.fill(0xEE);  // padding must be written, not left over
    const size_t length = BuildTalkPacket(frame, out);
    return {out.begin(), out.begin() + static_cast<ptrdiff_t>(length)};
}

TEST(TalkPacket, HeaderFrameAndZeroPaddingToAMultipleOfEight) {
    struct Case {
        size_t frame;
        size_t packet;
    };
    for (const Case c : {Case{38, 48}, Case{40, 48}, Case{41, 56}, Case{324, 336}, Case{1, 16}}) {
        SCOPED_TRACE(c.frame);
        const std::vector<uint8_t> frame = Frame(c.frame);
        const std::vector<uint8_t> packet = Build(frame);
        ASSERT_EQ(packet.size(), c.packet);
        EXPECT_EQ(TalkPacketSize(c.frame), c.packet);
        EXPECT_EQ(packet[0], '0');
        EXPECT_EQ(packet[1], '3');
        EXPECT_EQ(packet[2], 'w');
        EXPECT_EQ(packet[3], 'b');
        EXPECT_EQ(packet[4] | packet[5] << 8, static_cast<int>(c.frame));  // block size
        EXPECT_EQ(packet[6] | packet[7] << 8, static_cast<int>(c.frame));  // payload length
        EXPECT_TRUE(std::equal(frame.begin(), frame.end(), packet.begin() + 8));
        for (size_t i = 8 + c.frame; i < packet.size(); ++i) {
            EXPECT_EQ(packet[i], 0) << "padding byte " << i;
        }
    }
}

TEST(TalkPacket, RefusesWhatDoesNotFit) {
    std::array<uint8_t, 47> short_out{};
    EXPECT_EQ(BuildTalkPacket(Frame(38), short_out), 0u);
    std::array<uint8_t, 64> out{};
    EXPECT_EQ(BuildTalkPacket({}, out), 0u);
    std::vector<uint8_t> huge(0x10000);
    std::vector<uint8_t> big_out(0x10010);
    EXPECT_EQ(BuildTalkPacket(huge, big_out), 0u);  // the length fields are 16 bits
}

}  // namespace
}  // namespace kestrel::media
