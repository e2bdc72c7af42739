// Fuzzes the MCTP client's answer mapping: the bytes a recorder sends back
// turned into a call's result and outputs. Input: one byte of call layout
// (bit 0: allocate mode; bits 1-2: the number of outputs), one length byte
// per output, then the answer, split into header and body after its first
// "\r\n\r\n". Outputs sit between guard bytes that must survive, and no
// output may report more bytes than it holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "fuzz_entry.h"
#include "qw_vscp_mctp_clinet_internal.h"

namespace {

constexpr size_t kGuard = 16;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kMaxOutputs = 3;

// An output buffer of a chosen length with guards on both sides.
struct GuardedOutput {
    explicit GuardedOutput(size_t length) : bytes(length + 2 * kGuard, kGuardByte) {}
    uint8_t* data() { return bytes.data() + kGuard; }
    bool GuardsIntact() const {
        return std::all_of(bytes.begin(), bytes.begin() + kGuard,
                           [](uint8_t b) { return b == kGuardByte; }) &&
               std::all_of(bytes.end() - kGuard, bytes.end(),
                           [](uint8_t b) { return b == kGuardByte; });
    }
    std::vector<uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const bool allocate = (data[0] & 1) != 0;
    const size_t output_count = std::min<size_t>((data[0] >> 1) & 3, kMaxOutputs);
    if (size < 1 + output_count) {
        return 0;
    }
    std::vector<GuardedOutput> buffers;
    MctpCall call;
    call.name = "QW_SRDK_FUZZ_Call";
    call.allocate = allocate;
    for (size_t i = 0; i < output_count && !allocate; ++i) {
        buffers.emplace_back(data[1 + i]);
    }
    for (size_t i = 0; i < buffers.size(); ++i) {
        call.outputs.push_back({buffers[i].data(), data[1 + i], 0});
    }

    const std::string_view answer(reinterpret_cast<const char*>(data) + 1 + output_count,
                                  size - 1 - output_count);
    size_t split = answer.find("\r\n\r\n");
    split = split == std::string_view::npos ? answer.size() : split + 4;
    QW_VSCP_MCTP_MapAnswer(answer.substr(0, split), answer.substr(split), &call);

    for (size_t i = 0; i < buffers.size(); ++i) {
        Check(buffers[i].GuardsIntact());
        Check(call.outputs[i].received <= call.outputs[i].length);
    }
    for (MctpOutput& handed_over : call.allocated) {
        Check(handed_over.data != nullptr && handed_over.received == handed_over.length);
        std::free(handed_over.data);
    }
    return 0;
}
