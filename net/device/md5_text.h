// The MD5 export's two result buffers: one for buffers, one for files, each
// overwritten by the next call of its kind.
#pragma once

#include <cstddef>

namespace kestrel::net {

const char* Md5OfBuffer(const void* data, size_t length);
// Null when the file cannot be opened.
const char* Md5OfFile(const char* path);

}  // namespace kestrel::net
