#include "h264_decoder.h"

#include <new>

#include "h264_component.h"

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

// A picture the display path can take: inside the size the decoder was
// opened for, whatever the component lets through.
bool Acceptable(const Qw264DecPicture& picture) {
    return picture.planes[0] != nullptr && picture.planes[1] != nullptr &&
           picture.planes[2] != nullptr && picture.width > 0 && picture.height > 0 &&
           picture.width <= kMaxPictureWidthMb * 16 && picture.height <= kMaxPictureHeightMb * 16;
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
    // Whatever happens below, the component lets go of the last planes.
    picture_ = Qw264DecPicture{};
    if (access_unit.size() > QW264_MAX_AU_BYTES) {
        last_status_ = QW264_ERR_TOO_BIG;
        return false;
    }
    Qw264DecPicture decoded{};
    last_status_ = H264Component().decode(decoder_, access_unit.data(),
                                          static_cast<int32_t>(access_unit.size()), 0, &decoded,
                                          access_unit.empty() ? 1 : 0);
    if (last_status_ != QW264_OK || !Acceptable(decoded)) {
        return false;
    }
    picture_ = decoded;
    return true;
}

bool H264Decoder::Drain() {
    return Decode({});
}

}  // namespace kestrel::media
