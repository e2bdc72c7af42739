// The recorder's configuration records behind the MCTP calls: every call
// runs against this store; set calls store what they carry, get calls answer
// what is stored (arrays: the stored records, at most the capacity asked
// for, with their count), and the user, group, network device, alarm
// schedule and TV calls keep their records consistent with each other.
//
// Threading: any connection thread. One mutex guards every record and is
// held for the whole of one call, so each call sees and leaves a consistent
// store. The store lives as long as the simulator: a restart keeps what was
// set, as a recorder keeps its settings.
#pragma once

#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "config_records.h"
#include "mctp_calls.h"
#include "sim/recorder_config.h"

namespace kestrel::sim {

class ConfigStore {
public:
    explicit ConfigStore(const RecorderConfig& config);
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    // Runs one call whose request segments fit its shape; *answer receives
    // the answer's segments. Returns the call's Return-Code.
    int32_t Run(const CallInfo& call, std::span<const std::string_view> request,
                const MctpFaults& faults, std::vector<Bytes>* answer);

    // The record under a key (see config_records.h); nullopt when none.
    std::optional<Bytes> Find(std::string_view key) const;
    RecordMap Snapshot() const;

private:
    const RecordMap defaults_;  // what ResetParameter restores
    mutable std::mutex mutex_;
    RecordMap records_;  // guarded by mutex_
};

}  // namespace kestrel::sim
