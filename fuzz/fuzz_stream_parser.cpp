// Fuzzes the stream parser: the input is cut into blocks at points taken
// from its own bytes. Every record handed on must lie inside the input
// buffer and agree with its own header.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "frame_format.h"
#include "fuzz_entry.h"
#include "media_result.h"
#include "stream_input.h"

namespace {

class CheckingSink : public kestrel::media::StreamSink {
public:
    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts) override {
        using namespace kestrel::media;
        Check(record.size() <= kInputBufferSize && record.size() <= kMaxVideoRecord);
        const auto header = ReadMediaFrameHeader(record);
        Check(header.has_value() && header->RecordLength() == record.size());
        Check(header->tag == tag && header->pts_us == pts);
        Check(MarkerKindAt(record, 0) == kMarkerMainVideo ||
              MarkerKindAt(record, 0) == kMarkerSubVideo);
    }
    void OnAudioBlock(int codec, std::span<const uint8_t> block, uint64_t) override {
        Check(codec == 3 || codec == 5);
        Check(!block.empty() && block.size() <= 0xFFFF);
        volatile uint8_t sum = 0;
        for (uint8_t byte : block) {  // touch every byte for the sanitizers
            sum = static_cast<uint8_t>(sum + byte);
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    CheckingSink sink;
    auto input = kestrel::media::StreamInput::Create(0x01000207, sink);
    Check(input != nullptr);
    input->SetSoundOpen((data[0] & 1) != 0);
    const size_t step = size_t{data[1]} * 37 + 1;
    std::span<const uint8_t> rest(data + 2, size - 2);
    size_t piece = step;
    while (!rest.empty()) {
        const size_t n = std::min(rest.size(), piece % 4099 + 1);
        const int32_t result = input->InputStream(rest.first(n));
        Check(result == kestrel::media::kMediaOk ||
              result == kestrel::media::kMediaInputBufferFull);
        Check(input->Fill() <= kestrel::media::kInputBufferSize);
        rest = rest.subspan(n);
        piece = piece * 1103515245 + 12345;
    }
    return 0;
}
