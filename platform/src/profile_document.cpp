#include "profile_document.h"

#include <cstddef>

namespace platform::detail {
namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

struct ParsedLine {
    enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
    std::string_view name;
    std::string_view value;
};

// "[name]" opens a section, "name=value" is a key, anything else (comments
// starting with ';', blank lines, stray text) is carried along untouched.
ParsedLine Parse(std::string_view content) {
    const std::string_view text = Trim(content);
    ParsedLine parsed;
    if (text.empty() || text.front() == ';') {
        return parsed;
    }
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = ParsedLine::Kind::kSection;
            parsed.name = Trim(text.substr(1, close - 1));
        }
        return parsed;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.name = Trim(text.substr(0, equals));
    if (!parsed.name.empty()) {
        parsed.kind = ParsedLine::Kind::kKey;
        parsed.value = Trim(text.substr(equals + 1));
    }
    return parsed;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

}  // namespace

ProfileDocument::ProfileDocument(std::string_view text) {
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        std::string_view line =
            newline == std::string_view::npos ? text : text.substr(0, newline + 1);
        text.remove_prefix(line.size());
        size_t ending_size = 0;
        if (!line.empty() && line.back() == '\n') {
            ending_size = line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1;
        }
        lines_.push_back(Line{std::string(line.substr(0, line.size() - ending_size)),
                              std::string(line.substr(line.size() - ending_size))});
    }
}

std::optional<std::string> ProfileDocument::Find(std::string_view section,
                                                 std::string_view key) const {
    bool in_section = false;
    for (const Line& line : lines_) {
        const ParsedLine parsed = Parse(line.content);
        if (parsed.kind == ParsedLine::Kind::kSection) {
            in_section = SameName(parsed.name, section);
        } else if (in_section && parsed.kind == ParsedLine::Kind::kKey &&
                   SameName(parsed.name, key)) {
            return std::string(parsed.value);
        }
    }
    return std::nullopt;
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    bool in_section = false;
    bool in_first_section = false;
    bool seen_section = false;
    size_t append_after = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine parsed = Parse(lines_[i].content);
        if (parsed.kind == ParsedLine::Kind::kSection) {
            in_section = SameName(parsed.name, section);
            in_first_section = in_section && !seen_section;
            if (in_first_section) {
                seen_section = true;
                append_after = i;
            }
        } else if (in_section && parsed.kind == ParsedLine::Kind::kKey) {
            if (SameName(parsed.name, key)) {
                // The key keeps its spelling; only the value changes.
                lines_[i].content = std::string(parsed.name) + "=" + std::string(value);
                return;
            }
            if (in_first_section) {
                append_after = i;
            }
        }
    }
    const std::string key_line = std::string(key) + "=" + std::string(value);
    if (seen_section) {
        InsertLine(append_after + 1, key_line);
        return;
    }
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), key_line);
}

std::string ProfileDocument::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.content;
        text += line.ending;
    }
    return text;
}

bool ProfileDocument::IsValidSectionName(std::string_view name) {
    return !Trim(name).empty() && name == Trim(name) && name.find(']') == name.npos &&
           !HasLineBreak(name);
}

bool ProfileDocument::IsValidKeyName(std::string_view name) {
    return !Trim(name).empty() && name == Trim(name) && name.front() != ';' &&
           name.front() != '[' && name.find('=') == name.npos && !HasLineBreak(name);
}

bool ProfileDocument::IsValidValue(std::string_view value) {
    return !HasLineBreak(value);
}

std::string ProfileDocument::PreferredEnding() const {
    for (const Line& line : lines_) {
        if (!line.ending.empty()) {
            return line.ending;
        }
    }
    return "\n";
}

void ProfileDocument::InsertLine(size_t index, std::string content) {
    const std::string ending = PreferredEnding();
    // A line that used to be the last one without a line end needs one now.
    if (index > 0 && lines_[index - 1].ending.empty()) {
        lines_[index - 1].ending = ending;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                  Line{std::move(content), ending});
}

}  // namespace platform::detail
