// Pixel conversions of the display path: the decoder's planar 4:2:0 picture
// to packed YUY2 (bytes Y0 U Y1 V) and back, YUY2 to 32-bit B G R X for
// windows that take only RGB, YUY2 or 4:2:0 to 24-bit B G R for captures,
// and the brightness lift on luma.
//
// Threading: plain functions of their arguments.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel::media {

// Each chroma row serves two luma rows; an odd width repeats the last
// chroma sample. `out` holds height rows of out_stride >= 2 * width bytes.
void PlanarToYuy2(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                  uint8_t* out, size_t out_stride);

// The other way: luma as it is, chroma from the even rows (a picture made
// from 4:2:0 carries the same chroma in both rows of a pair, so that is
// lossless). An odd width's last V, not stored in YUY2, is its neighbour's
// (neutral grey for a one-pixel width). `planes` hold height luma rows of
// width and (height + 1) / 2 chroma rows of (width + 1) / 2 bytes.
void Yuy2ToPlanar(const uint8_t* yuy2, size_t in_stride, int width, int height,
                  uint8_t* const planes[3], const int32_t strides[3]);

// ITU-R BT.601 limited range to full-range RGB; X bytes are 0xFF. `out`
// holds height rows of out_stride >= 4 * width bytes.
void Yuy2ToRgb32(const uint8_t* yuy2, size_t in_stride, int width, int height, uint8_t* out,
                 size_t out_stride);

// PlanarToYuy2 then Yuy2ToRgb32 in one pass, with the same result to the
// bit; `out` as for Yuy2ToRgb32.
void PlanarToRgb32(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                   uint8_t* out, size_t out_stride);

// The same conversion to 24-bit B G R pixels; `out` holds height rows of
// out_stride >= 3 * width bytes.
void Yuy2ToBgr24(const uint8_t* yuy2, size_t in_stride, int width, int height, uint8_t* out,
                 size_t out_stride);

// 4:2:0 to 24-bit B G R, each chroma sample for its 2x2 pixels; an odd
// width's last pixel uses its own U and V. `out` as for Yuy2ToBgr24.
void PlanarToBgr24(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                   uint8_t* out, size_t out_stride);

// Lifts every luma byte b to b + (255 - b) * level / 255; level 0 leaves the
// picture alone, 255 makes it white. Chroma is untouched, so colours keep
// their hue.
void LiftLuma(uint8_t* yuy2, size_t stride, int width, int height, int level);
// The same on a luma plane.
void LiftLumaPlane(uint8_t* luma, size_t stride, int width, int height, int level);

}  // namespace kestrel::media
