#include "row_output.h"

#include <cstdio>

namespace kestrel::flash {

namespace {

constexpr int kBarCells = 20;

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

std::string RowsAsText(const std::vector<DeviceRow>& rows) {
    std::string out;
    for (const DeviceRow& row : rows) {
        out += row.ip + "\t" + row.state + "\t" + row.comment + "\n";
    }
    return out;
}

std::string RowsAsJson(const std::vector<DeviceRow>& rows, uint64_t image_size) {
    std::string out = "[";
    for (size_t i = 0; i < rows.size(); ++i) {
        const DeviceRow& row = rows[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"ip\": " + JsonString(row.ip) + ", \"state\": " + JsonString(row.state) +
               ", \"comment\": " + JsonString(row.comment) +
               ", \"progress\": " + std::to_string(row.progress) +
               ", \"size\": " + std::to_string(image_size) + "}";
    }
    return out + (rows.empty() ? "]\n" : "\n]\n");
}

std::string ProgressLine(const DeviceRow& row, uint64_t image_size) {
    const uint64_t percent =
        image_size == 0 ? (row.finished ? 100 : 0) : row.progress * uint64_t{100} / image_size;
    const int filled = static_cast<int>(std::min<uint64_t>(percent, 100) * kBarCells / 100);
    char line[64];
    std::snprintf(line, sizeof line, "%-16s [%s%s] %3d%%  ", row.ip.c_str(),
                  std::string(filled, '#').c_str(), std::string(kBarCells - filled, '-').c_str(),
                  static_cast<int>(std::min<uint64_t>(percent, 100)));
    return line + row.state;
}

}  // namespace kestrel::flash
