#include "qw_vscp_dataproc_hdp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc_internal.h"
#include "qw_vscp_trace.h"

namespace {

constexpr std::string_view kSegmentNum = "Segment-Num";
constexpr std::string_view kSegmentSeq = "Segment-Seq";
constexpr std::string_view kDataLength = "Data-Length";

// Size estimate of the text form, used to reserve the packet in one go.
constexpr size_t kInitialSize = 22;
constexpr size_t kSegmentOverhead = 44;
constexpr size_t kLineOverhead = 2;

// The smallest segment is its empty header block "\r\n\r\n".
constexpr size_t kMinSegmentBytes = kQwBlockEnd.size();

struct HdpLine {
    std::string name;
    std::optional<std::string> value;
};

struct HdpSegment {
    int32_t index = 0;
    uint32_t length = 0;
    const char* data = nullptr;  // borrowed bytes or owned_copy
    char* owned_copy = nullptr;
    bool free_with_list = false;
    std::vector<HdpLine> lines;

    HdpSegment() = default;
    HdpSegment(const HdpSegment&) = delete;
    HdpSegment& operator=(const HdpSegment&) = delete;
    HdpSegment(HdpSegment&& other) noexcept
        : index(other.index),
          length(other.length),
          data(std::exchange(other.data, nullptr)),
          owned_copy(std::exchange(other.owned_copy, nullptr)),
          free_with_list(other.free_with_list),
          lines(std::move(other.lines)) {}
    HdpSegment& operator=(HdpSegment&&) = delete;
    ~HdpSegment() {
        if (free_with_list) {
            std::free(owned_copy);
        }
    }
};

}  // namespace

struct HdpBody {
    std::vector<HdpSegment> segments;
    size_t size = kInitialSize;
};

namespace {

// An owned copy of the data with a NUL after it.
char* CopyData(const void* data, size_t length) {
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy != nullptr) {
        if (length > 0) {
            std::memcpy(copy, data, length);
        }
        copy[length] = '\0';
    }
    return copy;
}

// Appends a segment; on failure the body is unchanged.
int32_t AppendSegment(HdpBody* body, const void* data, uint32_t length, bool copy,
                      std::vector<HdpLine> lines) {
    HdpSegment segment;
    segment.index = static_cast<int32_t>(body->segments.size() + 1);
    segment.length = length;
    if (copy) {
        segment.owned_copy = CopyData(data, length);
        if (segment.owned_copy == nullptr) {
            return QW_VSCP_ERR_NO_MEMORY;
        }
        segment.data = segment.owned_copy;
        segment.free_with_list = true;
    } else {
        segment.data = static_cast<const char*>(data);
    }
    size_t lines_size = 0;
    for (const HdpLine& line : lines) {
        lines_size += line.name.size() + (line.value ? line.value->size() : 0) + kLineOverhead;
    }
    segment.lines = std::move(lines);
    body->segments.push_back(std::move(segment));  // may throw; segment frees its copy
    body->size += length + kSegmentOverhead + lines_size;
    return QW_NET_OK;
}

// 0 when index names a segment of the body, else the lookup failure code.
int32_t CheckIndex(const HdpBody* body, int32_t index) {
    if (index > static_cast<int32_t>(body->segments.size())) {
        return QW_VSCP_ERR_SEGMENT_INDEX;
    }
    return index < 1 ? QW_VSCP_ERR_SEGMENT_MISSING : QW_NET_OK;
}

// Reads the "Segment-Num" line at the start of text and advances past it.
int32_t ParseSegmentCount(std::string_view* text, size_t* count) {
    size_t end = text->find(kQwLineEnd);
    if (end == std::string_view::npos) {
        return QW_VSCP_ERR_BAD_SEGMENT_NUM;
    }
    std::string_view name;
    std::string_view value;
    uint64_t number = 0;
    if (QW_VSCP_DataProc_SplitHeaderField(text->substr(0, end), &name, &value) != QW_NET_OK ||
        name != kSegmentNum || !QW_VSCP_DataProc_ParseDecimal(value, INT32_MAX, &number)) {
        return QW_VSCP_ERR_BAD_SEGMENT_NUM;
    }
    text->remove_prefix(end + kQwLineEnd.size());
    *count = static_cast<size_t>(number);
    return QW_NET_OK;
}

