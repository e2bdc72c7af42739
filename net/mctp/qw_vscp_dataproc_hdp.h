// HDP body codec ("text/HDP"): an ordered list of binary segments, one per
// argument buffer of a remote call.
//
// Text form:
//   "Segment-Num:<n>\r\n", then for each segment i = 1..n, back to back:
//   "Segment-Seq:<i>\r\nData-Length:<len>\r\n", optional "name:value\r\n"
//   lines that belong to the segment, "\r\n", and exactly len data bytes.
//
// Ownership: a segment either borrows the caller's bytes (they must stay
// valid until the body is serialised or freed) or owns a copy allocated with
// std::malloc, with a NUL after the data. Owned data is freed together with
// the body while the segment's free-with-the-list flag is set (the default for
// copies and for parsed segments); a caller that clears the flag takes the
// data over and releases it with std::free.
//
// Every function returns 0 or a QW_VSCP_ERR_* code. A body is used by one
// thread at a time.
#ifndef KESTREL_QW_VSCP_DATAPROC_HDP_H
#define KESTREL_QW_VSCP_DATAPROC_HDP_H

#include <cstddef>
#include <cstdint>
#include <string>

struct HdpBody;

// Copy flags of QW_VSCP_Hdp_AppendSegment.
inline constexpr int32_t kHdpBorrow = 0;
inline constexpr int32_t kHdpCopy = 1;

// Creates an empty body.
int32_t QW_VSCP_Hdp_Create(HdpBody** body);

// Appends a segment of length bytes (data may be null only when length is 0).
// copy is kHdpBorrow or kHdpCopy; any other value, or a length above
// INT32_MAX, is QW_VSCP_ERR_BAD_ARGUMENT.
int32_t QW_VSCP_Hdp_AppendSegment(HdpBody* body, const void* data, uint32_t length, int32_t copy);

// Appends a "name:value" line to the last segment (value may be null).
// QW_VSCP_ERR_NO_SEGMENT when the body has no segment; QW_VSCP_ERR_BAD_ARGUMENT
// for a name that would not read back the same (empty, surrounded by spaces,
// holding a colon or CR LF, or one of the two segment field names) or a value
// holding CR LF.
int32_t QW_VSCP_Hdp_AppendSegmentLine(HdpBody* body, const char* name, const char* value);

// Serialises the body into *packet (replacing its contents).
int32_t QW_VSCP_Hdp_BuildPacket(const HdpBody* body, std::string* packet);

// Parses length bytes of text into a new body; never reads beyond them.
// Failures:
//   QW_VSCP_ERR_BAD_SEGMENT_NUM  first line is not "Segment-Num:<n>" with
//                                0 <= n <= INT32_MAX
//   QW_VSCP_ERR_BAD_ARGUMENT     fewer segments than announced (also when the
//                                count cannot fit the remaining bytes)
//   QW_VSCP_ERR_BAD_HEADER_LINE  a segment header line is not "name:value"
//   QW_VSCP_ERR_DATA_LENGTH      "Data-Length" is not a decimal number of at
//                                most INT32_MAX, appears twice, or runs past
//                                the end of the text
// On failure *body is null and nothing stays allocated.
int32_t QW_VSCP_Hdp_ParserPacket(const char* text, size_t length, HdpBody** body);

int32_t QW_VSCP_Hdp_GetSegmentCount(const HdpBody* body, int32_t* count);

// Segment index (1-based) -> its data and length. QW_VSCP_ERR_SEGMENT_INDEX
// when index is above the count, QW_VSCP_ERR_SEGMENT_MISSING when below 1.
// The data stays valid until the body is freed (or, for a taken-over segment,
// until the caller frees it).
int32_t QW_VSCP_Hdp_GetSegment(const HdpBody* body, int32_t index, const char** data,
                               uint32_t* length);

// Value of the first extra line of segment index called name; *value is null
// for a line without value. QW_VSCP_ERR_FIELD_NOT_FOUND when there is none.
int32_t QW_VSCP_Hdp_GetSegmentLine(const HdpBody* body, int32_t index, const char* name,
                                   const char** value);

// Sets (1) or clears (0) segment index's free-with-the-list flag.
int32_t QW_VSCP_Hdp_SetSegmentFreeFlag(HdpBody* body, int32_t index, int32_t free_with_list);

// Frees the body, its lines and the owned data still flagged free-with-the-
// list. A null body is ignored.
void QW_VSCP_Hdp_Free(HdpBody* body);

#endif  // KESTREL_QW_VSCP_DATAPROC_HDP_H
