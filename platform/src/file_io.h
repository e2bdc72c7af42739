// Whole-file reads with a size bound and atomic replacement of a file.
#pragma once

#include <cstddef>
#include <string>

namespace platform::detail {

enum class ReadResult { kOk, kMissing, kTooLarge, kError };

// Reads the whole file into text, refusing files over max_bytes.
ReadResult ReadWholeFile(const std::string& path, size_t max_bytes, std::string* text);

// Writes text to a temporary file beside path and renames it over path, so
// readers see the old or the new contents, never a mix. Keeps the permission
// bits of an existing file; a symbolic link stays and its target is replaced. false when anything
// fails (path is then unchanged).
bool ReplaceFileAtomically(const std::string& path, const std::string& text);

}  // namespace platform::detail
