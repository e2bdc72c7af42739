// MCTP message codec: the message object, serialising and parsing.
//
// Wire form: a start line of three tokens separated by single spaces
// (request: method, target, version; response: version, status, reason),
// header fields "name:value", each line ended by CR LF, an empty line, then
// the body. All text is 8-bit and passed through unchanged.
//
// Every function returns 0 or a QW_VSCP_ERR_* code. Texts handed out stay
// valid until the message is changed or destroyed. A message is used by one
// thread at a time.
#ifndef KESTREL_QW_VSCP_DATAPROC_H
#define KESTREL_QW_VSCP_DATAPROC_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct MctpMessage;

enum MctpKind : int32_t {
    MCTP_REQUEST = 0,
    MCTP_RESPONSE = 1,
};

inline constexpr const char* kMctpVersion = "MCTP/1.0";

// The header block is built in a buffer of this size, terminating NUL
// included, so a header text holds at most 2047 bytes; the transport refuses
// longer ones on receipt as well.
inline constexpr size_t kMctpHeaderBufferSize = 2048;

int32_t QW_VSCP_DataProc_Msg_Create(MctpKind kind, MctpMessage** msg);

// Destroys the message; a null message is ignored.
void QW_VSCP_DataProc_Msg_Destroy(MctpMessage* msg);

// Start-line tokens. Each call replaces the earlier text; null or "" makes
// the token absent (written as nothing, its spaces stay). Method and target
// belong to requests, status and reason to responses (other kind:
// QW_VSCP_ERR_BAD_ARGUMENT). Texts that would not read back as the same
// token are refused with QW_VSCP_ERR_BAD_ARGUMENT: CR LF anywhere, a space in
// any token but the last (the request's version, the response's reason).
int32_t QW_VSCP_DataProc_Msg_SetMethod(MctpMessage* msg, const char* method);
int32_t QW_VSCP_DataProc_Msg_SetTarget(MctpMessage* msg, const char* target);
int32_t QW_VSCP_DataProc_Msg_SetVersion(MctpMessage* msg, const char* version);
int32_t QW_VSCP_DataProc_Msg_SetStatus(MctpMessage* msg, const char* status);
int32_t QW_VSCP_DataProc_Msg_SetReason(MctpMessage* msg, const char* reason);

// Appends a header field (both texts copied; value null or "" = no value).
// QW_VSCP_ERR_BAD_ARGUMENT for a name that is empty, surrounded by spaces or
// holds a colon or CR LF, and for a value holding CR LF.
int32_t QW_VSCP_DataProc_Msg_SetHeadField(MctpMessage* msg, const char* name, const char* value);

// Replaces the body with a copy of length bytes; null data clears it.
int32_t QW_VSCP_DataProc_Msg_SetBody(MctpMessage* msg, const void* data, size_t length);

// Value of the first field called exactly name; *value is null for a field
// without value. QW_VSCP_ERR_FIELD_NOT_FOUND when there is no such field.
int32_t QW_VSCP_DataProc_Msg_GetHeadField(const MctpMessage* msg, const char* name,
                                          const char** value);

// Reads a field as a 32-bit integer with automatic base (0x prefix: hex,
// leading 0: octal, else decimal; leading spaces skipped; text after the
// number ignored). An absent field or value gives 0. A number beyond 32 bits
// is QW_VSCP_ERR_BAD_HEADER_LINE rather than silently cut.
int32_t QW_VSCP_DataProc_Msg_GetIntField(const MctpMessage* msg, const char* name, int32_t* value);

// The kind and the second start-line token (target or status; null when
// absent).
int32_t QW_VSCP_DataProc_Msg_GetStartLine(const MctpMessage* msg, MctpKind* kind,
                                          const char** second_token);

// Start-line token at position 1, 2 or 3 (null when absent).
int32_t QW_VSCP_DataProc_Msg_GetStartToken(const MctpMessage* msg, int32_t position,
                                           const char** token);

// The body (NUL after its length bytes; null when there is none).
int32_t QW_VSCP_DataProc_Msg_GetBody(const MctpMessage* msg, const char** data, size_t* length);

// Serialises into the header text (start line, fields, empty line) and a copy
// of the body. The message keeps a copy of the header text. A header that
// would not fit kMctpHeaderBufferSize is refused with
// QW_VSCP_ERR_HEADER_TOO_LONG instead of being cut; outputs are then unchanged.
int32_t QW_VSCP_DataProc_Msg_BuildPacket(MctpMessage* msg, std::string* header_text,
                                         std::string* body);

// Parses a header text (read up to its first empty line or its end, never
// beyond header_text.size()) and takes a copy of the body into a new message.
// The message is a request when the third start-line token equals
// expected_version, else a response when the first one does.
// expected_version must not be empty (QW_VSCP_ERR_BAD_ARGUMENT).
// Failures: QW_VSCP_ERR_NO_LINES (empty header), QW_VSCP_ERR_BAD_START_LINE,
// QW_VSCP_ERR_BAD_HEADER_LINE (field line without colon or with an empty
// name). On failure *msg is null and nothing stays allocated.
int32_t QW_VSCP_DataProc_Msg_ParserPacket(std::string_view header_text, const void* body,
                                          size_t body_length, std::string_view expected_version,
                                          MctpMessage** msg);

#endif  // KESTREL_QW_VSCP_DATAPROC_H
