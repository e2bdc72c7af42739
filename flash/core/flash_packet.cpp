#include "flash_packet.h"

#include <cstring>

namespace kestrel::flash {

namespace {

bool LengthIsLittleEndian(uint32_t command) {
    return command == static_cast<uint32_t>(FlashCommand::kUpgradeRequest);
}

PacketResult CheckLength(uint32_t command, uint32_t length) {
    switch (static_cast<FlashCommand>(command)) {
        case FlashCommand::kUpgradeRequest:
            return length == kUpgradeRequestLength ? PacketResult::kOk : PacketResult::kBadLength;
        case FlashCommand::kDataChunk:
            return length >= 1 && length <= kPayloadBytes ? PacketResult::kOk
                                                          : PacketResult::kChunkSizeRange;
        default:
            return PacketResult::kOk;
    }
}

}  // namespace

const char* PacketResultText(PacketResult result) {
    switch (result) {
        case PacketResult::kOk:
            return "ok";
        case PacketResult::kWrongSize:
            return "packet is not 1032 bytes long";
        case PacketResult::kBadLength:
            return "length field out of range for the command";
        case PacketResult::kNameTooLong:
            return "image name longer than 127 characters";
        case PacketResult::kChunkSizeRange:
            return "data chunk size not within 1 to 1024 bytes";
    }
    return "unknown packet result";
}

uint32_t ReadBE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

uint32_t ReadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[0]);
}

void WriteBE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[3 - i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void WriteLE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t FlashPacket::Status() const {
    return ReadBE32(payload.data());
}

PacketResult EncodePacket(const FlashPacket& packet, PacketBytes* out) {
    PacketResult result = CheckLength(packet.command, packet.length);
    if (result != PacketResult::kOk) {
        return result;
    }
    WriteBE32(out->data(), packet.command);
    if (LengthIsLittleEndian(packet.command)) {
        WriteLE32(out->data() + 4, packet.length);
    } else {
        WriteBE32(out->data() + 4, packet.length);
    }
    std::memcpy(out->data() + kPacketHeaderBytes, packet.payload.data(), kPayloadBytes);
    return PacketResult::kOk;
}

PacketResult DecodePacket(const uint8_t* data, size_t size, FlashPacket* out) {
    if (data == nullptr || size != kPacketBytes) {
        return PacketResult::kWrongSize;
    }
    uint32_t command = ReadBE32(data);
    uint32_t length = LengthIsLittleEndian(command) ? ReadLE32(data + 4) : ReadBE32(data + 4);
    PacketResult result = CheckLength(command, length);
    if (result != PacketResult::kOk) {
        return result;
    }
    out->command = command;
    out->length = length;
    std::memcpy(out->payload.data(), data + kPacketHeaderBytes, kPayloadBytes);
    return PacketResult::kOk;
}

FlashPacket MakeSearchRequest() {
    FlashPacket packet;
    packet.command = static_cast<uint32_t>(FlashCommand::kSearchRequest);
    return packet;
}

PacketResult MakeUpgradeRequest(uint32_t image_size, std::string_view image_name,
                                FlashPacket* out) {
    // The recorder reads the name as C text: keep room for its NUL.
    if (image_name.size() >= kImageNameFieldBytes) {
        return PacketResult::kNameTooLong;
    }
    FlashPacket packet;
    packet.command = static_cast<uint32_t>(FlashCommand::kUpgradeRequest);
    packet.length = kUpgradeRequestLength;
    WriteBE32(packet.payload.data(), image_size);
    std::memcpy(packet.payload.data() + 4, image_name.data(), image_name.size());
    *out = packet;
    return PacketResult::kOk;
}

PacketResult MakeDataChunk(const uint8_t* data, size_t size, FlashPacket* out) {
    if (data == nullptr || size == 0 || size > kPayloadBytes) {
        return PacketResult::kChunkSizeRange;
    }
    FlashPacket packet;
    packet.command = static_cast<uint32_t>(FlashCommand::kDataChunk);
    packet.length = static_cast<uint32_t>(size);
    std::memcpy(packet.payload.data(), data, size);
    *out = packet;
    return PacketResult::kOk;
}

FlashPacket MakeStatusReply(FlashCommand command, uint32_t status) {
    FlashPacket packet;
    packet.command = static_cast<uint32_t>(command);
    packet.length = 4;
    WriteBE32(packet.payload.data(), status);
    return packet;
}

uint32_t UpgradeRequestImageSize(const FlashPacket& packet) {
    return ReadBE32(packet.payload.data());
}

std::string UpgradeRequestImageName(const FlashPacket& packet) {
    const char* name = reinterpret_cast<const char*>(packet.payload.data() + 4);
    return std::string(name, strnlen(name, kImageNameFieldBytes));
}

}  // namespace kestrel::flash
