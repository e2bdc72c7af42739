#include "config_records.h"

namespace kestrel::sim {

std::string RecordKey(std::string_view call_name) {
    if (call_name == "QW_SRDK_SYS_USERMNG_ModifyGroupInfo") {
        return std::string(kGroupListKey);
    }
    std::string key(call_name);
    const size_t verb = key.find("_Set");
    if (verb != std::string::npos) {
        key.replace(verb, 4, "_Get");
    }
    return key;
}

std::string SubKey(std::string_view base, std::string_view part) {
    std::string key(base);
    key += '#';
    key += part;
    return key;
}

std::string SubKey(std::string_view base, uint32_t number) {
    return SubKey(base, std::to_string(number));
}

Bytes WordBytes(uint32_t value) {
    return Bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

size_t CapacityOf(std::string_view word) {
    return static_cast<size_t>(std::max(static_cast<int32_t>(SegmentWord(word)), 0));
}

Bytes SegmentBytes(std::string_view segment) {
    return Bytes(segment.begin(), segment.end());
}

std::string_view FieldText(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string_view(field, nul != nullptr ? static_cast<const char*>(nul) - field : size);
}

bool FieldTerminated(const char* field, size_t size) {
    return std::memchr(field, 0, size) != nullptr;
}

void PutFieldText(char* field, size_t size, std::string_view text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

}  // namespace kestrel::sim
