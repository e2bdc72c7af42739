// The built-in English string table: every numbered text of the client.
#pragma once

#include <span>

namespace kestrel::client {

struct StringEntry {
    int id;
    const char* text;  // UTF-8
};

// The whole table, ordered by id.
std::span<const StringEntry> EnglishTable();
// Text of id, or nullptr when the table has no such string.
const char* EnglishText(int id);

}  // namespace kestrel::client
