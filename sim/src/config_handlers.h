// The calls that do more than store or answer one record: user management,
// groups, preview rights, network devices, alarm schedules, the TV tuner and
// the factory reset. Everything else is served by its shape alone.
//
// Threading: called by ConfigStore with its lock held.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "config_records.h"
#include "mctp_calls.h"
#include "sim/recorder_config.h"

namespace kestrel::sim {

struct CallContext {
    const CallInfo& call;
    std::span<const std::string_view> request;  // fits the call's shape
    RecordMap& records;
    const RecordMap& defaults;
    const MctpFaults& faults;
    std::vector<Bytes>& answer;
};

// Returns the call's Return-Code; fills context.answer.
using CallHandler = int32_t (*)(CallContext& context);

// nullptr for calls served by their shape alone.
CallHandler FindSpecialHandler(std::string_view call_name);

// The answer of an array get: the stored records, at most capacity of them
// (the array-records fault overrides the number), then the count word.
void AnswerArray(CallContext& context, const Bytes& stored, size_t capacity);

// user management, preview rights, groups (config_users.cpp)
int32_t HandleAddUser(CallContext& context);
int32_t HandleDelUser(CallContext& context);
int32_t HandleModifyUsers(CallContext& context);
int32_t HandleEnableUserPage(CallContext& context);
int32_t HandleDisableUserPage(CallContext& context);
int32_t HandleGetPreview(CallContext& context);
int32_t HandleSetPreview(CallContext& context);
int32_t HandleAddGroup(CallContext& context);
int32_t HandleDelGroup(CallContext& context);

// records looked up by channel or device name (config_keyed.cpp)
int32_t HandleSetByChannel(CallContext& context);
int32_t HandleGetByChannel(CallContext& context);
int32_t HandleNetdevNames(CallContext& context);
int32_t HandleSetNetdevAttr(CallContext& context);
int32_t HandleGetNetdevAttr(CallContext& context);

// TV tuner (config_tv.cpp)
int32_t HandleSetTvStandard(CallContext& context);
int32_t HandleTvProgramUp(CallContext& context);
int32_t HandleTvProgramDown(CallContext& context);
int32_t HandleTvOutputSwitch(CallContext& context);
int32_t HandleTvAutoSearch(CallContext& context);

}  // namespace kestrel::sim
