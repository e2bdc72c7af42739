#include "device_row.h"

#include <cstdio>

#include "flash_packet.h"
#include "image_name.h"

namespace kestrel::flash {

namespace {
constexpr size_t kBusyOffset = 8;
}  // namespace

std::string RecorderAddress(const uint8_t* block) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", block[3], block[2], block[1], block[0]);
    return text;
}

DeviceRow MakeDeviceRow(const uint8_t* block, size_t block_length, std::string_view image_name,
                        int index) {
    DeviceRow row;
    row.index = index;
    if (block == nullptr || block_length < kRecorderBlockBytes) {
        row.state = "Upgrade Refused";
        row.comment = "The same system version";
        row.colour = kColourRed;
        return row;
    }
    row.ip = RecorderAddress(block);
    if (ReadBE32(block + kBusyOffset) != 0) {
        row.state = "Upgrade Refused";
        row.comment = "Current device is upgrading";
        row.colour = kColourRed;
        row.busy = true;
    } else if (MayUpgrade(block, block_length, image_name)) {
        row.state = "Upgrade Permission";
        row.colour = kColourDarkBlue;
        row.permitted = true;
    } else {
        row.state = "Upgrade Refused";
        row.comment = "The same system version";
        row.colour = kColourRed;
    }
    return row;
}

SearchStep AddSearchDatagram(const uint8_t* datagram, size_t size, std::string_view image_name,
                             std::vector<DeviceRow>* rows) {
    if (datagram == nullptr || size != kPacketBytes) {
        return SearchStep::kEnd;
    }
    // Other traffic on the port may carry lengths the codec refuses; it is
    // skipped like any other command.
    FlashPacket packet;
    if (DecodePacket(datagram, size, &packet) != PacketResult::kOk ||
        !packet.Is(FlashCommand::kSearchReply)) {
        return SearchStep::kIgnored;
    }
    rows->push_back(MakeDeviceRow(packet.payload.data(), packet.payload.size(), image_name,
                                  static_cast<int>(rows->size())));
    return SearchStep::kAdded;
}

}  // namespace kestrel::flash
