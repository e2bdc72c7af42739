#include "config_store.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "config_handlers.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

int32_t StoreArray(CallContext& c, const std::string& key, std::string_view array,
                   std::string_view count_word) {
    const auto found = c.records.find(key);
    if (found == c.records.end()) {
        return kMctpNoSuchRecord;
    }
    if (SegmentWord(count_word) > kMaxStoredRecords) {
        return kMctpTooManyRecords;
    }
    found->second = SegmentBytes(array);
    return kMctpOk;
}

int32_t AnswerStoredArray(CallContext& c, const std::string& key, size_t capacity) {
    const auto found = c.records.find(key);
    if (found == c.records.end()) {
        return kMctpNoSuchRecord;
    }
    AnswerArray(c, found->second, capacity);
    return kMctpOk;
}

// The calls served by their shape alone.
int32_t ServeByShape(CallContext& c) {
    const std::string key = RecordKey(c.call.name);
    const auto& in = c.request;
    switch (c.call.shape) {
        case CallShape::kSelectorArraySet:
            return StoreArray(c, SubKey(key, SegmentWord(in[0])), in[1], in[2]);
        case CallShape::kSelectorArrayGet:
            return AnswerStoredArray(c, SubKey(key, SegmentWord(in[0])), CapacityOf(in[1]));
        case CallShape::kArraySet:
            return StoreArray(c, key, in[0], in[1]);
        case CallShape::kArrayGet:
            // Without a capacity word the recorder answers everything it holds.
            return AnswerStoredArray(
                c, key, in.empty() ? std::numeric_limits<size_t>::max() : CapacityOf(in[0]));
        case CallShape::kRecordSet:
        case CallShape::kValueSet: {
            const auto found = c.records.find(key);
            if (found == c.records.end()) {
                return kMctpNoSuchRecord;
            }
            found->second = SegmentBytes(in[0]);
            return kMctpOk;
        }
        case CallShape::kRecordGet: {
            const auto found = c.records.find(key);
            if (found == c.records.end()) {
                return kMctpNoSuchRecord;
            }
            c.answer.push_back(found->second);
            return kMctpOk;
        }
        case CallShape::kAction:
            return kMctpOk;  // saving, restarting, formatting: nothing to keep
        case CallShape::kKeyedGet:
        case CallShape::kKeyedSet:
            break;  // every keyed call has a handler of its own
    }
    return kMctpNoSuchRecord;
}

int32_t HandleResetParameter(CallContext& c) {
    c.records = c.defaults;
    return kMctpOk;
}

constexpr std::array<std::pair<std::string_view, CallHandler>, 22> kSpecialHandlers{{
    {"QW_SRDK_SYS_USERMNG_AddUser", &HandleAddUser},
    {"QW_SRDK_SYS_USERMNG_DelUser", &HandleDelUser},
    {"QW_SRDK_SYS_USERMNG_ModifyUserInfo", &HandleModifyUsers},
    {"QW_SRDK_SYS_USERMNG_Enable", &HandleEnableUserPage},
    {"QW_SRDK_SYS_USERMNG_Disable", &HandleDisableUserPage},
    {"QW_SRDK_SYS_GetUserPrewPri", &HandleGetPreview},
    {"QW_SRDK_SYS_SetUserPrewPri", &HandleSetPreview},
    {"QW_SRDK_SYS_USERMNG_AddGroup", &HandleAddGroup},
    {"QW_SRDK_SYS_USERMNG_DelGroup", &HandleDelGroup},
    {"QW_SRDK_ALARM_SetAlarmInSchedule", &HandleSetByChannel},
    {"QW_SRDK_ALARM_SetAlarmOutSchedule", &HandleSetByChannel},
    {"QW_SRDK_ALARM_GetAlarmInSchedule", &HandleGetByChannel},
    {"QW_SRDK_ALARM_GetAlarmOutSchedule", &HandleGetByChannel},
    {"QW_SRDK_NET_Network_GetNetdevName", &HandleNetdevNames},
    {"QW_SRDK_NET_Network_SetNetdevAttr", &HandleSetNetdevAttr},
    {"QW_SRDK_NET_Network_GetNetdevAttr", &HandleGetNetdevAttr},
    {"QW_SRDK_TV_SetTVAttr", &HandleSetTvStandard},
    {"QW_SRDK_TV_ProgramInc", &HandleTvProgramUp},
    {"QW_SRDK_TV_ProgramDec", &HandleTvProgramDown},
    {"QW_SRDK_TV_OutPutSwitch", &HandleTvOutputSwitch},
    {"QW_SRDK_TV_AutoSearch", &HandleTvAutoSearch},
    {"QW_SRDK_DEV_ResetParameter", &HandleResetParameter},
}};

}  // namespace

CallHandler FindSpecialHandler(std::string_view call_name) {
    for (const auto& [name, handler] : kSpecialHandlers) {
        if (name == call_name) {
            return handler;
        }
    }
    return nullptr;
}

void AnswerArray(CallContext& c, const Bytes& stored, size_t capacity) {
    const size_t record_size = c.call.size1;
    const size_t held = stored.size() / record_size;
    size_t count = std::min(held, capacity);
    if (c.faults.array_records && c.faults.Misanswers(c.call.name)) {
        count = static_cast<size_t>(std::max(*c.faults.array_records, 0));
    }
    Bytes array(count * record_size, 0);
    for (size_t i = 0; i < count && held > 0; ++i) {
        const auto from = stored.begin() + static_cast<std::ptrdiff_t>((i % held) * record_size);
        std::copy(from, from + static_cast<std::ptrdiff_t>(record_size),
                  array.begin() + static_cast<std::ptrdiff_t>(i * record_size));
    }
    c.answer.push_back(std::move(array));
    c.answer.push_back(WordBytes(static_cast<uint32_t>(count)));
}

ConfigStore::ConfigStore(const RecorderConfig& config)
    : defaults_(DefaultRecords(config)), records_(defaults_) {}

int32_t ConfigStore::Run(const CallInfo& call, std::span<const std::string_view> request,
                         const MctpFaults& faults, std::vector<Bytes>* answer) {
    std::lock_guard lock(mutex_);
    CallContext context{call, request, records_, defaults_, faults, *answer};
    const CallHandler special = FindSpecialHandler(call.name);
    return special != nullptr ? special(context) : ServeByShape(context);
}

std::optional<Bytes> ConfigStore::Find(std::string_view key) const {
    std::lock_guard lock(mutex_);
    const auto found = records_.find(key);
    if (found == records_.end()) {
        return std::nullopt;
    }
    return found->second;
}

RecordMap ConfigStore::Snapshot() const {
    std::lock_guard lock(mutex_);
    return records_;
}

}  // namespace kestrel::sim
