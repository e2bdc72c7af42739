// A string table: texts under their numbers, ordered by number. The built-in
// English table and the language modules share this form and its lookup.
#pragma once

#include <algorithm>
#include <span>

namespace kestrel::client {

struct StringEntry {
    int id;
    const char* text;  // UTF-8
};

// Text of id in a table ordered by id, or nullptr when it has none.
inline const char* FindString(std::span<const StringEntry> table, int id) {
    const auto found = std::lower_bound(table.begin(), table.end(), id,
                                        [](const StringEntry& e, int key) { return e.id < key; });
    return found != table.end() && found->id == id ? found->text : nullptr;
}

}  // namespace kestrel::client
