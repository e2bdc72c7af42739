#include "frame_format.h"

namespace kestrel::media {
namespace {

uint16_t Le16(std::span<const uint8_t> d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

uint32_t Le32(std::span<const uint8_t> d, size_t at) {
    return uint32_t{d[at]} | uint32_t{d[at + 1]} << 8 | uint32_t{d[at + 2]} << 16 |
           uint32_t{d[at + 3]} << 24;
}

uint64_t Le64(std::span<const uint8_t> d, size_t at) {
    return uint64_t{Le32(d, at)} | uint64_t{Le32(d, at + 4)} << 32;
}

bool IsStreamDigit(uint8_t byte) {
    return byte >= 0x30 && byte <= 0x40;
}

}  // namespace

unsigned MarkerKindAt(std::span<const uint8_t> data, size_t at) {
    if (at > data.size() || data.size() - at < kMarkerSize) {
        return 0;
    }
    const uint8_t* m = data.data() + at;
    if (!IsStreamDigit(m[0])) {
        return 0;
    }
    if ((m[1] == '0' || m[1] == '1') && m[2] == 'd' && m[3] == 'c' && m[4] == 'H' && m[5] == '2' &&
        m[6] == '6' && m[7] == '4') {
        return m[1] == '0' ? kMarkerMainVideo : kMarkerSubVideo;
    }
    if ((m[1] == '3' || m[1] == '5') && m[2] == 'w' && m[3] == 'b') {
        return kMarkerAudio;
    }
    return 0;
}

std::optional<MarkerHit> FindMarker(std::span<const uint8_t> data, size_t from, unsigned mask) {
    if (data.size() < kMarkerSize) {
        return std::nullopt;
    }
    for (size_t at = from; at <= data.size() - kMarkerSize; ++at) {
        const unsigned kind = MarkerKindAt(data, at);
        if ((kind & mask) != 0) {
            return MarkerHit{at, kind};
        }
    }
    return std::nullopt;
}

std::optional<MediaFrameHeader> ReadMediaFrameHeader(std::span<const uint8_t> data) {
    if (data.size() < kVideoHeaderSize) {
        return std::nullopt;
    }
    MediaFrameHeader h;
    h.tag = Le32(data, 0);
    h.stream_digit = data[0];
    h.sub_stream_digit = data[1];
    h.payload_length = Le32(data, 8);
    h.extension_length = Le16(data, 12);
    h.pts_us = Le64(data, 16);
    return h;
}

std::optional<AudioFrameHeader> ReadAudioFrameHeader(std::span<const uint8_t> data) {
    if (data.size() < kAudioHeaderSize) {
        return std::nullopt;
    }
    AudioFrameHeader h;
    h.tag = Le32(data, 0);
    h.stream_digit = data[0];
    h.codec_digit = data[1];
    h.block_size = Le16(data, 4);
    h.payload_length = Le16(data, 6);
    return h;
}

std::optional<std::span<const uint8_t>> VideoRecordPayload(std::span<const uint8_t> record) {
    const std::optional<MediaFrameHeader> header = ReadMediaFrameHeader(record);
    if (!header || header->RecordLength() > record.size()) {
        return std::nullopt;
    }
    return record.subspan(kVideoHeaderSize + header->extension_length, header->payload_length);
}

}  // namespace kestrel::media
