// The input side of a stream decoder: raw recorder bytes are collected in a
// fixed 1 MiB buffer and cut into frame records; video records go to a
// sink whole, audio records are split into codec blocks. Garbage between
// records is skipped by the marker search, a partial record waits for the
// next block.
//
// Threading: every call may come from any thread; one lock serialises them.
// Sink callbacks run on the calling thread with that lock held: they must
// not block for long, throw, or call back into the same StreamInput. The
// spans they get stay valid only during the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "frame_format.h"

namespace kestrel::media {

constexpr size_t kInputBufferSize = 0x100000;
constexpr size_t kMinParseFill = 100;         // fewer buffered bytes are not parsed yet
constexpr uint64_t kMaxVideoRecord = 512000;  // longer headers are taken as damaged
constexpr size_t kDamagedHeaderSkip = 12;
constexpr size_t kKeptTailWithoutMarker = 9;  // a marker may straddle two blocks
constexpr uint64_t kAudioTimeStampStep = 6600;

class StreamSink {
public:
    virtual ~StreamSink() = default;
    // A whole video record: header, extension and payload.
    virtual void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us) = 0;
    // One codec block of an audio record; codec_type is 3 or 5.
    virtual void OnAudioBlock(int codec_type, std::span<const uint8_t> block, uint64_t pts_us) = 0;
};

class StreamInput {
public:
    // nullptr when the buffer cannot be allocated. `sink` must outlive the
    // StreamInput.
    static std::unique_ptr<StreamInput> Create(uint32_t type_code, StreamSink& sink);

    // Raw stream bytes of any length. kMediaInputBufferFull when the block
    // does not fit in the free buffer space: nothing is taken, so the caller
    // may retry or drop it. Types outside the H.264 group are only buffered.
    int32_t InputStream(std::span<const uint8_t> block);
    // Exactly one video record (kMediaBadFrameLength when its length does
    // not match its header); handed to the sink as it is.
    int32_t InputVideoFrame(std::span<const uint8_t> record);
    // Exactly one audio record; its blocks go to the sink with the running
    // audio time stamp. A payload of 0 or a block size of 0 decodes nothing.
    int32_t InputAudioFrame(std::span<const uint8_t> record);

    // Audio records of the raw stream reach the sink only while sound is
    // open; otherwise they are consumed silently.
    void SetSoundOpen(bool open);
    // Drops everything buffered (a channel start, a file position change).
    void Clear();
    // Recording files are parsed whatever their type: only live streams of
    // the older types come frame by frame.
    void SetParseEveryType(bool parse);

    size_t Fill() const;
    uint64_t AudioTimeStamp() const;

    StreamInput(const StreamInput&) = delete;
    StreamInput& operator=(const StreamInput&) = delete;

private:
    StreamInput(uint32_t type_code, StreamSink& sink, std::unique_ptr<uint8_t[]> buffer)
        : type_code_(type_code), sink_(sink), buffer_(std::move(buffer)) {}
    size_t Parse(size_t end);  // bytes consumed from the buffer's front
    void DeliverAudioBlocks(std::span<const uint8_t> payload, const AudioFrameHeader& header);

    const uint32_t type_code_;
    StreamSink& sink_;
    mutable std::mutex mutex_;
    // All below guarded by mutex_.
    std::unique_ptr<uint8_t[]> buffer_;
    size_t fill_ = 0;
    bool sound_open_ = false;
    bool parse_every_type_ = false;
    uint64_t audio_pts_us_ = 0;  // last video time stamp, advanced per audio record
};

}  // namespace kestrel::media
