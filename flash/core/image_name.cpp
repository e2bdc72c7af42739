#include "image_name.h"

#include <cstring>
#include <string>

#include "flash_packet.h"

namespace kestrel::flash {

namespace {

struct Family {
    std::string_view begins_with;
    std::string_view prefix;
    int segments;
};

// The eight-segment family is tested first, as both share the opening "Qw6".
constexpr Family kFamilies[] = {
    {"Qw6200", "Qw6200V100R003B010_", 8},
    {"Qw6100", "Qw6100V100R003B010_", 5},
};
constexpr std::string_view kSuffix = ".sw";

// Version fields of the recorder block, in comparison order for segments 1..8.
constexpr size_t kVersionOffsets[kMaxSegments] = {36, 60, 84, 12, 108, 132, 156, 180};
constexpr size_t kSegmentCountOffset = 4;
constexpr uint32_t kEightSegments = 8;
constexpr int kBaseSegments = 5;

const Family* FamilyOf(std::string_view name) {
    for (const Family& family : kFamilies) {
        if (name.starts_with(family.begins_with)) {
            return &family;
        }
    }
    return nullptr;
}

// A version field is NUL-terminated text, but never read past its 24 bytes.
std::string_view VersionField(const uint8_t* block, size_t offset) {
    const char* text = reinterpret_cast<const char*>(block + offset);
    return std::string_view(text, strnlen(text, kVersionFieldBytes));
}

}  // namespace

std::string_view ImageSegments::Segment(int index) const {
    if (index < 0 || index >= count) {
        return {};
    }
    return std::string_view(slots[index].data(), kSegmentChars);
}

std::string_view ImageFileName(std::string_view path) {
    size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool IsValidSegment(std::string_view segment) {
    if (segment.size() != kSegmentChars || (segment[0] != 'T' && segment[0] != 'V')) {
        return false;
    }
    for (size_t i = 1; i < kSegmentChars; ++i) {
        if (segment[i] < '0' || segment[i] > '9') {
            return false;
        }
    }
    return true;
}

bool IsValidImageName(std::string_view name) {
    const Family* family = FamilyOf(name);
    if (family == nullptr) {
        return false;
    }
    size_t body = family->prefix.size() + kSegmentChars * family->segments;
    if (name.size() != body + kSuffix.size() || !name.starts_with(family->prefix) ||
        name.substr(body) != kSuffix) {
        return false;
    }
    for (int i = 0; i < family->segments; ++i) {
        if (!IsValidSegment(
                name.substr(family->prefix.size() + kSegmentChars * i, kSegmentChars))) {
            return false;
        }
    }
    return true;
}

bool SplitImageName(std::string_view name, ImageSegments* out) {
    if (!IsValidImageName(name)) {
        return false;
    }
    const Family* family = FamilyOf(name);
    ImageSegments split;
    split.count = family->segments;
    for (int i = 0; i < family->segments; ++i) {
        std::memcpy(split.slots[i].data(), name.data() + family->prefix.size() + kSegmentChars * i,
                    kSegmentChars);
    }
    *out = split;
    return true;
}

bool IsNewerSegment(std::string_view installed, std::string_view offered) {
    if (!IsValidSegment(installed) || !IsValidSegment(offered)) {
        return false;
    }
    if (installed[0] == 'T') {
        return offered[0] == 'V' || installed != offered;
    }
    return offered[0] == 'T' || installed < offered;
}

bool MayUpgrade(const uint8_t* block, size_t block_length, std::string_view image_name) {
    ImageSegments segments;
    if (block == nullptr || block_length < kRecorderBlockBytes ||
        !SplitImageName(ImageFileName(image_name), &segments)) {
        return false;
    }
    // The segment count comes from the recorder, not from the image: a
    // five-segment image against an eight-segment recorder offers empty, never
    // newer, segments 6 to 8.
    int compared =
        ReadLE32(block + kSegmentCountOffset) == kEightSegments ? kMaxSegments : kBaseSegments;
    for (int i = 0; i < compared; ++i) {
        if (IsNewerSegment(VersionField(block, kVersionOffsets[i]), segments.Segment(i))) {
            return true;
        }
    }
    return false;
}

}  // namespace kestrel::flash
