#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash_packet.h"
#include "upgrade_fleet.h"

namespace kestrel::flash {
namespace {

PacketBytes Encode(const FlashPacket& packet) {
    PacketBytes bytes{};
    EXPECT_EQ(EncodePacket(packet, &bytes), PacketResult::kOk);
    return bytes;
}

std::vector<uint8_t> Head(const PacketBytes& bytes, size_t count) {
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + count);
}

TEST(FlashPacket, SearchRequestIsCommandAndZeros) {
    PacketBytes bytes = Encode(MakeSearchRequest());
    EXPECT_EQ(Head(bytes, 4), (std::vector<uint8_t>{0, 0, 0x07, 0xD2}));
    for (size_t i = 4; i < kPacketBytes; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
}

TEST(FlashPacket, UpgradeRequestLengthIsLittleEndianAndSizeBigEndian) {
    const std::string name = "Qw6100V100R003B010_T091128T091128T091128T091128T091128.sw";
    FlashPacket request;
    ASSERT_EQ(MakeUpgradeRequest(0x01020304, name, &request), PacketResult::kOk);
    PacketBytes bytes = Encode(request);
    EXPECT_EQ(Head(bytes, 12), (std::vector<uint8_t>{0, 0, 0x07, 0xD0, 0x84, 0, 0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 12 + name.size()), name);
    for (size_t i = 12 + name.size(); i < kPacketBytes; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }

    FlashPacket decoded;
    ASSERT_EQ(DecodePacket(bytes.data(), bytes.size(), &decoded), PacketResult::kOk);
    EXPECT_EQ(decoded.length, kUpgradeRequestLength);
    EXPECT_EQ(UpgradeRequestImageSize(decoded), 0x01020304u);
    EXPECT_EQ(UpgradeRequestImageName(decoded), name);

    // A big-endian 132 is not an upgrade request the recorders would accept.
    WriteBE32(bytes.data() + 4, kUpgradeRequestLength);
    EXPECT_EQ(DecodePacket(bytes.data(), bytes.size(), &decoded), PacketResult::kBadLength);
}

TEST(FlashPacket, UpgradeRequestNameKeepsRoomForItsTerminator) {
    FlashPacket request;
    EXPECT_EQ(MakeUpgradeRequest(1, std::string(127, 'a'), &request), PacketResult::kOk);
    EXPECT_EQ(MakeUpgradeRequest(1, std::string(128, 'a'), &request), PacketResult::kNameTooLong);
}

TEST(FlashPacket, DataChunkBoundsOnBothSides) {
    std::vector<uint8_t> data(kPayloadBytes + 1, 0xAB);
    FlashPacket chunk;
    EXPECT_EQ(MakeDataChunk(data.data(), 0, &chunk), PacketResult::kChunkSizeRange);
    EXPECT_EQ(MakeDataChunk(data.data(), kPayloadBytes + 1, &chunk), PacketResult::kChunkSizeRange);
    ASSERT_EQ(MakeDataChunk(data.data(), 1, &chunk), PacketResult::kOk);
    PacketBytes bytes = Encode(chunk);
    EXPECT_EQ(Head(bytes, 10), (std::vector<uint8_t>{0, 0, 0x0B, 0xB8, 0, 0, 0, 1, 0xAB, 0}));

    FlashPacket decoded;
    for (uint32_t bad : {0u, 1025u, 0xFFFFFFFFu}) {
        WriteBE32(bytes.data() + 4, bad);
        EXPECT_EQ(DecodePacket(bytes.data(), bytes.size(), &decoded), PacketResult::kChunkSizeRange)
            << bad;
        chunk.length = bad;
        EXPECT_EQ(EncodePacket(chunk, &bytes), PacketResult::kChunkSizeRange) << bad;
    }
}

TEST(FlashPacket, DecodeTakesExactlyOnePacket) {
    PacketBytes bytes = Encode(MakeStatusReply(FlashCommand::kDataReply, 6));
    FlashPacket decoded;
    EXPECT_EQ(DecodePacket(bytes.data(), kPacketBytes - 1, &decoded), PacketResult::kWrongSize);
    EXPECT_EQ(DecodePacket(nullptr, kPacketBytes, &decoded), PacketResult::kWrongSize);
    ASSERT_EQ(DecodePacket(bytes.data(), kPacketBytes, &decoded), PacketResult::kOk);
    EXPECT_TRUE(decoded.Is(FlashCommand::kDataReply));
    EXPECT_EQ(decoded.Status(), 6u);
    EXPECT_EQ(bytes[11], 6);

    // Commands the tool does not know are decoded for the caller to skip.
    WriteBE32(bytes.data(), 4242);
    WriteBE32(bytes.data() + 4, 0xFFFFFFFF);
    ASSERT_EQ(DecodePacket(bytes.data(), kPacketBytes, &decoded), PacketResult::kOk);
    EXPECT_EQ(decoded.command, 4242u);
}

TEST(UploadStep, EachReplyDecidesTheUploadsNextMove) {
    const PacketBytes ok = Encode(MakeStatusReply(FlashCommand::kDataReply, 0));
    UploadStep step = NextUploadStep(ok, 2048, 2500);
    EXPECT_EQ(step.kind, UploadStep::Kind::kSendChunk);
    EXPECT_EQ(step.chunk_size, 452u) << "the last chunk holds only what is left";
    EXPECT_EQ(NextUploadStep(ok, 0, 2500).chunk_size, kPayloadBytes);
    EXPECT_EQ(NextUploadStep(ok, 2500, 2500).kind, UploadStep::Kind::kComplete);

    step = NextUploadStep(Encode(MakeStatusReply(FlashCommand::kUpgradeReply, 6)), 2500, 2500);
    EXPECT_EQ(step.kind, UploadStep::Kind::kVerdict);
    EXPECT_TRUE(step.upgrading);
    EXPECT_FALSE(
        NextUploadStep(Encode(MakeStatusReply(FlashCommand::kDataReply, 3)), 0, 2500).upgrading);
    EXPECT_EQ(NextUploadStep(Encode(MakeStatusReply(FlashCommand::kUploadEnd, 0)), 0, 1).kind,
              UploadStep::Kind::kEnd);
    EXPECT_EQ(NextUploadStep(Encode(MakeStatusReply(FlashCommand::kSearchReply, 0)), 0, 1).kind,
              UploadStep::Kind::kFailed)
        << "a stray command ends the upload";
}

}  // namespace
}  // namespace kestrel::flash
