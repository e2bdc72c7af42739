// Snapshot files of the live view: where a picture of a channel goes and the
// 24-bit bitmap file it is written as.
//
// Threading: any thread; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace kestrel::client {

// Capture buffer of the live view: 720 x 576 pixels at 4 bytes, plus one.
constexpr size_t kSnapshotBufferBytes = 1658881;

// framePath + "IP_<ip>/Capture/<channel0 + 1, two digits>/" in native
// spelling; framePath ends with a separator.
std::string SnapshotFolder(const std::string& framePath, const std::string& deviceIp, int channel0);
// "%4d%02d%02d%02d%02d%02d.bmp" of the local time.
std::string SnapshotFileName(const platform::LocalTime& t);
// The fixed file the motion area editor reads its background from.
std::string MotionSnapshotPath();

// Writes rows of width * 3 bytes (B, G, R; bottom row first, as the media
// library captures them) as an uncompressed 24-bit bitmap file. Each row is
// padded to four bytes in the file, so a width that is not a multiple of four
// still gives a file that readers accept. False when the size is not
// positive, pixelBytes is shorter than width * height * 3, or the file
// cannot be written completely (a partial file is removed).
bool WriteBitmapFile(const std::string& path, const uint8_t* pixels, size_t pixelBytes,
                     int32_t width, int32_t height);

}  // namespace kestrel::client
