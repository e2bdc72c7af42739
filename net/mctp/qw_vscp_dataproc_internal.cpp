#include "qw_vscp_dataproc_internal.h"

#include <algorithm>
#include <climits>
#include <new>

#include "kestrel_net_codes.h"

int32_t QW_VSCP_DataProc_SplitLines(std::string_view text, QwLineList* list, size_t* consumed) {
    if (list == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    list->lines.clear();
    list->next = 0;
    size_t pos = 0;
    try {
        while (pos < text.size()) {
            size_t end = text.find(kQwLineEnd, pos);
            if (end == std::string_view::npos) {
                list->lines.push_back(text.substr(pos));
                pos = text.size();
                break;
            }
            if (end == pos) {  // the empty line ends the block
                pos += kQwLineEnd.size();
                break;
            }
            list->lines.push_back(text.substr(pos, end - pos));
            pos = end + kQwLineEnd.size();
        }
    } catch (const std::bad_alloc&) {
        list->lines.clear();
        return QW_VSCP_ERR_NO_MEMORY;
    }
    if (consumed != nullptr) {
        *consumed = pos;
    }
    return list->lines.empty() ? QW_VSCP_ERR_NO_LINES : QW_NET_OK;
}

int32_t QW_VSCP_DataProc_NextLine(QwLineList* list, std::string_view* line) {
    if (list == nullptr || line == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    if (list->next >= list->lines.size()) {
        return QW_VSCP_ERR_NO_MORE_LINES;
    }
    *line = list->lines[list->next++];
    return QW_NET_OK;
}

bool QW_VSCP_DataProc_HasLineEnd(std::string_view text) {
    return text.find(kQwLineEnd) != std::string_view::npos;
}

int QW_VSCP_DataProc_PrintLength(std::string_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
}

std::string_view QW_VSCP_DataProc_Trim(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

int32_t QW_VSCP_DataProc_SplitHeaderField(std::string_view line, std::string_view* name,
                                          std::string_view* value) {
    if (name == nullptr || value == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return QW_VSCP_ERR_BAD_HEADER_LINE;
    }
    std::string_view field_name = QW_VSCP_DataProc_Trim(line.substr(0, colon));
    if (field_name.empty()) {
        return QW_VSCP_ERR_BAD_HEADER_LINE;
    }
    *name = field_name;
    *value = QW_VSCP_DataProc_Trim(line.substr(colon + 1));
    return QW_NET_OK;
}

void QW_VSCP_DataProc_SplitStartLine(std::string_view line, std::string_view tokens[3]) {
    auto skip_spaces = [&line]() {
        size_t start = line.find_first_not_of(' ');
        line.remove_prefix(start == std::string_view::npos ? line.size() : start);
    };
    for (int i = 0; i < 2; ++i) {
        skip_spaces();
        size_t end = line.find(' ');
        if (end == std::string_view::npos) {
            end = line.size();
        }
        tokens[i] = line.substr(0, end);
        line.remove_prefix(end);
    }
    skip_spaces();
    tokens[2] = line;
}

bool QW_VSCP_DataProc_ParseDecimal(std::string_view text, uint64_t max, uint64_t* value) {
    if (text.empty() || value == nullptr) {
        return false;
    }
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (max - digit) / 10) {
            return false;
        }
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

}  // namespace

bool QW_VSCP_DataProc_ParseAutoBase(std::string_view text, int32_t* value) {
    if (value == nullptr) {
        return false;
    }
    size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        // "0x" only counts as a prefix when a hex digit follows; otherwise the
        // 0 alone is the number, as with strtol.
        if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
            DigitValue(text[pos + 2]) < 16) {
            base = 16;
            pos += 2;
        }
    }
    // 2^32 - 1 for positive values (unsigned reading), 2^31 for negative ones.
    const uint64_t limit = negative ? 0x80000000ULL : 0xFFFFFFFFULL;
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        int digit = DigitValue(text[pos]);
        if (digit >= base) {
            break;
        }
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (magnitude > limit) {
            return false;
        }
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) {
        bits = 0U - bits;
    }
    *value = static_cast<int32_t>(bits);
    return true;
}
