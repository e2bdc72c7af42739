// One channel's H.264 decoder: the outside component's decoder instance and
// the last picture it gave, left in the component's planar 4:2:0 planes:
// the renderer converts it only when it is shown, straight into what the
// window gets.
//
// Threading: used by its channel thread only. The last picture stays valid
// until the next Decode, Drain or destruction.
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

class H264Decoder {
public:
    // nullptr when the component is missing or the decoder cannot be made.
    static std::unique_ptr<H264Decoder> Create();
    ~H264Decoder();
    H264Decoder(const H264Decoder&) = delete;
    H264Decoder& operator=(const H264Decoder&) = delete;

    // Decodes one access unit; true when it gave a picture.
    bool Decode(std::span<const uint8_t> access_unit);
    // Asks for a picture the decoder still holds; true when one came.
    bool Drain();

    // The last picture: none before the first and after a call that gave
    // none (the component has released its planes by then).
    bool HasPicture() const { return picture_.planes[0] != nullptr; }
    int Width() const { return picture_.width; }
    int Height() const { return picture_.height; }
    const uint8_t* const* Planes() const { return picture_.planes; }
    const int32_t* Strides() const { return picture_.strides; }

    int32_t LastStatus() const { return last_status_; }

private:
    H264Decoder() = default;

    Qw264Decoder* decoder_ = nullptr;
    Qw264DecPicture picture_{};
    int32_t last_status_ = 0;
};

}  // namespace kestrel::media
