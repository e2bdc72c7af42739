#include "qw_vscp_dataproc.h"

#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc_internal.h"
#include "qw_vscp_trace.h"

namespace {

struct MctpHeaderField {
    std::string name;
    std::optional<std::string> value;
};

// Start-line slots: request (method, target, version), response (version,
// status, reason).
enum StartSlot : size_t { kSlotFirst = 0, kSlotSecond = 1, kSlotThird = 2 };

}  // namespace

struct MctpMessage {
    MctpKind kind = MCTP_REQUEST;
    std::optional<std::string> start[3];
    std::vector<MctpHeaderField> fields;
    std::optional<std::string> body;
    std::string last_header;
};

namespace {

std::optional<std::string> OptionalText(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return std::string(text);
}

int32_t SetStartToken(MctpMessage* msg, MctpKind required_kind, StartSlot slot, const char* text) {
    if (msg == nullptr || msg->kind != required_kind) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    std::string_view token = text != nullptr ? text : "";
    // Only the last token may hold spaces; it runs to the end of the line.
    if (QW_VSCP_DataProc_HasLineEnd(token) ||
        (slot != kSlotThird && token.find(' ') != token.npos)) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    try {
        msg->start[slot] = OptionalText(token);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

const MctpHeaderField* FindField(const MctpMessage* msg, std::string_view name) {
    for (const MctpHeaderField& field : msg->fields) {
        if (field.name == name) {
            return &field;
        }
    }
    return nullptr;
}

std::string BuildHeader(const MctpMessage& msg) {
    std::string header;
    header.reserve(256);
    for (size_t slot = 0; slot < 3; ++slot) {
        if (slot > 0) {
            header += ' ';
        }
        if (msg.start[slot]) {
            header += *msg.start[slot];
        }
    }
    header += kQwLineEnd;
    for (const MctpHeaderField& field : msg.fields) {
        header += field.name;
        header += ':';
        if (field.value) {
            header += *field.value;
        }
        header += kQwLineEnd;
    }
    header += kQwLineEnd;
    return header;
}

int32_t ParseStartLine(std::string_view line, std::string_view expected_version, MctpMessage* msg) {
    std::string_view tokens[3];
    QW_VSCP_DataProc_SplitStartLine(line, tokens);
    if (tokens[kSlotThird] == expected_version) {
        msg->kind = MCTP_REQUEST;
    } else if (tokens[kSlotFirst] == expected_version) {
        msg->kind = MCTP_RESPONSE;
    } else {
        return QW_VSCP_ERR_BAD_START_LINE;
    }
    for (size_t slot = 0; slot < 3; ++slot) {
        msg->start[slot] = OptionalText(tokens[slot]);
    }
    return QW_NET_OK;
}

int32_t ParseFields(QwLineList* lines, MctpMessage* msg) {
    std::string_view line;
    while (QW_VSCP_DataProc_NextLine(lines, &line) == QW_NET_OK) {
        QW_VSCP_Trace(kQwTraceTagSplitField, QW_TRACE_DEBUG, "%.*s\r\n",
                      QW_VSCP_DataProc_PrintLength(line), line.data());
        std::string_view name;
        std::string_view value;
        int32_t code = QW_VSCP_DataProc_SplitHeaderField(line, &name, &value);
        if (code != QW_NET_OK) {
            return code;
        }
        msg->fields.push_back({std::string(name), OptionalText(value)});
    }
    return QW_NET_OK;
}

int32_t ParseMessage(std::string_view header_text, const void* body, size_t body_length,
                     std::string_view expected_version, MctpMessage* msg) {
    QwLineList lines;
    int32_t code = QW_VSCP_DataProc_SplitLines(header_text, &lines, nullptr);
    if (code != QW_NET_OK) {
        return code;
    }
    std::string_view start_line;
    QW_VSCP_DataProc_NextLine(&lines, &start_line);
    code = ParseStartLine(start_line, expected_version, msg);
    if (code != QW_NET_OK) {
        return code;
    }
    code = ParseFields(&lines, msg);
    if (code != QW_NET_OK) {
        return code;
    }
    if (body != nullptr) {
        msg->body.emplace(static_cast<const char*>(body), body_length);
    }
    return QW_NET_OK;
}

}  // namespace

int32_t QW_VSCP_DataProc_Msg_Create(MctpKind kind, MctpMessage** msg) {
    if (msg == nullptr || (kind != MCTP_REQUEST && kind != MCTP_RESPONSE)) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *msg = new (std::nothrow) MctpMessage;
    if (*msg == nullptr) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    (*msg)->kind = kind;
    return QW_NET_OK;
}

void QW_VSCP_DataProc_Msg_Destroy(MctpMessage* msg) {
    delete msg;
}

int32_t QW_VSCP_DataProc_Msg_SetMethod(MctpMessage* msg, const char* method) {
    return SetStartToken(msg, MCTP_REQUEST, kSlotFirst, method);
}

int32_t QW_VSCP_DataProc_Msg_SetTarget(MctpMessage* msg, const char* target) {
    return SetStartToken(msg, MCTP_REQUEST, kSlotSecond, target);
}

int32_t QW_VSCP_DataProc_Msg_SetVersion(MctpMessage* msg, const char* version) {
    if (msg == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    return msg->kind == MCTP_REQUEST ? SetStartToken(msg, MCTP_REQUEST, kSlotThird, version)
                                     : SetStartToken(msg, MCTP_RESPONSE, kSlotFirst, version);
}

int32_t QW_VSCP_DataProc_Msg_SetStatus(MctpMessage* msg, const char* status) {
    return SetStartToken(msg, MCTP_RESPONSE, kSlotSecond, status);
}

int32_t QW_VSCP_DataProc_Msg_SetReason(MctpMessage* msg, const char* reason) {
    return SetStartToken(msg, MCTP_RESPONSE, kSlotThird, reason);
}

int32_t QW_VSCP_DataProc_Msg_SetHeadField(MctpMessage* msg, const char* name, const char* value) {
    if (msg == nullptr || name == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    QW_VSCP_Trace(kQwTraceTagDataProc, QW_TRACE_DEBUG,
                  "QW_VSCP_DataProc_Msg_SetHeadField %s %d========================\r\n", __FILE__,
                  __LINE__);
    std::string_view field_name = name;
    std::string_view field_value = value != nullptr ? value : "";
    // Refuse what would read back as another field or another name.
    if (field_name.empty() || QW_VSCP_DataProc_Trim(field_name) != field_name ||
        field_name.find(':') != field_name.npos || QW_VSCP_DataProc_HasLineEnd(field_name) ||
        QW_VSCP_DataProc_HasLineEnd(field_value)) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    if (value != nullptr) {
        QW_VSCP_Trace(kQwTraceTagDataProc, QW_TRACE_DEBUG,
                      "QW_VSCP_DataProc_Msg_SetHeadField %s %d: pszValue addr = %p "
                      "pszValue=%s========================\r\n",
                      __FILE__, __LINE__, static_cast<const void*>(value), value);
    }
    try {
        msg->fields.push_back({std::string(field_name), OptionalText(field_value)});
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_SetBody(MctpMessage* msg, const void* data, size_t length) {
    if (msg == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    if (data == nullptr) {
        msg->body.reset();
        return QW_NET_OK;
    }
    try {
        msg->body.emplace(static_cast<const char*>(data), length);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_GetHeadField(const MctpMessage* msg, const char* name,
                                          const char** value) {
    if (msg == nullptr || name == nullptr || value == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    const MctpHeaderField* field = FindField(msg, name);
    if (field == nullptr) {
        return QW_VSCP_ERR_FIELD_NOT_FOUND;
    }
    *value = field->value ? field->value->c_str() : nullptr;
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_GetIntField(const MctpMessage* msg, const char* name, int32_t* value) {
    if (msg == nullptr || name == nullptr || value == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    const MctpHeaderField* field = FindField(msg, name);
    if (field == nullptr || !field->value) {
        *value = 0;
        return QW_NET_OK;
    }
    int32_t number = 0;
    if (!QW_VSCP_DataProc_ParseAutoBase(*field->value, &number)) {
        return QW_VSCP_ERR_BAD_HEADER_LINE;
    }
    *value = number;
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_GetStartLine(const MctpMessage* msg, MctpKind* kind,
                                          const char** second_token) {
    if (msg == nullptr || kind == nullptr || second_token == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *kind = msg->kind;
    return QW_VSCP_DataProc_Msg_GetStartToken(msg, 2, second_token);
}

int32_t QW_VSCP_DataProc_Msg_GetStartToken(const MctpMessage* msg, int32_t position,
                                           const char** token) {
    if (msg == nullptr || token == nullptr || position < 1 || position > 3) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    const std::optional<std::string>& text = msg->start[position - 1];
    *token = text ? text->c_str() : nullptr;
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_GetBody(const MctpMessage* msg, const char** data, size_t* length) {
    if (msg == nullptr || data == nullptr || length == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *data = msg->body ? msg->body->c_str() : nullptr;
    *length = msg->body ? msg->body->size() : 0;
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_BuildPacket(MctpMessage* msg, std::string* header_text,
                                         std::string* body) {
    if (msg == nullptr || header_text == nullptr || body == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    try {
        std::string header = BuildHeader(*msg);
        if (header.size() >= kMctpHeaderBufferSize) {
            QW_VSCP_Trace(kQwTraceTagDataProc, QW_TRACE_ERROR,
                          "%s %d:May be beyond the mark,%d > %d\r\n", __FILE__, __LINE__,
                          QW_VSCP_DataProc_PrintLength(header),
                          static_cast<int>(kMctpHeaderBufferSize));
            return QW_VSCP_ERR_HEADER_TOO_LONG;
        }
        std::string body_copy = msg->body ? *msg->body : std::string();
        *header_text = header;
        msg->last_header = std::move(header);
        *body = std::move(body_copy);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

int32_t QW_VSCP_DataProc_Msg_ParserPacket(std::string_view header_text, const void* body,
                                          size_t body_length, std::string_view expected_version,
                                          MctpMessage** msg) {
    if (msg == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *msg = nullptr;
    if ((body == nullptr && body_length > 0) || expected_version.empty()) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    std::unique_ptr<MctpMessage> parsed(new (std::nothrow) MctpMessage);
    if (parsed == nullptr) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    int32_t code = QW_NET_OK;
    try {
        code = ParseMessage(header_text, body, body_length, expected_version, parsed.get());
    } catch (const std::bad_alloc&) {
        code = QW_VSCP_ERR_NO_MEMORY;
    }
    if (code != QW_NET_OK) {
        QW_VSCP_Trace(kQwTraceTagDataProc, QW_TRACE_ERROR, "%s %d: parse failed 0x%X\r\n", __FILE__,
                      __LINE__, static_cast<unsigned>(code));
        return code;
    }
    *msg = parsed.release();
    return QW_NET_OK;
}
