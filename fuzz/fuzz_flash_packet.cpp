// Fuzzes the upgrade tool's handling of what recorders send. The first byte
// chooses the path (bits 0-1) and the image name a search judges against
// (bits 2-3):
//   0: a search datagram (the rest, as received, any size) and its recorder
//      block on its own, in an exact-size buffer so that a version text
//      without its NUL cannot be read past;
//   1: an upload reply: 4 bytes of sent count and 4 of image size (both
//      little-endian), then the packet, zero-padded to 1032 bytes;
//   2: an image file name (the rest, as text).
// Packets the codec takes must encode back to the same bytes; rows, upload
// steps and segments must stay within what they describe.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device_row.h"
#include "flash_packet.h"
#include "fuzz_entry.h"
#include "image_name.h"
#include "upgrade_fleet.h"

namespace {

using namespace kestrel::flash;

constexpr size_t kMaxAddressChars = 15;  // four numbers of three digits and their dots

constexpr std::string_view kImageNames[] = {
    "Qw6100V100R003B010_V100001V100002V100003V100004V100005.sw",
    "/images/Qw6200V100R003B010_T100001V100002V100003V100004V100005V100006V100007V100008.sw",
    "C:\\images\\Qw6100V100R003B010_T999999T999999T999999T999999T999999.sw",
    "not-an-image.bin",
};

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A packet the codec takes encodes back to the bytes it came from.
void CheckRoundTrip(const uint8_t* bytes) {
    FlashPacket packet;
    if (DecodePacket(bytes, kPacketBytes, &packet) != PacketResult::kOk) {
        return;
    }
    PacketBytes again{};
    Check(EncodePacket(packet, &again) == PacketResult::kOk);
    Check(std::memcmp(again.data(), bytes, kPacketBytes) == 0);
    if (packet.Is(FlashCommand::kUpgradeRequest)) {
        Check(UpgradeRequestImageName(packet).size() <= kImageNameFieldBytes);
    }
}

void CheckRow(const DeviceRow& row, const uint8_t* block, size_t block_length,
              std::string_view image_name) {
    Check(!row.state.empty() && row.ip.size() <= kMaxAddressChars);
    Check(!(row.permitted && row.busy));
    if (block_length < kRecorderBlockBytes) {
        Check(!row.permitted && !row.busy && row.ip.empty());
        return;
    }
    Check(row.ip == RecorderAddress(block));
    Check(row.busy == (ReadBE32(block + 8) != 0));
    Check(row.permitted == (!row.busy && MayUpgrade(block, block_length, image_name)));
}

void FuzzSearch(const uint8_t* data, size_t size, std::string_view image_name) {
    // The datagram as the search receives it.
    std::vector<DeviceRow> rows(3);
    const SearchStep step = AddSearchDatagram(data, size, image_name, &rows);
    FlashPacket packet;
    const bool reply = size == kPacketBytes &&
                       DecodePacket(data, size, &packet) == PacketResult::kOk &&
                       packet.Is(FlashCommand::kSearchReply);
    if (size != kPacketBytes) {
        Check(step == SearchStep::kEnd && rows.size() == 3);
    } else if (!reply) {
        Check(step == SearchStep::kIgnored && rows.size() == 3);
    } else {
        Check(step == SearchStep::kAdded && rows.size() == 4 && rows.back().index == 3);
        CheckRow(rows.back(), data + kPacketHeaderBytes, kPayloadBytes, image_name);
    }
    if (size == kPacketBytes) {
        CheckRoundTrip(data);
    }

    // The recorder block alone, cut short when the input is.
    const size_t block_at = std::min(size, kPacketHeaderBytes);
    const size_t block_length = std::min(size - block_at, kRecorderBlockBytes);
    auto block = std::make_unique<uint8_t[]>(block_length);
    std::memcpy(block.get(), data + block_at, block_length);
    const DeviceRow row = MakeDeviceRow(block.get(), block_length, image_name, 7);
    Check(row.index == 7);
    CheckRow(row, block.get(), block_length, image_name);
}

void FuzzUploadReply(const uint8_t* data, size_t size) {
    if (size < 8) {
        return;
    }
    const size_t image_size = Le32(data + 4) & 0xFFFFFF;
    const size_t sent = Le32(data) % (image_size + 1);
    PacketBytes received{};
    std::memcpy(received.data(), data + 8, std::min(size - 8, kPacketBytes));
    CheckRoundTrip(received.data());

    const UploadStep step = NextUploadStep(received, sent, image_size);
    FlashPacket packet;
    const bool decoded =
        DecodePacket(received.data(), received.size(), &packet) == PacketResult::kOk;
    const bool reply =
        decoded && (packet.Is(FlashCommand::kUpgradeReply) || packet.Is(FlashCommand::kDataReply));
    switch (step.kind) {
        case UploadStep::Kind::kEnd:
            Check(decoded && packet.Is(FlashCommand::kUploadEnd));
            break;
        case UploadStep::Kind::kFailed:
            Check(!reply && !(decoded && packet.Is(FlashCommand::kUploadEnd)));
            break;
        case UploadStep::Kind::kVerdict:
            Check(reply && packet.Status() != 0);
            Check(step.verdict.state != nullptr && step.verdict.comment != nullptr);
            Check(step.upgrading == (packet.Status() == 6));
            break;
        case UploadStep::Kind::kSendChunk:
            Check(reply && packet.Status() == 0);
            Check(step.chunk_size >= 1 && step.chunk_size <= kPayloadBytes &&
                  sent + step.chunk_size <= image_size);
            break;
        case UploadStep::Kind::kComplete:
            Check(reply && packet.Status() == 0 && sent >= image_size);
            break;
    }
}

void FuzzImageName(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view name = ImageFileName(text);
    Check(name.size() <= text.size());
    ImageSegments segments;
    if (!SplitImageName(name, &segments)) {
        Check(segments.count == 0);
        return;
    }
    Check(segments.count == 5 || segments.count == kMaxSegments);
    for (int i = 0; i < segments.count; ++i) {
        Check(IsValidSegment(segments.Segment(i)));
        Check(!IsNewerSegment(segments.Segment(i), segments.Segment(i)));
    }
    Check(segments.Segment(segments.count).empty() && segments.Segment(-1).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view image_name = kImageNames[(data[0] >> 2) & 3];
    switch (data[0] & 3) {
        case 0:
            FuzzSearch(data + 1, size - 1, image_name);
            break;
        case 1:
            FuzzUploadReply(data + 1, size - 1);
            break;
        default:
            FuzzImageName(data + 1, size - 1);
            break;
    }
    return 0;
}
