// Fuzzes the simulator's reading of client requests. The first byte chooses
// the parser:
//   0: a command block: the rest, cut or zero-padded to 500 bytes;
//   1: an MCTP request: the header block up to its "\r\n\r\n", then body;
//   2: configuration calls on a fresh store: per call, two bytes choose the
//      call (an index into the call table), one byte an array's record
//      count, and the call's segments are filled from the following bytes.
// Parsed requests must stay within the block, answers must match their
// call's shape, and a record a plain set stores must read back unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_block.h"
#include "config_handlers.h"
#include "config_records.h"
#include "config_store.h"
#include "fuzz_entry.h"
#include "mctp_calls.h"
#include "mctp_request.h"
#include "sim/recorder_config.h"
#include "sim/result_codes.h"

namespace {

using namespace kestrel::sim;

constexpr size_t kMctpHeaderLimit = 2047;
constexpr size_t kMaxCallsPerInput = 16;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void FuzzCommandBlock(const uint8_t* data, size_t size) {
    RequestBlock block{};
    std::memcpy(block.data(), data, std::min(size, block.size()));
    const std::optional<Request> request = ParseRequest(block);
    if (!request) {
        return;
    }
    Check(block[0] == 0 && block[1] == 0 && block[2] == 0 && block[3] == 1);
    Check(request->command == block[7] && request->block == &block);
    Check(request->request_length >= kCommandHeaderSize &&
          request->request_length <= kRequestBlockSize);
    Check(request->sequence == Le32(block.data() + 8));
    // Credential fields at the body's start and at the block's end.
    for (size_t at : {kCommandHeaderSize, kRequestBlockSize - kCredentialFieldSize}) {
        const std::string text = request->TextField(at, kCredentialFieldSize);
        Check(text.size() <= kCredentialFieldSize && text.find('\0') == std::string::npos);
    }
    const std::span<const uint8_t> body(block.data() + kCommandHeaderSize,
                                        request->request_length - kCommandHeaderSize);
    const size_t total = request->BodyLE32(kCommandHeaderSize) % 1024;
    const std::vector<uint8_t> response =
        BuildStandardResponse(static_cast<int32_t>(request->sequence), body, total);
    Check(response.size() == std::max(total, kStandardResponseHeaderSize + body.size()));
    Check(Le32(response.data()) == response.size());
    Check(std::equal(body.begin(), body.end(), response.begin() + kStandardResponseHeaderSize));
}

void FuzzMctpRequest(const uint8_t* data, size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    const size_t end = received.find("\r\n\r\n");
    if (end == std::string_view::npos || end + 4 > kMctpHeaderLimit) {
        return;
    }
    MctpRequest request;
    size_t body_length = 12345;
    const MctpRead read = ParseMctpHeader(received.substr(0, end + 4), &request, &body_length);
    Check(read == MctpRead::kRequest || read == MctpRead::kMalformed);
    if (read == MctpRead::kRequest) {
        Check(request.header != nullptr && body_length <= kMaxMctpRequestBody);
    }
}

// Takes n bytes from the input, zero-padded once it runs out.
class Filler {
public:
    Filler(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string Take(size_t n) {
        std::string out(n, '\0');
        const size_t have = std::min(n, size_ - std::min(at_, size_));
        if (have > 0) {
            std::memcpy(out.data(), data_ + at_, have);
        }
        at_ += have;
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

std::string Word(uint32_t value) {
    const Bytes bytes = WordBytes(value);
    return std::string(bytes.begin(), bytes.end());
}

// Segments that fit the call's shape, filled from the input.
std::vector<std::string> SegmentsFor(const CallInfo& call, uint8_t count, Filler& in) {
    switch (call.shape) {
        case CallShape::kSelectorArraySet: {
            std::string selector = in.Take(4);
            return {selector, in.Take(count * call.size1), Word(count)};
        }
        case CallShape::kSelectorArrayGet: {
            std::string selector = in.Take(4);
            return {selector, in.Take(4)};
        }
        case CallShape::kArraySet:
            return {in.Take(count * call.size1), Word(count)};
        case CallShape::kArrayGet:
            // Some array gets carry no capacity word; the caller drops it.
            return {in.Take(4)};
        case CallShape::kRecordSet:
        case CallShape::kValueSet:
        case CallShape::kKeyedGet:
            return {in.Take(call.size1)};
        case CallShape::kKeyedSet: {
            std::string first = in.Take(call.size1);
            return {first, in.Take(call.size2)};
        }
        case CallShape::kRecordGet:
        case CallShape::kAction:
            return {};
    }
    return {};
}

void CheckAnswer(const CallInfo& call, std::span<const std::string_view> request,
                 const std::vector<Bytes>& answer) {
    switch (call.shape) {
        case CallShape::kSelectorArrayGet:
        case CallShape::kArrayGet: {
            Check(answer.size() == 2 && answer[1].size() == 4);
            const uint32_t count = Le32(answer[1].data());
            Check(answer[0].size() == count * call.size1);
            if (!request.empty()) {
                Check(count <= CapacityOf(request.back()));
            }
            break;
        }
        case CallShape::kRecordGet:
            Check(answer.size() == 1 && answer[0].size() == call.size1);
            break;
        case CallShape::kKeyedGet:
            Check(answer.size() == 1 && answer[0].size() == call.size2);
            break;
        default:
            Check(answer.empty());
            break;
    }
}

void FuzzConfigCalls(const uint8_t* data, size_t size) {
    static const RecorderConfig config;
    static const MctpFaults faults;
    ConfigStore store(config);
    const std::span<const CallInfo> calls = ConfigCalls();
    Filler in(data, size);
    for (size_t n = 0; n < kMaxCallsPerInput && !in.Empty(); ++n) {
        const size_t index = (in.Byte() | in.Byte() << 8) % calls.size();
        const CallInfo& call = calls[index];
        const uint8_t count = in.Byte() % (kMaxStoredRecords + 2);
        const std::vector<std::string> storage = SegmentsFor(call, count, in);
        std::vector<std::string_view> segments(storage.begin(), storage.end());
        if (call.shape == CallShape::kArrayGet && !RequestFitsShape(call, segments)) {
            segments.clear();
        }
        Check(RequestFitsShape(call, segments));

        std::vector<Bytes> answer;
        const int32_t code = store.Run(call, segments, faults, &answer);
        if (code != kMctpOk) {
            continue;
        }
        CheckAnswer(call, segments, answer);
        // A set served by its shape alone keeps exactly what it carried.
        if (FindSpecialHandler(call.name) == nullptr &&
            (call.shape == CallShape::kRecordSet || call.shape == CallShape::kValueSet ||
             call.shape == CallShape::kArraySet)) {
            const std::optional<Bytes> stored = store.Find(RecordKey(call.name));
            Check(stored && stored->size() == segments[0].size() &&
                  (stored->empty() ||
                   std::memcmp(stored->data(), segments[0].data(), stored->size()) == 0));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    switch (data[0] % 3) {
        case 0:
            FuzzCommandBlock(data + 1, size - 1);
            break;
        case 1:
            FuzzMctpRequest(data + 1, size - 1);
            break;
        default:
            FuzzConfigCalls(data + 1, size - 1);
            break;
    }
    return 0;
}
