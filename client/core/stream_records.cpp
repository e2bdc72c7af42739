#include "stream_records.h"

#include <algorithm>
#include <cstring>

namespace kestrel::client {
namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint64_t RoundUp8(uint64_t size) {
    return (size + 7) & ~uint64_t{7};
}

}  // namespace

StreamRecord RecogniseRecord(const uint8_t* bytes, size_t available) {
    StreamRecord record;
    if (available < kRecordScanWindow) {
        return record;
    }
    if ((bytes[1] == '0' || bytes[1] == '1') && std::memcmp(bytes + 2, "dcH264", 6) == 0) {
        const uint32_t payload = Le32(bytes + 8);
        const uint16_t extension = Le16(bytes + 12);
        record.kind = RecordKind::kVideo;
        record.mainStream = bytes[1] == '0';
        record.payloadOffset = 24 + uint64_t{extension};
        record.payloadLength = payload;
        record.streamSize = RoundUp8(record.payloadOffset + payload);
    } else if (bytes[1] >= '1' && bytes[1] <= '5' && bytes[2] == 'w' && bytes[3] == 'b') {
        const uint16_t length = Le16(bytes + 4);
        record.kind = RecordKind::kAudio;
        record.payloadOffset = 8;
        record.payloadLength = length;
        record.streamSize = RoundUp8(8 + uint64_t{length});
    }
    return record;
}

bool LooksLikeKeyFrame(const uint8_t* payload, size_t length) {
    const size_t end = std::min(length, kKeyFrameProbeBytes);
    for (size_t i = 0; i + 3 < end; ++i) {
        if (payload[i] != 0 || payload[i + 1] != 0 || payload[i + 2] != 1) {
            continue;
        }
        const int type = payload[i + 3] & 0x1F;
        if (type >= 1 && type <= 5) {
            return type == 5;
        }
        i += 2;
    }
    return true;
}

}  // namespace kestrel::client
