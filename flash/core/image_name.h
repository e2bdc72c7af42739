// Firmware image names: prefix + N seven-character version segments + ".sw",
// the prefix naming the chip family and fixing N (5 or 8). A recorder may take
// an image when one of its segments is newer than the installed one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrel::flash {

constexpr size_t kSegmentChars = 7;
constexpr int kMaxSegments = 8;
// The recorder block of a search reply.
constexpr size_t kRecorderBlockBytes = 204;
constexpr size_t kVersionFieldBytes = 24;

struct ImageSegments {
    int count = 0;
    // Each slot keeps its seven characters and a NUL.
    std::array<std::array<char, kSegmentChars + 1>, kMaxSegments> slots{};

    std::string_view Segment(int index) const;  // empty outside 0..count-1
};

// The part of a path after its last '/' or '\'.
std::string_view ImageFileName(std::string_view path);
bool IsValidImageName(std::string_view name);
// False (and out untouched) for a name IsValidImageName refuses.
bool SplitImageName(std::string_view name, ImageSegments* out);

// 'T' or 'V' and six digits.
bool IsValidSegment(std::string_view segment);
// Whether the offered segment should replace the installed one: a 'T'
// segment is replaced by any other one, a 'V' segment by a 'T' or a later 'V'.
bool IsNewerSegment(std::string_view installed, std::string_view offered);
// Whether a recorder that answered with this block may take the named image.
bool MayUpgrade(const uint8_t* block, size_t block_length, std::string_view image_name);

}  // namespace kestrel::flash
