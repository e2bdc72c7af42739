#include "bmp_file.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "kestrel_media.h"

namespace kestrel::media {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes;

using Header = std::array<uint8_t, kPixelOffset>;

// Fields are little-endian whatever the host.
void Put16(Header& header, size_t at, uint32_t value) {
    header[at] = static_cast<uint8_t>(value);
    header[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(Header& header, size_t at, uint32_t value) {
    Put16(header, at, value & 0xFFFF);
    Put16(header, at + 2, value >> 16);
}

Header MakeHeader(uint32_t width, uint32_t height, uint32_t image_bytes) {
    Header header{};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, kPixelOffset + image_bytes);
    Put32(header, 10, kPixelOffset);
    Put32(header, 14, kInfoHeaderBytes);
    Put32(header, 18, width);
    Put32(header, 22, height);  // positive: rows stored bottom-up
    Put16(header, 26, 1);       // planes
    Put16(header, 28, 24);      // bits per pixel
    Put32(header, 30, 0);       // no compression
    Put32(header, 34, image_bytes);
    return header;  // resolution and palette fields stay 0
}

bool WriteAll(std::FILE* file, const void* bytes, size_t count) {
    return std::fwrite(bytes, 1, count, file) == count;
}

bool WriteImage(std::FILE* file, const Header& header, const uint8_t* pixels, size_t row_bytes,
                size_t padded_row_bytes, int height) {
    static constexpr uint8_t kPadding[3] = {0, 0, 0};
    if (!WriteAll(file, header.data(), header.size())) {
        return false;
    }
    for (int row = 0; row < height; ++row) {
        if (!WriteAll(file, pixels + static_cast<size_t>(row) * row_bytes, row_bytes) ||
            !WriteAll(file, kPadding, padded_row_bytes - row_bytes)) {
            return false;
        }
    }
    // A full disk may only show when the buffered tail is written.
    return std::fflush(file) == 0;
}

// Only a regular file is ours to delete; a device such as /dev/full is not.
void RemovePartialFile(const char* file_name) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file_name, error)) {
        std::filesystem::remove(file_name, error);
    }
}

}  // namespace

int32_t SaveBmp24(const char* file_name, const uint8_t* pixels, int width, int height) {
    if (file_name == nullptr || pixels == nullptr || width <= 0 || height <= 0) {
        return QW_MEDIA_ERR_BAD_ARGUMENT;
    }
    const uint64_t row_bytes = 3 * static_cast<uint64_t>(width);
    const uint64_t padded_row_bytes = (row_bytes + 3) / 4 * 4;
    const uint64_t image_bytes = padded_row_bytes * static_cast<uint64_t>(height);
    // Within 32 bits, every size also fits a size_t.
    if (image_bytes > std::numeric_limits<uint32_t>::max() - kPixelOffset) {
        return QW_MEDIA_ERR_BAD_ARGUMENT;
    }
    const Header header = MakeHeader(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                     static_cast<uint32_t>(image_bytes));

    std::FILE* file = std::fopen(file_name, "wb+");
    if (file == nullptr) {
        return QW_MEDIA_ERR_FILE_OPEN;
    }
    const bool written = WriteImage(file, header, pixels, static_cast<size_t>(row_bytes),
                                    static_cast<size_t>(padded_row_bytes), height);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        RemovePartialFile(file_name);
        return QW_MEDIA_ERR_FILE_OPEN;
    }
    return 0;
}

}  // namespace kestrel::media
