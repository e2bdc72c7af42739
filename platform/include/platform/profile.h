// Profile (".ini") files with the classic profile-file semantics: sections in
// brackets, key=value lines, names compared without regard to case, every
// write keeps the other sections, keys, comments and their order.
//
// Names and values are read with surrounding blanks trimmed; lines starting
// with ';' are comments. A key is looked for in every section of that name
// and the first match counts; new keys go to the first such section.
// Files over 4 MiB are not profiles: reads give the fallback and writes fail.
//
// Threading: any thread. Writes within one process are serialised; a write
// replaces the file atomically, so a reader sees the old or the new file.
#pragma once

#include <string>

namespace platform {

// Integer value of key, or fallback when the key or file is missing; leading
// digits are read as a decimal number (with an optional sign), as the
// classic reader does: "12abc" is 12, a value without leading digits
// (empty included) is 0, values beyond int saturate.
int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int fallback);
// Value of key, or fallback when the key or file is missing.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback);
// Replaces the value in place, or adds the key after the last key of its
// section, or adds the section at the end of the file (creating the file).
// Every other line keeps its bytes and line end; added lines use the file's
// line end. false when the file cannot be read or written, or when section,
// key or value would not read back as written (line breaks, '=' or a leading
// ';' or '[' in a key, ']' in a section, empty names).
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace platform