// Reads one segment header block (without its terminating empty line).
int32_t ParseSegmentBlock(std::string_view block, size_t* length, std::vector<HdpLine>* lines) {
    QwLineList list;
    size_t consumed = 0;
    int32_t code = QW_VSCP_DataProc_SplitLines(block, &list, &consumed);
    if (code == QW_VSCP_ERR_NO_MEMORY) {
        return code;
    }
    if (consumed != block.size()) {  // an empty line inside the block
        return QW_VSCP_ERR_BAD_HEADER_LINE;
    }
    bool have_length = false;
    *length = 0;
    std::string_view line;
    while (QW_VSCP_DataProc_NextLine(&list, &line) == QW_NET_OK) {
        QW_VSCP_Trace(kQwTraceTagDproc, QW_TRACE_DEBUG,
                      "\r\nQW_VSCP_Hdp_ParserPacket %s %d:pszLineaddr :%p pszLine = %.*s\r\n",
                      __FILE__, __LINE__, static_cast<const void*>(line.data()),
                      QW_VSCP_DataProc_PrintLength(line), line.data());
        std::string_view name;
        std::string_view value;
        code = QW_VSCP_DataProc_SplitHeaderField(line, &name, &value);
        if (code != QW_NET_OK) {
            return code;
        }
        if (name == kSegmentSeq) {
            continue;  // segments are numbered by their order
        }
        if (name == kDataLength) {
            uint64_t number = 0;
            if (have_length ||
                (!value.empty() && !QW_VSCP_DataProc_ParseDecimal(value, INT32_MAX, &number))) {
                return QW_VSCP_ERR_DATA_LENGTH;
            }
            have_length = true;
            *length = static_cast<size_t>(number);
            continue;
        }
        HdpLine extra{std::string(name), std::nullopt};
        if (!value.empty()) {
            extra.value.emplace(value);
        }
        lines->push_back(std::move(extra));
    }
    return QW_NET_OK;
}

int32_t ParsePacket(std::string_view text, HdpBody* body) {
    size_t count = 0;
    int32_t code = ParseSegmentCount(&text, &count);
    if (code != QW_NET_OK) {
        return code;
    }
    if (count > text.size() / kMinSegmentBytes) {
        return QW_VSCP_ERR_BAD_ARGUMENT;  // cannot hold the announced segments
    }
    for (size_t i = 0; i < count; ++i) {
        size_t block_end = text.find(kQwBlockEnd);
        if (block_end == std::string_view::npos) {
            return QW_VSCP_ERR_BAD_ARGUMENT;  // fewer segments than announced
        }
        size_t length = 0;
        std::vector<HdpLine> lines;
        code = ParseSegmentBlock(text.substr(0, block_end), &length, &lines);
        if (code != QW_NET_OK) {
            return code;
        }
        text.remove_prefix(block_end + kQwBlockEnd.size());
        if (length > text.size()) {
            return QW_VSCP_ERR_DATA_LENGTH;
        }
        code =
            AppendSegment(body, text.data(), static_cast<uint32_t>(length), true, std::move(lines));
        if (code != QW_NET_OK) {
            return code;
        }
        text.remove_prefix(length);
    }
    return QW_NET_OK;
}

bool IsValidLineName(std::string_view name) {
    return !name.empty() && QW_VSCP_DataProc_Trim(name) == name &&
           name.find(':') == std::string_view::npos && !QW_VSCP_DataProc_HasLineEnd(name) &&
           name != kSegmentSeq && name != kDataLength;
}

}  // namespace

