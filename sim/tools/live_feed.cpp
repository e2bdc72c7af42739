#include "live_feed.h"

#include <algorithm>

namespace kestrel::tools {

std::unique_ptr<LiveFeed> LiveFeed::Create(QW_DECODER_HANDLE decoder, uint32_t type_code) {
    std::unique_ptr<LiveFeed> feed(new LiveFeed(decoder));
    feed->counter_ = media::StreamInput::Create(type_code, *feed);
    if (!feed->counter_) {
        return nullptr;
    }
    return feed;
}

void LiveFeed::OnData(QW_DVR_HANDLE, int32_t, int32_t, const unsigned char* data, int32_t count,
                      void* user) {
    auto* self = static_cast<LiveFeed*>(user);
    if (count < 0 || data == nullptr) {
        std::lock_guard lock(self->mutex_);
        ++self->figures_.losses;
        return;
    }
    self->Take(std::span<const uint8_t>(data, static_cast<size_t>(count)));
}

void LiveFeed::Take(std::span<const uint8_t> block) {
    std::lock_guard lock(mutex_);
    size_t skip = 0;
    if (figures_.bytes < kHeldBackBytes) {
        skip = std::min<size_t>(kHeldBackBytes - static_cast<size_t>(figures_.bytes), block.size());
    }
    figures_.bytes += block.size();
    const std::span<const uint8_t> rest = block.subspan(skip);
    if (rest.empty()) {
        return;
    }
    if (QW_DVR_MEDIA_InputDataToDecoder(decoder_, QW_MEDIA_INPUT_STREAM, rest.data(),
                                        static_cast<int32_t>(rest.size())) != QW_MEDIA_OK) {
        ++figures_.refused_blocks;
    }
    // The counting parser keeps up by itself: it consumes every whole record
    // of a block, so it never fills.
    counter_->InputStream(rest);
}

LiveFigures LiveFeed::Figures() const {
    std::lock_guard lock(mutex_);
    return figures_;
}

void LiveFeed::OnVideoRecord(std::span<const uint8_t>, uint32_t, uint64_t) {
    ++figures_.video_records;  // under mutex_: runs inside Take()
}

void LiveFeed::OnAudioBlock(int, std::span<const uint8_t>, uint64_t) {}

}  // namespace kestrel::tools
