#include "mctp_calls.h"

#include "kestrel_net.h"

namespace kestrel::sim {
namespace {

constexpr size_t kWord = 4;

#define SIM_SHAPE_SEL_SET CallShape::kSelectorArraySet
#define SIM_SHAPE_SEL_GET CallShape::kSelectorArrayGet
#define SIM_SHAPE_ARR_SET CallShape::kArraySet
#define SIM_SHAPE_ARR_GET CallShape::kArrayGet
#define SIM_SHAPE_REC_SET CallShape::kRecordSet
#define SIM_SHAPE_VAL_SET CallShape::kValueSet
#define SIM_SHAPE_REC_GET CallShape::kRecordGet
#define SIM_SHAPE_KEY_GET CallShape::kKeyedGet
#define SIM_SHAPE_KEY_SET CallShape::kKeyedSet
#define SIM_SHAPE_ACTION CallShape::kAction

#define SIM_CALL_ROW(name, shape, size1, size2, flags) \
    CallInfo{#name, SIM_SHAPE_##shape, size1, size2, flags},

constexpr CallInfo kCalls[] = {QW_SRDK_CONFIG_CALLS(SIM_CALL_ROW)};

// The array segment of a set request holds exactly count records.
bool ArrayMatchesCount(std::string_view array, std::string_view count_word, size_t record_size) {
    if (count_word.size() != kWord) {
        return false;
    }
    const auto count = static_cast<int32_t>(SegmentWord(count_word));
    return count >= 0 && array.size() == static_cast<size_t>(count) * record_size;
}

}  // namespace

std::span<const CallInfo> ConfigCalls() {
    return kCalls;
}

const CallInfo* FindConfigCall(std::string_view name) {
    for (const CallInfo& call : kCalls) {
        if (call.name == name) {
            return &call;
        }
    }
    return nullptr;
}

uint32_t SegmentWord(std::string_view segment) {
    uint32_t value = 0;
    for (size_t i = 0; i < kWord && i < segment.size(); ++i) {
        value |= uint32_t{static_cast<uint8_t>(segment[i])} << (8 * i);
    }
    return value;
}

bool RequestFitsShape(const CallInfo& call, std::span<const std::string_view> s) {
    switch (call.shape) {
        case CallShape::kSelectorArraySet:
            return s.size() == 3 && s[0].size() == kWord &&
                   ArrayMatchesCount(s[1], s[2], call.size1);
        case CallShape::kSelectorArrayGet:
            return s.size() == 2 && s[0].size() == kWord && s[1].size() == kWord;
        case CallShape::kArraySet:
            return s.size() == 2 && ArrayMatchesCount(s[0], s[1], call.size1);
        case CallShape::kArrayGet:
            if ((call.flags & QW_SRDK_F_NO_SEG) != 0) {
                return s.empty();
            }
            return s.size() == 1 && s[0].size() == kWord;
        case CallShape::kRecordSet:
        case CallShape::kValueSet:
        case CallShape::kKeyedGet:
            return s.size() == 1 && s[0].size() == call.size1;
        case CallShape::kKeyedSet:
            return s.size() == 2 && s[0].size() == call.size1 && s[1].size() == call.size2;
        case CallShape::kRecordGet:
        case CallShape::kAction:
            return s.empty();
    }
    return false;
}

}  // namespace kestrel::sim
