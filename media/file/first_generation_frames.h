// Frame records of first-generation recording files, which sit behind a
// first-generation 512-byte header. Every record has a 16-byte header, then
// `length` payload bytes, then the next record:
//
//   0      channel digit, 0x30..0x3F
//   1..3   kind: "0dc" main-stream video, "1dc" sub-stream video, "1wb" audio
//   4..6   payload length, 24-bit little-endian
//   7..12  time in binary-coded decimal, one byte each (two digits):
//          year since 2000, month, day, hour, minute, second
//   13..15 reserved, written as zero
//
// A record is recognised at an offset when its tag is one of the three and
// all six time bytes are valid BCD (both nibbles 0..9); the range of the
// decoded fields is not checked here (the header reader clamps them).
//
// Threading: plain functions; the input is used by the calling thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "random_access_input.h"
#include "recording_time.h"

namespace kestrel::media {

constexpr size_t kFirstGenFrameHeaderSize = 16;
constexpr size_t kFirstGenTimeOffset = 7;

enum class FirstGenKind { kMainVideo, kSubVideo, kAudio };

struct FirstGenFrameHeader {
    uint8_t channel_digit = 0;
    FirstGenKind kind = FirstGenKind::kMainVideo;
    uint32_t length = 0;  // payload bytes after the header
    RecordingTime time{};

    int Channel() const { return channel_digit - 0x30; }
    uint64_t RecordLength() const { return kFirstGenFrameHeaderSize + uint64_t{length}; }
};

// The record header at data[0]; nullopt when fewer than 16 bytes or no
// record is recognised there.
std::optional<FirstGenFrameHeader> ReadFirstGenFrameHeader(std::span<const uint8_t> data);

// Time of the first main-stream video record after the 512-byte header
// (4 KiB reads, at most 2001) and of the last one before the end (512-byte
// reads backwards, at most 8000). nullopt when none is found.
std::optional<RecordingTime> FirstGenFirstMainTime(RandomAccessInput& input);
std::optional<RecordingTime> FirstGenLastMainTime(RandomAccessInput& input);

// Channels seen in the first records, bit (channel % 4): up to 50 records
// from the header on, 40,960-byte reads, stopping once all four bits are
// set or after 100 reads (in all) that found no record. 0 when none is found.
uint32_t FirstGenScanChannelMask(RandomAccessInput& input);

}  // namespace kestrel::media
