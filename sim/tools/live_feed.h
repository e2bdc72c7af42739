// The client side of one live channel, as a viewer does it: the stream's
// first 512 bytes (the recording header) are held back, every later byte
// goes to a decoder handle, and the video records in those bytes are
// counted with the media library's own record parser, so frames received
// and pictures presented compare one for one.
//
// Threading: OnData runs on the protocol library's receive thread of the
// channel; Figures() may be called from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "stream_input.h"

namespace kestrel::tools {

constexpr size_t kHeldBackBytes = 512;

struct LiveFigures {
    uint64_t bytes = 0;           // every stream byte, header included
    uint64_t video_records = 0;   // in the bytes after the header
    uint64_t refused_blocks = 0;  // the decoder did not take them
    uint64_t losses = 0;          // the protocol library reported the stream lost
};

class LiveFeed : private media::StreamSink {
public:
    // nullptr when the record parser cannot be made. The decoder handle must
    // stay open while the feed is registered as a callback.
    static std::unique_ptr<LiveFeed> Create(QW_DECODER_HANDLE decoder, uint32_t type_code);
    ~LiveFeed() override = default;
    LiveFeed(const LiveFeed&) = delete;
    LiveFeed& operator=(const LiveFeed&) = delete;

    // A RealDataCallback; user is the LiveFeed.
    static void QW_CALLBACK OnData(QW_DVR_HANDLE device, int32_t channel, int32_t data_type,
                                   const unsigned char* data, int32_t count, void* user);
    LiveFigures Figures() const;

private:
    explicit LiveFeed(QW_DECODER_HANDLE decoder) : decoder_(decoder) {}
    void Take(std::span<const uint8_t> block);
    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us) override;
    void OnAudioBlock(int codec_type, std::span<const uint8_t> block, uint64_t pts_us) override;

    const QW_DECODER_HANDLE decoder_;
    std::unique_ptr<media::StreamInput> counter_;
    mutable std::mutex mutex_;  // guards figures_
    LiveFigures figures_;
};

}  // namespace kestrel::tools
