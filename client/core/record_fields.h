// Text fields of the recorder's configuration records: fixed-size char
// arrays, NUL-terminated when shorter than their size. Reading is bounded by
// the field (a record from a hostile recorder need not hold a NUL).
//
// Threading: plain functions; no state.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace kestrel::client {

template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// Stores text (at most N - 1 bytes, so a NUL always follows) and clears the
// rest of the field. The caller has refused longer texts.
template <size_t N>
void SetFieldText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

}  // namespace kestrel::client
