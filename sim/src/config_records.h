// How the configuration store keeps its records, shared by the store and
// its call handlers.
//
// Records are the bytes that travel (layouts in kestrel_records.h), keyed by
// the name of the get call that reads them; arrays hold their records back
// to back. Records kept per stream, per channel or per network device add
// "#" and the selector, channel number or device name to the key.
//
// Threading: plain data and functions; the store's lock guards the records.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "mctp_calls.h"
#include "sim/recorder_config.h"

namespace kestrel::sim {

using Bytes = std::vector<uint8_t>;
using RecordMap = std::map<std::string, Bytes, std::less<>>;

// Arrays never hold more records than a recorder has channels.
constexpr size_t kMaxStoredRecords = 16;
// Video, audio and the other per-stream arrays: record, network, mobile.
constexpr uint32_t kStreamSelectors = 3;

// Keys of the records more than one call works on.
inline constexpr std::string_view kUserListKey = "QW_SRDK_SYS_USERMNG_GetUserList";
inline constexpr std::string_view kPreviewKey = "QW_SRDK_SYS_GetUserPrewPri";
inline constexpr std::string_view kGroupListKey = "QW_SRDK_SYS_USERMNG_GetGroupList";
inline constexpr std::string_view kNetdevAttrKey = "QW_SRDK_NET_Network_GetNetdevAttr";
inline constexpr std::string_view kTvAttrKey = "QW_SRDK_TV_GetTVAttr";
inline constexpr std::string_view kTvStateKey = "QW_SRDK_TV_GetTVState";

// The key of the record a call reads or writes: a set call writes what its
// get call reads ("_Set" becomes "_Get"; the group list is changed by
// ModifyGroupInfo), every other call names its own record.
std::string RecordKey(std::string_view call_name);
// base + "#" + part.
std::string SubKey(std::string_view base, std::string_view part);
std::string SubKey(std::string_view base, uint32_t number);

// The records a recorder with this configuration starts with.
RecordMap DefaultRecords(const RecorderConfig& config);

// Record structs to and from their bytes (the layouts are the wire bytes).
template <typename Record>
Record DecodeRecord(std::span<const uint8_t> bytes) {
    static_assert(std::is_trivially_copyable_v<Record>);
    Record record{};
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
    return record;
}
template <typename Record>
Record DecodeRecord(std::string_view bytes) {
    return DecodeRecord<Record>(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}
template <typename Record>
Bytes EncodeRecord(const Record& record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    const auto* first = reinterpret_cast<const uint8_t*>(&record);
    return Bytes(first, first + sizeof record);
}

Bytes WordBytes(uint32_t value);  // little-endian
// A capacity word as a record count; a negative one asks for nothing.
size_t CapacityOf(std::string_view word);
Bytes SegmentBytes(std::string_view segment);

// A NUL-padded text field: its text, and whether a NUL ends it inside the
// field (a field full to the brim cannot be read back safely).
std::string_view FieldText(const char* field, size_t size);
bool FieldTerminated(const char* field, size_t size);
// Copies text into a field, NUL-padded; cut to size - 1 characters.
void PutFieldText(char* field, size_t size, std::string_view text);

}  // namespace kestrel::sim
