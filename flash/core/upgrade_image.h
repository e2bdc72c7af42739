// The firmware image the operator picked: the checks its path must pass, in
// the order their messages are shown, and its bytes, read once and shared
// read-only by every upload.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::flash {

enum class ImageCheck {
    kOk,
    kEmptyPath,
    kNoFolder,     // no '/' or '\' in the path
    kNameTooLong,  // 128 characters or more after the last separator
    kNoDot,
    kBadExtension,  // the extension does not begin with "sw"
    kNameCheckFailed,
    kOpenFailed,
    kReadFailed,  // unreadable, or too large to announce in 32 bits
};

// The operator's message for a failed check ("File name too long!", ...).
const char* ImageCheckMessage(ImageCheck check);

// The path checks, without touching the file.
ImageCheck CheckImagePath(std::string_view path);

struct UpgradeImage {
    std::string path;
    std::string name;  // after the last separator: what the recorders are told
    std::vector<uint8_t> bytes;
};

// The path checks, then the whole file read into memory. *out is replaced
// only on success.
ImageCheck LoadImage(const std::string& path, std::shared_ptr<const UpgradeImage>* out);

// The file's size in bytes, for the "File Size" field; -1 when unknown.
int64_t ImageFileSize(const std::string& path);

// "1,234,567": a comma before every group of three digits from the right.
std::string WithThousands(uint64_t value);

}  // namespace kestrel::flash
