#include "stream_input.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "media_result.h"
#include "model_table.h"

namespace kestrel::media {

std::unique_ptr<StreamInput> StreamInput::Create(uint32_t type_code, StreamSink& sink) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kInputBufferSize]);
    if (!buffer) {
        return nullptr;
    }
    return std::unique_ptr<StreamInput>(new (std::nothrow)
                                            StreamInput(type_code, sink, std::move(buffer)));
}

int32_t StreamInput::InputStream(std::span<const uint8_t> block) {
    std::lock_guard lock(mutex_);
    if (block.size() > kInputBufferSize - fill_) {
        return kMediaInputBufferFull;
    }
    if (!block.empty()) {
        std::memcpy(buffer_.get() + fill_, block.data(), block.size());
        fill_ += block.size();
    }
    if (fill_ < kMinParseFill || !(parse_every_type_ || IsH264Type(type_code_))) {
        return kMediaOk;
    }
    const size_t consumed = Parse(fill_);
    if (consumed >= fill_) {
        fill_ = 0;
    } else if (consumed > 0) {
        std::memmove(buffer_.get(), buffer_.get() + consumed, fill_ - consumed);
        fill_ -= consumed;
    }
    return kMediaOk;
}

size_t StreamInput::Parse(size_t end) {
    const std::span<const uint8_t> data(buffer_.get(), end);
    size_t at = 0;
    while (end - at >= kMarkerSize) {
        const std::optional<MarkerHit> hit = FindMarker(data, at);
        if (!hit) {
            // Never step back over bytes already consumed.
            at = std::max(at, end - std::min(end, kKeptTailWithoutMarker));
            break;
        }
        at = hit->offset;
        const std::span<const uint8_t> rest = data.subspan(at);
        if (hit->kind == kMarkerAudio) {
            const AudioFrameHeader header = *ReadAudioFrameHeader(rest);
            const size_t payload = header.StreamPayloadLength();
            if (rest.size() < kAudioHeaderSize + payload) {
                break;
            }
            if (header.block_size == 0) {
                at += kAudioHeaderSize;
                continue;
            }
            if (sound_open_) {
                if (audio_pts_us_ != 0) {
                    audio_pts_us_ += kAudioTimeStampStep;
                }
                DeliverAudioBlocks(rest.subspan(kAudioHeaderSize, payload), header);
            }
            at += kAudioHeaderSize + payload;
            continue;
        }
        const std::optional<MediaFrameHeader> header = ReadMediaFrameHeader(rest);
        if (!header) {
            break;
        }
        const uint64_t length = header->RecordLength();
        if (length > kMaxVideoRecord) {
            at += kDamagedHeaderSkip;
            continue;
        }
        if (rest.size() < length) {
            break;
        }
        audio_pts_us_ = header->pts_us;
        sink_.OnVideoRecord(rest.first(static_cast<size_t>(length)), header->tag, header->pts_us);
        at += static_cast<size_t>(length);
    }
    return at;
}

void StreamInput::DeliverAudioBlocks(std::span<const uint8_t> payload,
                                     const AudioFrameHeader& header) {
    const size_t blocks = header.BlockCount(payload.size());
    for (size_t i = 0; i < blocks; ++i) {
        sink_.OnAudioBlock(header.CodecType(),
                           payload.subspan(i * header.block_size, header.block_size),
                           audio_pts_us_);
    }
}

int32_t StreamInput::InputVideoFrame(std::span<const uint8_t> record) {
    const std::optional<MediaFrameHeader> header = ReadMediaFrameHeader(record);
    if (!header || header->RecordLength() != record.size()) {
        return kMediaBadFrameLength;
    }
    std::lock_guard lock(mutex_);
    sink_.OnVideoRecord(record, header->tag, header->pts_us);
    return kMediaOk;
}

int32_t StreamInput::InputAudioFrame(std::span<const uint8_t> record) {
    const std::optional<AudioFrameHeader> header = ReadAudioFrameHeader(record);
    if (!header || kAudioHeaderSize + size_t{header->payload_length} != record.size()) {
        return kMediaBadFrameLength;
    }
    std::lock_guard lock(mutex_);
    DeliverAudioBlocks(record.subspan(kAudioHeaderSize), *header);
    return kMediaOk;
}

void StreamInput::SetSoundOpen(bool open) {
    std::lock_guard lock(mutex_);
    sound_open_ = open;
}

void StreamInput::SetParseEveryType(bool parse) {
    std::lock_guard lock(mutex_);
    parse_every_type_ = parse;
}

void StreamInput::Clear() {
    std::lock_guard lock(mutex_);
    fill_ = 0;
}

size_t StreamInput::Fill() const {
    std::lock_guard lock(mutex_);
    return fill_;
}

uint64_t StreamInput::AudioTimeStamp() const {
    std::lock_guard lock(mutex_);
    return audio_pts_us_;
}

}  // namespace kestrel::media
