// A profile file held as its lines, each with its own line end, so edits
// leave every untouched byte as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

class ProfileDocument {
public:
    explicit ProfileDocument(std::string_view text);

    // Value of the first key named key in a section named section (names
    // without regard to case, value trimmed); nullopt when there is none.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Replaces the value of the key Find would return, or adds the key after
    // the last key of the first such section, or adds the section at the end.
    // section, key and value must be valid (see IsValidName/IsValidValue).
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

    static bool IsValidSectionName(std::string_view name);
    static bool IsValidKeyName(std::string_view name);
    static bool IsValidValue(std::string_view value);

private:
    struct Line {
        std::string content;  // without the line end
        std::string ending;   // "\r\n", "\n" or empty on a last line without one
    };
    // Line end for added lines: the file's own, "\n" for a new file.
    std::string PreferredEnding() const;
    void InsertLine(size_t index, std::string content);

    std::vector<Line> lines_;
};

}  // namespace platform::detail
