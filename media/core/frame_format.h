// Byte layout of the recorder's frame records and the search for their
// markers. A video record is a 24-byte header, an extension block and one
// H.264 access unit; an audio record is an 8-byte header and whole codec
// blocks. All numbers little-endian.
//
// Threading: plain functions of their arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kestrel::media {

constexpr size_t kVideoHeaderSize = 24;
constexpr size_t kAudioHeaderSize = 8;
constexpr size_t kMarkerSize = 8;  // bytes a marker needs to be recognised

// Marker kinds, also the bits of a search mask.
constexpr unsigned kMarkerMainVideo = 1;  // sub-stream digit '0'
constexpr unsigned kMarkerSubVideo = 2;   // sub-stream digit '1'
constexpr unsigned kMarkerAudio = 4;
constexpr unsigned kMarkerAnyKind = kMarkerMainVideo | kMarkerSubVideo | kMarkerAudio;

// Tags: the first four header bytes as a little-endian u32.
constexpr uint32_t kMainVideoTagFirst = 0x63643000;  // any stream digit, '0', "dc"
constexpr uint32_t kMainVideoTagLast = 0x636430FF;
constexpr uint32_t kChannelZeroMainVideoTag = 0x63643030;  // "00dc"

constexpr bool IsMainStreamVideoTag(uint32_t tag) {
    return tag >= kMainVideoTagFirst && tag <= kMainVideoTagLast;
}

struct MediaFrameHeader {
    uint32_t tag = 0;
    uint8_t stream_digit = 0;
    uint8_t sub_stream_digit = 0;
    uint32_t payload_length = 0;
    uint16_t extension_length = 0;
    uint64_t pts_us = 0;

    // Header, extension and payload; 64 bits, so it never wraps.
    uint64_t RecordLength() const {
        return kVideoHeaderSize + uint64_t{extension_length} + payload_length;
    }
};

struct AudioFrameHeader {
    uint32_t tag = 0;
    uint8_t stream_digit = 0;
    uint8_t codec_digit = 0;  // '3' or '5'
    uint16_t block_size = 0;
    uint16_t payload_length = 0;  // as stored; 0 stands for one block

    int CodecType() const { return codec_digit - '0'; }
    // Payload length in effect when the record comes from a raw stream.
    size_t StreamPayloadLength() const { return payload_length != 0 ? payload_length : block_size; }
    size_t BlockCount(size_t payload) const { return block_size != 0 ? payload / block_size : 0; }
};

// The kind of marker at `at` (0 when none, or fewer than 8 bytes remain).
unsigned MarkerKindAt(std::span<const uint8_t> data, size_t at);

struct MarkerHit {
    size_t offset = 0;
    unsigned kind = 0;
};

// First marker of a kind in `mask` at or after `from`; markers of other
// kinds are passed over.
std::optional<MarkerHit> FindMarker(std::span<const uint8_t> data, size_t from,
                                    unsigned mask = kMarkerAnyKind);

// Header fields; nullopt when `data` is shorter than the header.
std::optional<MediaFrameHeader> ReadMediaFrameHeader(std::span<const uint8_t> data);
std::optional<AudioFrameHeader> ReadAudioFrameHeader(std::span<const uint8_t> data);

// The access unit of a video record; nullopt when `record` is shorter than
// its header says (bytes past the record's length are ignored).
std::optional<std::span<const uint8_t>> VideoRecordPayload(std::span<const uint8_t> record);

}  // namespace kestrel::media
