// The upgrade tool's wire unit: every datagram and every TCP message is
// exactly 1032 bytes, a command word, a length word and a 1024-byte payload.
// Words are big-endian, except the length of an upgrade request, which the
// recorders read little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::flash {

constexpr size_t kPacketBytes = 1032;
constexpr size_t kPacketHeaderBytes = 8;
constexpr size_t kPayloadBytes = kPacketBytes - kPacketHeaderBytes;

enum class FlashCommand : uint32_t {
    kUpgradeRequest = 2000,
    kUpgradeReply = 2001,
    kSearchRequest = 2002,
    kSearchReply = 2003,
    kDataChunk = 3000,
    kDataReply = 3001,
    kUploadEnd = 3002,
};

// Upgrade request payload: image size, then the image file name.
constexpr uint32_t kUpgradeRequestLength = 132;
constexpr size_t kImageNameFieldBytes = 128;

enum class PacketResult {
    kOk,
    kWrongSize,       // the buffer is not exactly one packet long
    kBadLength,       // the length word is out of range for the command
    kNameTooLong,     // the image name leaves no room for its NUL
    kChunkSizeRange,  // a data chunk must carry 1 to 1024 bytes
};

const char* PacketResultText(PacketResult result);

using PacketBytes = std::array<uint8_t, kPacketBytes>;

struct FlashPacket {
    uint32_t command = 0;
    uint32_t length = 0;  // host order; the codec applies the command's byte order
    std::array<uint8_t, kPayloadBytes> payload{};

    bool Is(FlashCommand c) const { return command == static_cast<uint32_t>(c); }
    // The recorder's status word at the start of a reply's payload.
    uint32_t Status() const;
};

// Encodes into out; refuses lengths the command cannot carry.
PacketResult EncodePacket(const FlashPacket& packet, PacketBytes* out);
// Decodes exactly kPacketBytes bytes. Lengths are checked only for the
// commands that use them (upgrade request and data chunk); other commands are
// decoded whatever their length says, so callers can ignore them.
PacketResult DecodePacket(const uint8_t* data, size_t size, FlashPacket* out);

FlashPacket MakeSearchRequest();
PacketResult MakeUpgradeRequest(uint32_t image_size, std::string_view image_name, FlashPacket* out);
PacketResult MakeDataChunk(const uint8_t* data, size_t size, FlashPacket* out);
// A recorder's reply (upgrade reply, data reply, upload end) with a status.
FlashPacket MakeStatusReply(FlashCommand command, uint32_t status);

// Fields of a decoded upgrade request (recorder side).
uint32_t UpgradeRequestImageSize(const FlashPacket& packet);
std::string UpgradeRequestImageName(const FlashPacket& packet);

uint32_t ReadBE32(const uint8_t* p);
uint32_t ReadLE32(const uint8_t* p);
void WriteBE32(uint8_t* p, uint32_t value);
void WriteLE32(uint8_t* p, uint32_t value);

}  // namespace kestrel::flash
