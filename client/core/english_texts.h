// The built-in English string table: every numbered text of the client.
#pragma once

#include <span>

#include "string_table.h"

namespace kestrel::client {

// The whole table, ordered by id.
std::span<const StringEntry> EnglishTable();
// Text of id, or nullptr when the table has no such string.
const char* EnglishText(int id);

}  // namespace kestrel::client