int32_t QW_VSCP_Hdp_Create(HdpBody** body) {
    if (body == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *body = new (std::nothrow) HdpBody;
    return *body != nullptr ? QW_NET_OK : QW_VSCP_ERR_NO_MEMORY;
}

int32_t QW_VSCP_Hdp_AppendSegment(HdpBody* body, const void* data, uint32_t length, int32_t copy) {
    // Lengths and indices go on the wire as "%d".
    if (body == nullptr || (data == nullptr && length > 0) || length > INT32_MAX ||
        body->segments.size() >= INT32_MAX || (copy != kHdpBorrow && copy != kHdpCopy)) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    try {
        return AppendSegment(body, data, length, copy == kHdpCopy, {});
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
}

int32_t QW_VSCP_Hdp_AppendSegmentLine(HdpBody* body, const char* name, const char* value) {
    if (body == nullptr || name == nullptr || !IsValidLineName(name) ||
        (value != nullptr && QW_VSCP_DataProc_HasLineEnd(value))) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    if (body->segments.empty()) {
        return QW_VSCP_ERR_NO_SEGMENT;
    }
    try {
        HdpLine line{name, std::nullopt};
        if (value != nullptr && *value != '\0') {
            line.value.emplace(value);
        }
        body->size += line.name.size() + (line.value ? line.value->size() : 0) + kLineOverhead;
        body->segments.back().lines.push_back(std::move(line));
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

int32_t QW_VSCP_Hdp_BuildPacket(const HdpBody* body, std::string* packet) {
    if (body == nullptr || packet == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    try {
        std::string text;
        // The estimate can fall short (long numbers, the colon of extra
        // lines); the string then simply grows.
        text.reserve(body->size + 1);
        char number[40];
        std::snprintf(number, sizeof number, "Segment-Num:%d\r\n",
                      static_cast<int>(body->segments.size()));
        text += number;
        for (const HdpSegment& segment : body->segments) {
            std::snprintf(number, sizeof number, "Segment-Seq:%d\r\nData-Length:%d\r\n",
                          static_cast<int>(segment.index), static_cast<int>(segment.length));
            text += number;
            for (const HdpLine& line : segment.lines) {
                text += line.name;
                text += ':';
                if (line.value) {
                    text += *line.value;
                }
                text += kQwLineEnd;
            }
            text += kQwLineEnd;
            text.append(segment.data != nullptr ? segment.data : "", segment.length);
        }
        *packet = std::move(text);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

int32_t QW_VSCP_Hdp_ParserPacket(const char* text, size_t length, HdpBody** body) {
    if (body == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *body = nullptr;
    if (text == nullptr && length > 0) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    QW_VSCP_Trace(kQwTraceTagDproc, QW_TRACE_DEBUG, "\r\nQW_VSCP_Hdp_ParserPacket %s %d\r\n",
                  __FILE__, __LINE__);
    std::unique_ptr<HdpBody> parsed(new (std::nothrow) HdpBody);
    if (parsed == nullptr) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    int32_t code = QW_NET_OK;
    try {
        code = ParsePacket(std::string_view(text != nullptr ? text : "", length), parsed.get());
    } catch (const std::bad_alloc&) {
        code = QW_VSCP_ERR_NO_MEMORY;
    }
    if (code != QW_NET_OK) {
        QW_VSCP_Trace(kQwTraceTagDproc, QW_TRACE_ERROR,
                      "\r\nQW_VSCP_Hdp_ParserPacket %s %d: failed 0x%X\r\n", __FILE__, __LINE__,
                      static_cast<unsigned>(code));
        return code;
    }
    *body = parsed.release();
    return QW_NET_OK;
}

int32_t QW_VSCP_Hdp_GetSegmentCount(const HdpBody* body, int32_t* count) {
    if (body == nullptr || count == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    *count = static_cast<int32_t>(body->segments.size());
    return QW_NET_OK;
}

int32_t QW_VSCP_Hdp_GetSegment(const HdpBody* body, int32_t index, const char** data,
                               uint32_t* length) {
    if (body == nullptr || data == nullptr || length == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    int32_t code = CheckIndex(body, index);
    if (code != QW_NET_OK) {
        return code;
    }
    const HdpSegment& segment = body->segments[static_cast<size_t>(index - 1)];
    *data = segment.data;
    *length = segment.length;
    return QW_NET_OK;
}

int32_t QW_VSCP_Hdp_GetSegmentLine(const HdpBody* body, int32_t index, const char* name,
                                   const char** value) {
    if (body == nullptr || name == nullptr || value == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    int32_t code = CheckIndex(body, index);
    if (code != QW_NET_OK) {
        return code;
    }
    for (const HdpLine& line : body->segments[static_cast<size_t>(index - 1)].lines) {
        if (line.name == name) {
            *value = line.value ? line.value->c_str() : nullptr;
            return QW_NET_OK;
        }
    }
    return QW_VSCP_ERR_FIELD_NOT_FOUND;
}

int32_t QW_VSCP_Hdp_SetSegmentFreeFlag(HdpBody* body, int32_t index, int32_t free_with_list) {
    if (body == nullptr || (free_with_list != 0 && free_with_list != 1)) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    int32_t code = CheckIndex(body, index);
    if (code != QW_NET_OK) {
        return code;
    }
    body->segments[static_cast<size_t>(index - 1)].free_with_list = free_with_list == 1;
    return QW_NET_OK;
}

void QW_VSCP_Hdp_Free(HdpBody* body) {
    delete body;
}
