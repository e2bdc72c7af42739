// Small helpers over <cstdio> files for the record file writer: positioned
// reads and writes that say whether the whole block went through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kestrel::client {

bool ReadAt(std::FILE* file, int64_t offset, void* out, size_t length);
bool WriteAt(std::FILE* file, int64_t offset, const void* data, size_t length);
bool WriteAll(std::FILE* file, const void* data, size_t length);
// Copies length bytes from from's offset to the current position of to.
bool CopyBytes(std::FILE* from, int64_t offset, std::FILE* to, int64_t length);
void PutLe32(uint8_t* out, uint32_t value);
uint32_t GetLe32(const uint8_t* in);

}  // namespace kestrel::client
