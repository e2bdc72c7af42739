// MD5 (lower-case hex) of a presented picture, in the layout a reference
// decoder's per-frame checksums use: a YUY2 picture is rebuilt as planar
// 4:2:0 (luma as is, chroma of the even rows), so it matches the checksum
// of the decoded source frame; an RGB32 picture is hashed row by row
// without the stride padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel::tools {

std::string Yuy2AsYuv420Md5(const uint8_t* pixels, int width, int height, size_t stride);
std::string PackedRowsMd5(const uint8_t* pixels, size_t row_bytes, int height, size_t stride);

}  // namespace kestrel::tools
