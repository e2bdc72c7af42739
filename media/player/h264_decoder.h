// One channel's H.264 decoder: the outside component's decoder instance and
// the last picture, converted to packed YUY2 (Y0 U Y1 V) for display.
//
// Threading: used by its channel thread only. Picture() stays valid until
// the next Decode, Drain or destruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "qw_h264dec.h"

namespace kestrel::media {

// The decoder is opened for pictures up to 120 x 75 macroblocks.
constexpr int kMaxPictureWidthMb = 120;
constexpr int kMaxPictureHeightMb = 75;
constexpr size_t kMaxYuy2PictureBytes =
    size_t{kMaxPictureWidthMb} * 16 * 2 * size_t{kMaxPictureHeightMb} * 16;

struct Yuy2Picture {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    size_t stride = 0;
};

class H264Decoder {
public:
    // nullptr when the component is missing or a buffer or the decoder
    // cannot be made.
    static std::unique_ptr<H264Decoder> Create();
    ~H264Decoder();
    H264Decoder(const H264Decoder&) = delete;
    H264Decoder& operator=(const H264Decoder&) = delete;

    // Decodes one access unit; true when it gave a picture.
    bool Decode(std::span<const uint8_t> access_unit);
    // Asks for a picture the decoder still holds; true when one came.
    bool Drain();
    // The last picture (pixels null before the first).
    Yuy2Picture Picture() const { return picture_; }
    int32_t LastStatus() const { return last_status_; }

private:
    H264Decoder() = default;
    bool Convert(const Qw264DecPicture& decoded);

    Qw264Decoder* decoder_ = nullptr;
    std::unique_ptr<uint8_t[]> picture_buffer_;  // sized for the largest picture
    Yuy2Picture picture_;
    int32_t last_status_ = 0;
};

}  // namespace kestrel::media
