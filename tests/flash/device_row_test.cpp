#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device_row.h"
#include "flash_packet.h"
#include "image_name.h"

namespace kestrel::flash {
namespace {

const std::string kImage = "Qw6100V100R003B010_V000002V000002V000002V000002V000002.sw";

// A reply from a recorder at 127.1.2.<last> running "V000001" everywhere.
PacketBytes Reply(uint8_t last, uint32_t busy = 0) {
    FlashPacket packet;
    packet.command = static_cast<uint32_t>(FlashCommand::kSearchReply);
    uint8_t* block = packet.payload.data();
    block[0] = last;
    block[1] = 2;
    block[2] = 1;
    block[3] = 127;
    WriteLE32(block + 4, 5);
    WriteBE32(block + 8, busy);
    for (size_t offset : {12, 36, 60, 84, 108}) {
        std::memcpy(block + offset, "V000001", 7);
    }
    PacketBytes bytes{};
    EncodePacket(packet, &bytes);
    return bytes;
}

TEST(DeviceRows, RepliesBecomeRowsInArrivalOrder) {
    std::vector<DeviceRow> rows;
    PacketBytes first = Reply(7);
    PacketBytes busy = Reply(8, 1);
    PacketBytes other = Reply(9);
    WriteBE32(other.data(), static_cast<uint32_t>(FlashCommand::kSearchRequest));
    // A data chunk with an impossible length is foreign traffic, not the end.
    PacketBytes bad_chunk = Reply(9);
    WriteBE32(bad_chunk.data(), static_cast<uint32_t>(FlashCommand::kDataChunk));

    EXPECT_EQ(AddSearchDatagram(first.data(), first.size(), kImage, &rows), SearchStep::kAdded);
    EXPECT_EQ(AddSearchDatagram(other.data(), other.size(), kImage, &rows), SearchStep::kIgnored);
    EXPECT_EQ(AddSearchDatagram(bad_chunk.data(), bad_chunk.size(), kImage, &rows),
              SearchStep::kIgnored);
    EXPECT_EQ(AddSearchDatagram(busy.data(), busy.size(), kImage, &rows), SearchStep::kAdded);
    EXPECT_EQ(AddSearchDatagram(first.data(), first.size(), kImage, &rows), SearchStep::kAdded);
    EXPECT_EQ(AddSearchDatagram(first.data(), first.size() - 1, kImage, &rows), SearchStep::kEnd);
    ASSERT_EQ(rows.size(), 3u);

    EXPECT_EQ(rows[0].ip, "127.1.2.7");
    EXPECT_EQ(rows[0].state, "Upgrade Permission");
    EXPECT_EQ(rows[0].comment, "");
    EXPECT_EQ(rows[0].colour, kColourDarkBlue);
    EXPECT_TRUE(rows[0].permitted && rows[0].idle && rows[0].finished && !rows[0].ticked);

    EXPECT_EQ(rows[1].ip, "127.1.2.8");
    EXPECT_EQ(rows[1].state, "Upgrade Refused");
    EXPECT_EQ(rows[1].comment, "Current device is upgrading");
    EXPECT_TRUE(rows[1].busy && !rows[1].permitted);

    EXPECT_EQ(rows[2].ip, rows[0].ip);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].index, i);
    }
}

TEST(DeviceRows, SameVersionsAreRefused) {
    std::vector<DeviceRow> rows;
    PacketBytes reply = Reply(1);
    std::string same = kImage;
    for (int i = 0; i < 5; ++i) {
        same.replace(19 + 7 * i, 7, "V000001");
    }
    ASSERT_EQ(AddSearchDatagram(reply.data(), reply.size(), same, &rows), SearchStep::kAdded);
    EXPECT_EQ(rows[0].state, "Upgrade Refused");
    EXPECT_EQ(rows[0].comment, "The same system version");
    EXPECT_EQ(rows[0].colour, kColourRed);
    EXPECT_FALSE(rows[0].permitted || rows[0].busy);
}

}  // namespace
}  // namespace kestrel::flash
