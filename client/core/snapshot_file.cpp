#include "snapshot_file.h"

#include <array>
#include <cstdio>
#include <vector>

#include "platform/paths.h"

namespace kestrel::client {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;

void PutWord(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLong(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

std::string SnapshotFolder(const std::string& framePath, const std::string& deviceIp,
                           int channel0) {
    const char sep = platform::kPathSeparator;
    char tail[32];
    std::snprintf(tail, sizeof tail, "%cCapture%c%02d%c", sep, sep, channel0 + 1, sep);
    return framePath + "IP_" + deviceIp + tail;
}

std::string SnapshotFileName(const platform::LocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%4d%02d%02d%02d%02d%02d.bmp", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return name;
}

std::string MotionSnapshotPath() {
    return platform::NativePath("c:\\Capture\\") + "motioncapture.bmp";
}

bool WriteBitmapFile(const std::string& path, const uint8_t* pixels, size_t pixelBytes,
                     int32_t width, int32_t height) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t fileRowBytes = (rowBytes + 3) / 4 * 4;
    const size_t rows = static_cast<size_t>(height);
    if (rowBytes / 3 != static_cast<size_t>(width) || pixelBytes / rowBytes < rows) {
        return false;
    }
    const uint64_t imageBytes = static_cast<uint64_t>(fileRowBytes) * rows;
    const uint64_t fileBytes = imageBytes + kFileHeaderBytes + kInfoHeaderBytes;
    if (fileBytes > UINT32_MAX) {
        return false;
    }
    std::array<uint8_t, kFileHeaderBytes + kInfoHeaderBytes> header{};
    header[0] = 'B';
    header[1] = 'M';
    PutLong(&header[2], static_cast<uint32_t>(fileBytes));
    PutLong(&header[10], kFileHeaderBytes + kInfoHeaderBytes);
    uint8_t* info = &header[kFileHeaderBytes];
    PutLong(&info[0], kInfoHeaderBytes);
    PutLong(&info[4], static_cast<uint32_t>(width));
    PutLong(&info[8], static_cast<uint32_t>(height));  // positive: bottom row first
    PutWord(&info[12], 1);
    PutWord(&info[14], 24);
    PutLong(&info[20], static_cast<uint32_t>(imageBytes));

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    const std::array<uint8_t, 3> padding{};
    for (size_t row = 0; written && row < rows; ++row) {
        written = std::fwrite(pixels + row * rowBytes, 1, rowBytes, file) == rowBytes &&
                  std::fwrite(padding.data(), 1, fileRowBytes - rowBytes, file) ==
                      fileRowBytes - rowBytes;
    }
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(path.c_str());
    }
    return written;
}

}  // namespace kestrel::client
