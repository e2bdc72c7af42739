// Whether an H.264 access unit holds an IDR picture, the only place a
// decoder can start after a jump without broken pictures.
//
// Threading: a plain function.
#pragma once

#include <cstdint>
#include <span>

namespace kestrel::media {

bool HasIdrPicture(std::span<const uint8_t> access_unit);

}  // namespace kestrel::media
