// Byte layouts of the recorder's media stream: the 512-byte recording header
// (current layout), video records (24-byte header, extension, one access
// unit) and audio records (8-byte header, blocks of 4-byte frame header plus
// mu-law samples). Every record is padded with zero bytes to a multiple of 8.
// All numbers little-endian.
//
// Threading: plain functions of their arguments.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kestrel::sim {

constexpr size_t kRecordingHeaderSize = 512;
constexpr size_t kVideoHeaderSize = 24;
constexpr size_t kAudioHeaderSize = 8;
constexpr size_t kAudioFrameHeaderSize = 4;
constexpr size_t kRecordAlignment = 8;
constexpr int kFramesPerSecond = 25;
constexpr uint64_t kFrameIntervalUs = 1000000 / kFramesPerSecond;
constexpr size_t kAudioSamplesPerFrame = 8000 / kFramesPerSecond;  // 320
constexpr uint8_t kAudioCodecDigit = '3';

// Header offsets.
constexpr size_t kHeaderStartTime = 37;
constexpr size_t kHeaderEndTime = 43;
constexpr size_t kHeaderVideoStandard = 53;
constexpr size_t kHeaderModelNumber = 76;
constexpr size_t kHeaderModelCode = 80;
constexpr size_t kHeaderChannelRecords = 100;
constexpr size_t kHeaderChannelRecordSize = 40;
constexpr size_t kHeaderChannelRecordCount = 4;

struct HeaderTime {
    int year = 2000;  // written as year - 2000
    int month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct HeaderChannel {
    int channel = 0;  // 0-based; written counted from 1
    int frames_per_second = kFramesPerSecond;
};

struct RecordingHeaderInfo {
    HeaderTime start;
    HeaderTime end;
    bool pal = true;  // 25-frame family
    uint16_t model_number = 0;
    std::string_view model_code;          // first 12 characters used, zero padded
    std::vector<HeaderChannel> channels;  // first 4 used
};

std::array<uint8_t, kRecordingHeaderSize> BuildRecordingHeader(const RecordingHeaderInfo& info);

struct VideoFrame {
    int channel = 0;     // stream digit 0x30 + channel, 0..16
    int sub_stream = 0;  // 0 main ('0'), 1 sub ('1')
    uint64_t pts_us = 0;
    std::span<const uint8_t> extension;
    std::span<const uint8_t> payload;  // one access unit
};

// Appends the record and its padding; returns the bytes appended.
size_t AppendVideoRecord(std::vector<uint8_t>& out, const VideoFrame& frame);

// Appends an audio record whose payload is one block: the frame header
// 00 01 <samples/2> 00, then the samples. samples.size() must be even and at
// most 510. Returns the bytes appended.
size_t AppendMuLawAudioRecord(std::vector<uint8_t>& out, int channel,
                              std::span<const uint8_t> samples);

constexpr size_t PaddedRecordSize(size_t size) {
    return (size + kRecordAlignment - 1) / kRecordAlignment * kRecordAlignment;
}

}  // namespace kestrel::sim
