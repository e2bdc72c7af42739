#include "h264_decoder.h"

#include <new>

#include "h264_component.h"
#include "yuv_convert.h"

namespace kestrel::media {
namespace {

Qw264DecAttr LiveAttributes() {
    Qw264DecAttr attr{};
    attr.picture_format = 0;
    attr.stream_type = 0;
    attr.max_width_mb = kMaxPictureWidthMb;
    attr.max_height_mb = kMaxPictureHeightMb;
    attr.buffer_count = 4;
    attr.work_mode = 0;
    return attr;
}

}  // namespace

std::unique_ptr<H264Decoder> H264Decoder::Create() {
    const H264ComponentApi& api = H264Component();
    if (!api.Usable()) {
        return nullptr;
    }
    std::unique_ptr<H264Decoder> decoder(new (std::nothrow) H264Decoder);
    if (!decoder) {
        return nullptr;
    }
    // Sized for the largest picture the decoder is opened for, so no
    // picture it accepts can overrun it.
    decoder->picture_buffer_.reset(new (std::nothrow) uint8_t[kMaxYuy2PictureBytes]);
    if (!decoder->picture_buffer_) {
        return nullptr;
    }
    const Qw264DecAttr attr = LiveAttributes();
    if (api.create(&attr, &decoder->decoder_) != QW264_OK || decoder->decoder_ == nullptr) {
        decoder->decoder_ = nullptr;
        return nullptr;
    }
    return decoder;
}

H264Decoder::~H264Decoder() {
    if (decoder_ != nullptr) {
        H264Component().destroy(decoder_);
    }
}

bool H264Decoder::Decode(std::span<const uint8_t> access_unit) {
    if (access_unit.size() > QW264_MAX_AU_BYTES) {
        last_status_ = QW264_ERR_TOO_BIG;
        return false;
    }
    Qw264DecPicture decoded{};
    last_status_ = H264Component().decode(decoder_, access_unit.data(),
                                          static_cast<int32_t>(access_unit.size()), 0, &decoded,
                                          access_unit.empty() ? 1 : 0);
    return last_status_ == QW264_OK && Convert(decoded);
}

bool H264Decoder::Drain() {
    return Decode({});
}

bool H264Decoder::Convert(const Qw264DecPicture& decoded) {
    const size_t stride = size_t(decoded.width) * 2;
    if (decoded.width <= 0 || decoded.height <= 0 ||
        stride * size_t(decoded.height) > kMaxYuy2PictureBytes) {
        return false;
    }
    PlanarToYuy2(decoded.planes, decoded.strides, decoded.width, decoded.height,
                 picture_buffer_.get(), stride);
    picture_ = Yuy2Picture{picture_buffer_.get(), decoded.width, decoded.height, stride};
    return true;
}

}  // namespace kestrel::media
