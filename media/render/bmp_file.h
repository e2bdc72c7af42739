// Saves a picture of 24-bit B G R pixels as a Windows bitmap file.
//
// Threading: a plain function of its arguments.
#pragma once

#include <cstdint>

namespace kestrel::media {

// Writes `pixels` (height rows of 3 * width bytes, no padding) as a
// bottom-up 24-bit bitmap: the rows go to the file in the order given, so
// pass the bottom row first for an upright picture. Creates or truncates
// the file. 0 on success; QW_MEDIA_ERR_FILE_OPEN when the file cannot be
// created or written (a partial regular file is removed);
// QW_MEDIA_ERR_BAD_ARGUMENT for null pointers, a side <= 0 or a picture too
// large for the format's 32-bit sizes.
int32_t SaveBmp24(const char* file_name, const uint8_t* pixels, int width, int height);

}  // namespace kestrel::media
