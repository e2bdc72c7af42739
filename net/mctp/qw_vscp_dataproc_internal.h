// Text helpers shared by the MCTP message and HDP body parsers.
//
// Everything here works on std::string_view: input is bounded by its length
// and never needs a terminating NUL. Views returned point into the input and
// live as long as it does.
#ifndef KESTREL_QW_VSCP_DATAPROC_INTERNAL_H
#define KESTREL_QW_VSCP_DATAPROC_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

inline constexpr std::string_view kQwLineEnd = "\r\n";
inline constexpr std::string_view kQwBlockEnd = "\r\n\r\n";

// The lines of a header block, consumed front to back.
struct QwLineList {
    std::vector<std::string_view> lines;
    size_t next = 0;
};

// Splits text into lines at each CR LF, stopping at the first empty line or
// at the end of the text; a last line without CR LF counts as a line.
// *consumed (optional) receives the number of bytes used, including the
// empty line when there was one, also when no line was found. Returns
// QW_VSCP_ERR_NO_LINES when no line was found, QW_VSCP_ERR_NO_MEMORY.
int32_t QW_VSCP_DataProc_SplitLines(std::string_view text, QwLineList* list, size_t* consumed);

// Hands out the next line; QW_VSCP_ERR_NO_MORE_LINES once all were taken.
int32_t QW_VSCP_DataProc_NextLine(QwLineList* list, std::string_view* line);

// Whether text holds a CR LF, which would end its line early on the wire.
bool QW_VSCP_DataProc_HasLineEnd(std::string_view text);

// Length of text as a printf "%.*s" precision.
int QW_VSCP_DataProc_PrintLength(std::string_view text);

// Removes leading and trailing spaces (only ' ', as on the wire).
std::string_view QW_VSCP_DataProc_Trim(std::string_view text);

// Splits "name:value" at the first colon and trims both parts. Returns
// QW_VSCP_ERR_BAD_HEADER_LINE for a line without colon or with an empty name.
int32_t QW_VSCP_DataProc_SplitHeaderField(std::string_view line, std::string_view* name,
                                          std::string_view* value);

// Splits a start line into three tokens: leading spaces skipped, the first
// two tokens end at a space, the third runs to the end of the line so that a
// reason text of several words stays whole. Missing tokens are empty.
void QW_VSCP_DataProc_SplitStartLine(std::string_view line, std::string_view tokens[3]);

// Parses a whole value of decimal digits (no sign, nothing else) that is at
// most max. Returns false for anything else, including overflow.
bool QW_VSCP_DataProc_ParseDecimal(std::string_view text, uint64_t max, uint64_t* value);

// Parses an integer the way strtol with base 0 does: leading white space and
// a sign are allowed, "0x" selects hexadecimal, a leading 0 octal, anything
// else decimal, and parsing stops at the first character that is not a
// digit (no digits at all gives 0). The result must fit 32 bits, read as
// signed or unsigned (so "0x80F00009" is accepted); returns false otherwise.
bool QW_VSCP_DataProc_ParseAutoBase(std::string_view text, int32_t* value);

#endif  // KESTREL_QW_VSCP_DATAPROC_INTERNAL_H
