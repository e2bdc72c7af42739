#include "record_file_io.h"

#include <algorithm>

namespace kestrel::client {

bool ReadAt(std::FILE* file, int64_t offset, void* out, size_t length) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, length, file) == length;
}

bool WriteAt(std::FILE* file, int64_t offset, const void* data, size_t length) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
           WriteAll(file, data, length);
}

bool WriteAll(std::FILE* file, const void* data, size_t length) {
    return std::fwrite(data, 1, length, file) == length;
}

bool CopyBytes(std::FILE* from, int64_t offset, std::FILE* to, int64_t length) {
    uint8_t block[8192];
    while (length > 0) {
        const size_t step = static_cast<size_t>(std::min<int64_t>(length, sizeof block));
        if (!ReadAt(from, offset, block, step) || !WriteAll(to, block, step)) {
            return false;
        }
        offset += static_cast<int64_t>(step);
        length -= static_cast<int64_t>(step);
    }
    return true;
}

void PutLe32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t GetLe32(const uint8_t* in) {
    return uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
}

}  // namespace kestrel::client
