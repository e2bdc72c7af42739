// Fuzzes the single-frame input: the first byte picks a video or an audio
// record, the rest is the record, exactly as a caller hands it in. A video
// record taken must go through a channel's frame queue unchanged and yield
// an access unit inside it; an audio record must be cut into whole blocks
// of its block size that tile its payload from the front.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "frame_format.h"
#include "frame_queue.h"
#include "fuzz_entry.h"
#include "media_result.h"
#include "stream_input.h"

namespace {

using namespace kestrel::media;

// A channel's work buffer: one frame record.
constexpr size_t kWorkBytes = 0x200000;

class CheckingSink : public StreamSink {
public:
    // A new record: the counts start again.
    void Begin(std::span<const uint8_t> record) {
        record_ = record;
        video = 0;
        audio_bytes = 0;
    }

    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts) override {
        Check(record.data() == record_.data() && record.size() == record_.size());
        ++video;
        // Twice through the queue: once into a work buffer one byte short.
        static const std::unique_ptr<FrameQueue> queue = FrameQueue::Create();
        static const std::unique_ptr<uint8_t[]> work(new uint8_t[kWorkBytes]);
        Check(queue && queue->Count() == 0);
        if (!queue->Push(record, tag, pts)) {
            Check(record.size() > kFrameQueueBytes);
            return;
        }
        if (record.size() <= kFrameQueueBytes / 2) {
            Check(queue->Push(record, tag, pts));
            const FrameQueue::Taken short_take =
                queue->Take(std::span<uint8_t>(work.get(), record.size() - 1));
            Check(short_take.status == FrameQueue::TakeStatus::kTooLarge &&
                  short_take.length == record.size());
        }
        const FrameQueue::Taken taken = queue->Take(std::span<uint8_t>(work.get(), kWorkBytes));
        Check(queue->Count() == 0);
        if (record.size() > kWorkBytes) {
            Check(taken.status == FrameQueue::TakeStatus::kTooLarge);
            return;
        }
        Check(taken.status == FrameQueue::TakeStatus::kFrame && taken.length == record.size() &&
              taken.tag == tag && taken.pts_us == pts);
        Check(std::memcmp(work.get(), record.data(), record.size()) == 0);

        // What the channel decodes: the access unit, ending with the record.
        const std::span<const uint8_t> held(work.get(), taken.length);
        const auto payload = VideoRecordPayload(held);
        Check(payload.has_value());
        const auto header = ReadMediaFrameHeader(held);
        Check(payload->size() == header->payload_length);
        Check(payload->data() + payload->size() == held.data() + held.size());
        volatile uint8_t sum = 0;
        for (uint8_t byte : *payload) {
            sum = static_cast<uint8_t>(sum + byte);
        }
    }

    void OnAudioBlock(int codec, std::span<const uint8_t> block, uint64_t) override {
        const auto header = ReadAudioFrameHeader(record_);
        Check(header && codec == header->CodecType());
        Check(block.size() == header->block_size && block.size() != 0);
        // Blocks follow one another from the payload's start.
        Check(block.data() == record_.data() + kAudioHeaderSize + audio_bytes);
        audio_bytes += block.size();
        Check(audio_bytes <= record_.size() - kAudioHeaderSize);
    }

    size_t video = 0;
    size_t audio_bytes = 0;

private:
    std::span<const uint8_t> record_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::span<const uint8_t> record(data + 1, size - 1);
    // Made once: a single frame leaves the input's buffer untouched.
    static CheckingSink sink;
    static const std::unique_ptr<StreamInput> input = StreamInput::Create(0x01000207, sink);
    Check(input != nullptr);
    sink.Begin(record);
    if ((data[0] & 1) == 0) {
        const int32_t result = input->InputVideoFrame(record);
        const auto header = ReadMediaFrameHeader(record);
        const bool whole = header && header->RecordLength() == record.size();
        Check(result == (whole ? kMediaOk : kMediaBadFrameLength));
        Check(sink.video == (whole ? 1u : 0u));
    } else {
        const int32_t result = input->InputAudioFrame(record);
        const auto header = ReadAudioFrameHeader(record);
        const bool whole =
            header && kAudioHeaderSize + size_t{header->payload_length} == record.size();
        Check(result == (whole ? kMediaOk : kMediaBadFrameLength));
        if (whole) {
            // Only a partial last block is left out.
            const size_t payload = record.size() - kAudioHeaderSize;
            Check(header->block_size == 0 ? sink.audio_bytes == 0
                                          : payload - sink.audio_bytes < header->block_size);
        } else {
            Check(sink.audio_bytes == 0);
        }
    }
    Check(sink.video == 0 || sink.audio_bytes == 0);
    Check(input->Fill() == 0);
    return 0;
}
