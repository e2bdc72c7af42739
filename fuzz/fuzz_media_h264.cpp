// Fuzzes the H.264 decoder component through its decode function: the input
// is a series of access units, each a 16-bit little-endian length and that
// many bytes (cut to what is left), decoded in order by one decoder, then a
// call without data. A picture handed out must be whole: planes of at least
// its size, within the limits the decoder was created with; any other
// result must come with a cleared picture.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_entry.h"
#include "qw_h264dec.h"

namespace {

// As the media library creates it, but smaller, so pictures stay cheap.
constexpr int32_t kMaxWidthMb = 45;
constexpr int32_t kMaxHeightMb = 36;
constexpr int kMaxUnits = 8;

bool Cleared(const Qw264DecPicture& picture) {
    return picture.planes[0] == nullptr && picture.planes[1] == nullptr &&
           picture.planes[2] == nullptr && picture.width == 0 && picture.height == 0 &&
           picture.strides[0] == 0 && picture.timestamp == 0;
}

void CheckResult(int32_t result, const Qw264DecPicture& picture) {
    Check(result == QW264_OK || result == QW264_NO_PICTURE || result == QW264_ERR_DECODE ||
          result == QW264_ERR_PICTURE);
    if (result != QW264_OK) {
        Check(Cleared(picture));
        return;
    }
    Check(picture.width >= 1 && picture.width <= kMaxWidthMb * 16);
    Check(picture.height >= 1 && picture.height <= kMaxHeightMb * 16);
    volatile uint8_t sum = 0;
    for (int plane = 0; plane < 3; ++plane) {
        const int width = plane == 0 ? picture.width : (picture.width + 1) / 2;
        const int height = plane == 0 ? picture.height : (picture.height + 1) / 2;
        Check(picture.planes[plane] != nullptr && picture.strides[plane] >= width);
        // The first and last pixel of every row, for the sanitizers.
        for (int row = 0; row < height; ++row) {
            const uint8_t* line = picture.planes[plane] + size_t(row) * picture.strides[plane];
            sum = static_cast<uint8_t>(sum + line[0] + line[width - 1]);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Qw264DecAttr attr{};
    attr.max_width_mb = kMaxWidthMb;
    attr.max_height_mb = kMaxHeightMb;
    attr.buffer_count = 4;
    Qw264Decoder* decoder = nullptr;
    Check(Qw264DecCreate(&attr, &decoder) == QW264_OK && decoder != nullptr);

    std::span<const uint8_t> rest(data, size);
    uint64_t timestamp = 40000;
    for (int units = 0; units < kMaxUnits && rest.size() >= 2; ++units) {
        const size_t length = std::min<size_t>(rest.size() - 2, rest[0] | rest[1] << 8);
        const std::span<const uint8_t> unit = rest.subspan(2, length);
        rest = rest.subspan(2 + length);
        Qw264DecPicture picture{};
        const int32_t result =
            Qw264DecAU(decoder, unit.empty() ? nullptr : unit.data(),
                       static_cast<int32_t>(unit.size()), timestamp, &picture, 0);
        CheckResult(result, picture);
        timestamp += 40000;
    }
    Qw264DecPicture picture{};
    const int32_t result = Qw264DecAU(decoder, nullptr, 0, 0, &picture, 1);
    Check(result != QW264_OK || picture.planes[0] != nullptr);
    CheckResult(result, picture);
    Qw264DecDestroy(decoder);
    return 0;
}
