// Turns one configuration call's arguments into the request segments and
// answer outputs of its shape, runs it over MCTP and hands the results back.
#include <algorithm>
#include <cstring>
#include <vector>

#include "dvr_device.h"
#include "qw_vscp_mctp_client.h"

namespace kestrel::net {

namespace {

// The records one request may move through the library's own buffer.
constexpr int32_t kLimitedRecords = 16;

uint32_t Bytes(int32_t count, int32_t record_size) {
    return static_cast<uint32_t>(count) * static_cast<uint32_t>(record_size);
}

// Little-endian words the request carries and the answer fills.
struct Word {
    uint8_t bytes[4] = {};
    void Set(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<uint8_t>(v >> (8 * i));
        }
    }
    int32_t Get() const {
        return static_cast<int32_t>(uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 |
                                    uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24);
    }
};

// The get shapes: request the capacity, receive (array, count), and report
// to the caller only records that really arrived and fit its array.
int32_t ArrayGet(MctpClient& client, MctpCall& call, const ConfigCallInfo& info,
                 const ConfigArgs& args, const Word* selector) {
    const int32_t capacity = *args.count_io;
    const bool limited = (info.flags & QW_SRDK_F_LIMIT16) != 0;
    int32_t asked = capacity;
    if ((info.flags & QW_SRDK_F_ASK16) != 0) {
        asked = kLimitedRecords;
    } else if (limited) {
        asked = std::min(capacity, kLimitedRecords);
    }
    std::vector<uint8_t> own;
    void* target = args.first;
    if (limited) {
        own.assign(Bytes(kLimitedRecords, info.size1), 0);
        target = own.data();
    }
    Word capacity_word;
    capacity_word.Set(static_cast<uint32_t>(asked));
    if (selector != nullptr) {
        call.inputs.push_back({selector->bytes, 4});
    }
    if ((info.flags & QW_SRDK_F_NO_SEG) == 0) {
        call.inputs.push_back({capacity_word.bytes, 4});
    }
    Word count_word;  // stays 0 when the answer carries no segments
    call.outputs.push_back({target, Bytes(asked, info.size1), 0});
    call.outputs.push_back({count_word.bytes, 4, 0});

    int32_t rc = client.Call(&call);
    int32_t arrived =
        static_cast<int32_t>(call.outputs[0].received / static_cast<size_t>(info.size1));
    int32_t reported = std::clamp(count_word.Get(), 0, std::min({asked, arrived, capacity}));
    if (limited && reported > 0) {
        std::memcpy(args.first, own.data(), Bytes(reported, info.size1));
    }
    *args.count_io = reported;
    return rc;
}

}  // namespace

int32_t DvrDevice::ConfigCall(const ConfigCallInfo& info, const ConfigArgs& args) {
    MctpCall call;
    call.name = info.name;
    Word selector, count, value;
    selector.Set(static_cast<uint32_t>(args.selector));
    count.Set(static_cast<uint32_t>(args.count));
    value.Set(static_cast<uint32_t>(args.value));
    std::vector<uint8_t> dropped_output;

    switch (info.shape) {
        case ConfigShape::kSelectorArraySet:
            call.inputs = {
                {selector.bytes, 4}, {args.first, Bytes(args.count, info.size1)}, {count.bytes, 4}};
            break;
        case ConfigShape::kSelectorArrayGet:
            return ArrayGet(mctp_, call, info, args, &selector);
        case ConfigShape::kArraySet:
            call.inputs = {{args.first, Bytes(args.count, info.size1)}, {count.bytes, 4}};
            break;
        case ConfigShape::kArrayGet:
            return ArrayGet(mctp_, call, info, args, nullptr);
        case ConfigShape::kRecordSet:
            call.inputs = {{args.first, static_cast<uint32_t>(info.size1)}};
            break;
        case ConfigShape::kValueSet:
            // The value's low bytes, in the order the recorder reads them.
            call.inputs = {{value.bytes, static_cast<uint32_t>(info.size1)}};
            break;
        case ConfigShape::kRecordGet:
            call.outputs = {{args.first, static_cast<size_t>(info.size1), 0}};
            break;
        case ConfigShape::kKeyedGet: {
            void* output = args.second;
            if (output == nullptr) {  // optional output: take the answer, drop it
                dropped_output.assign(static_cast<size_t>(info.size2), 0);
                output = dropped_output.data();
            }
            call.inputs = {{args.first, static_cast<uint32_t>(info.size1)}};
            call.outputs = {{output, static_cast<size_t>(info.size2), 0}};
            break;
        }
        case ConfigShape::kKeyedSet:
            call.inputs = {{args.first, static_cast<uint32_t>(info.size1)},
                           {args.second, static_cast<uint32_t>(info.size2)}};
            break;
        case ConfigShape::kAction:
            break;
    }
    return mctp_.Call(&call);
}

}  // namespace kestrel::net
