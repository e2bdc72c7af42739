#include "talk_assembler.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrel::media {

std::unique_ptr<TalkAssembler> TalkAssembler::Create() {
    std::unique_ptr<TalkAssembler> assembler(new (std::nothrow) TalkAssembler);
    if (!assembler) {
        return nullptr;
    }
    assembler->buffer_.reset(new (std::nothrow) uint8_t[kCapacity]);
    if (!assembler->buffer_) {
        return nullptr;
    }
    return assembler;
}

void TalkAssembler::Input(std::span<const uint8_t> data, const BlockSink& sink) {
    while (!data.empty()) {
        // After a parse at most one incomplete record is held, and it is
        // shorter than the capacity (see the static_assert).
        const size_t take = std::min(kCapacity - used_, data.size());
        std::memcpy(buffer_.get() + used_, data.data(), take);
        used_ += take;
        data = data.subspan(take);
        Parse(sink);
    }
}

void TalkAssembler::Parse(const BlockSink& sink) {
    const std::span<const uint8_t> held(buffer_.get(), used_);
    size_t keep_from = 0;
    size_t at = 0;
    for (;;) {
        const std::optional<MarkerHit> hit = FindMarker(held, at, kMarkerAudio);
        if (!hit) {
            keep_from = std::max(at, used_ - std::min(used_, kKeepWithoutMarker));
            break;
        }
        const AudioFrameHeader header = *ReadAudioFrameHeader(held.subspan(hit->offset));
        const size_t payload = header.StreamPayloadLength();
        const size_t record = kAudioHeaderSize + payload;
        if (used_ - hit->offset < record) {
            keep_from = hit->offset;  // the rest of the record is still to come
            break;
        }
        const size_t blocks = header.BlockCount(payload);
        for (size_t i = 0; i < blocks; ++i) {
            sink(held.subspan(hit->offset + kAudioHeaderSize + i * header.block_size,
                              header.block_size));
        }
        at = hit->offset + record;
    }
    used_ -= keep_from;
    std::memmove(buffer_.get(), buffer_.get() + keep_from, used_);
}

}  // namespace kestrel::media
