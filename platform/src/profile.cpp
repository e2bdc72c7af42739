// Profile-file reads and writes over ProfileDocument.
#include "platform/profile.h"

#include <climits>
#include <mutex>
#include <optional>
#include <string_view>

#include "file_io.h"
#include "profile_document.h"

namespace platform {
namespace {

using detail::ProfileDocument;

// Profiles are small configuration files; anything larger is not one, and a
// write refuses it rather than rewrite what it may not have parsed right.
constexpr size_t kMaxProfileBytes = 4u << 20;

// Writes are read-modify-write; serialising them keeps two threads of this
// process from losing each other's keys.
std::mutex g_write_mutex;

std::string_view TrimName(std::string_view name) {
    constexpr std::string_view kBlanks = " \t";
    const size_t first = name.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return name.substr(first, name.find_last_not_of(kBlanks) - first + 1);
}

std::optional<std::string> ReadValue(const std::string& path, const std::string& section,
                                     const std::string& key) {
    std::string text;
    if (detail::ReadWholeFile(path, kMaxProfileBytes, &text) != detail::ReadResult::kOk) {
        return std::nullopt;
    }
    return ProfileDocument(text).Find(TrimName(section), TrimName(key));
}

// Leading decimal digits with an optional sign; no digits reads as 0 and
// values beyond int saturate.
int LeadingInteger(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

}  // namespace

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int fallback) {
    const std::optional<std::string> value = ReadValue(path, section, key);
    return value ? LeadingInteger(*value) : fallback;
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback) {
    std::optional<std::string> value = ReadValue(path, section, key);
    return value ? std::move(*value) : fallback;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    const std::string_view section_name = TrimName(section);
    const std::string_view key_name = TrimName(key);
    if (!ProfileDocument::IsValidSectionName(section_name) ||
        !ProfileDocument::IsValidKeyName(key_name) || !ProfileDocument::IsValidValue(value)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(g_write_mutex);
    std::string text;
    const detail::ReadResult read = detail::ReadWholeFile(path, kMaxProfileBytes, &text);
    if (read != detail::ReadResult::kOk && read != detail::ReadResult::kMissing) {
        return false;
    }
    ProfileDocument document(text);
    document.Set(section_name, key_name, value);
    return detail::ReplaceFileAtomically(path, document.Text());
}

}  // namespace platform
