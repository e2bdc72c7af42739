// The decoder component over libavcodec's H.264 decoder, tuned for live view:
// one thread, low delay, so each access unit's picture leaves in its own call.
#include "qw_h264dec.h"

#include <cstring>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixfmt.h>
}

struct Qw264Decoder {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVBufferRef* input = nullptr;  // reused for access units while the codec holds no reference
    AVFrame* frame = nullptr;      // the picture last handed out; owns its planes
    AVFrame* scratch = nullptr;    // receives pictures before they replace frame
    int max_width = 0;
    int max_height = 0;

    ~Qw264Decoder() {
        av_frame_free(&scratch);
        av_frame_free(&frame);
        av_packet_free(&packet);
        av_buffer_unref(&input);
        avcodec_free_context(&context);
    }
};

namespace {

void ClearPicture(Qw264DecPicture* picture) {
    if (picture != nullptr) {
        *picture = Qw264DecPicture{};
    }
}

bool AttributesSupported(const Qw264DecAttr& attr) {
    return attr.picture_format == 0 && attr.stream_type == 0 && attr.work_mode == 0 &&
           attr.reserved == 0 && attr.max_width_mb >= 1 &&
           attr.max_width_mb <= QW264_MAX_MACROBLOCKS_WIDE && attr.max_height_mb >= 1 &&
           attr.max_height_mb <= QW264_MAX_MACROBLOCKS_HIGH;
}

int32_t Open(const Qw264DecAttr& attr, Qw264Decoder* decoder) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr) {
        return QW264_ERR_RESOURCE;
    }
    decoder->context = avcodec_alloc_context3(codec);
    decoder->packet = av_packet_alloc();
    decoder->frame = av_frame_alloc();
    decoder->scratch = av_frame_alloc();
    if (decoder->context == nullptr || decoder->packet == nullptr || decoder->frame == nullptr ||
        decoder->scratch == nullptr) {
        return QW264_ERR_RESOURCE;
    }
    AVCodecContext* ctx = decoder->context;
    // Frame threads would hold pictures back by one frame per thread.
    ctx->thread_count = 1;
    ctx->thread_type = 0;
    ctx->flags |= AV_CODEC_FLAG_LOW_DELAY;
    // Broken stream input is reported through result codes; keep the codec's
    // complaints out of the host's log unless it asks for debug output.
    ctx->log_level_offset = AV_LOG_DEBUG - AV_LOG_ERROR;
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        return QW264_ERR_RESOURCE;
    }
    decoder->max_width = attr.max_width_mb * 16;
    decoder->max_height = attr.max_height_mb * 16;
    return QW264_OK;
}

bool Damaged(const AVFrame& frame) {
    return frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT) != 0;
}

// Takes every picture the codec has ready, keeping the newest in
// decoder->frame. With low delay there is at most one per access unit.
int32_t ReceiveNewest(Qw264Decoder* decoder) {
    AVFrame* scratch = decoder->scratch;
    int32_t status = QW264_NO_PICTURE;
    for (;;) {
        const int rc = avcodec_receive_frame(decoder->context, scratch);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return status;
        }
        if (rc < 0) {
            return QW264_ERR_DECODE;
        }
        av_frame_unref(decoder->frame);
        av_frame_move_ref(decoder->frame, scratch);
        status = QW264_OK;
    }
}

int32_t Describe(const Qw264Decoder& decoder, Qw264DecPicture* picture) {
    const AVFrame& frame = *decoder.frame;
    if (Damaged(frame)) {
        return QW264_ERR_DECODE;
    }
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if ((format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P) || frame.width <= 0 ||
        frame.height <= 0 || frame.width > decoder.max_width || frame.height > decoder.max_height) {
        return QW264_ERR_PICTURE;
    }
    for (int plane = 0; plane < 3; ++plane) {
        const int plane_width = plane == 0 ? frame.width : (frame.width + 1) / 2;
        if (frame.data[plane] == nullptr || frame.linesize[plane] < plane_width) {
            return QW264_ERR_PICTURE;
        }
        picture->planes[plane] = frame.data[plane];
        picture->strides[plane] = frame.linesize[plane];
    }
    picture->width = frame.width;
    picture->height = frame.height;
    picture->timestamp = static_cast<uint64_t>(frame.best_effort_timestamp);
    return QW264_OK;
}

// Copies an access unit into decoder->input followed by the zeroed padding
// the codec reads ahead into. The buffer is kept from call to call, so a
// picture costs no allocation; a new one is made only when it is too small
// or the codec still holds a reference to it.
bool FillInput(Qw264Decoder* decoder, const uint8_t* data, int32_t length) {
    const size_t needed = static_cast<size_t>(length) + AV_INPUT_BUFFER_PADDING_SIZE;
    AVBufferRef*& input = decoder->input;
    if (input == nullptr || input->size < needed || av_buffer_is_writable(input) == 0) {
        av_buffer_unref(&input);
        // Headroom so that slowly growing key frames do not reallocate each time.
        input = av_buffer_alloc(needed + needed / 2);
        if (input == nullptr) {
            return false;
        }
    }
    std::memcpy(input->data, data, static_cast<size_t>(length));
    std::memset(input->data + length, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    return true;
}

int32_t Decode(Qw264Decoder* decoder, const uint8_t* data, int32_t length, uint64_t timestamp,
               Qw264DecPicture* picture) {
    // The previous picture's planes are released here, as the header says.
    av_frame_unref(decoder->frame);
    if (length == 0) {
        // Nothing is ever held back, but a picture left over would come out here.
        const int32_t status = ReceiveNewest(decoder);
        return status == QW264_OK ? Describe(*decoder, picture) : status;
    }

    AVPacket* packet = decoder->packet;
    if (!FillInput(decoder, data, length)) {
        return QW264_ERR_RESOURCE;
    }
    packet->buf = av_buffer_ref(decoder->input);
    if (packet->buf == nullptr) {
        return QW264_ERR_RESOURCE;
    }
    packet->data = packet->buf->data;
    packet->size = length;
    packet->pts = static_cast<int64_t>(timestamp);
    packet->dts = packet->pts;
    const int sent = avcodec_send_packet(decoder->context, packet);
    av_packet_unref(packet);

    // Collect even after a send error so that no picture stays queued inside.
    const int32_t status = ReceiveNewest(decoder);
    if (sent < 0 && sent != AVERROR(EAGAIN)) {
        av_frame_unref(decoder->frame);
        return QW264_ERR_DECODE;
    }
    if (status != QW264_OK) {
        return status;
    }
    return Describe(*decoder, picture);
}

}  // namespace

extern "C" {

QW264_EXPORT int32_t QW264_API Qw264DecCreate(const Qw264DecAttr* attr, Qw264Decoder** decoder) {
    if (decoder == nullptr) {
        return QW264_ERR_PARAM;
    }
    *decoder = nullptr;
    if (attr == nullptr) {
        return QW264_ERR_PARAM;
    }
    if (!AttributesSupported(*attr)) {
        return QW264_ERR_UNSUPPORTED;
    }
    auto* created = new (std::nothrow) Qw264Decoder;
    if (created == nullptr) {
        return QW264_ERR_RESOURCE;
    }
    const int32_t status = Open(*attr, created);
    if (status != QW264_OK) {
        delete created;
        return status;
    }
    *decoder = created;
    return QW264_OK;
}

QW264_EXPORT int32_t QW264_API Qw264DecAU(Qw264Decoder* decoder, const uint8_t* data,
                                          int32_t length, uint64_t timestamp,
                                          Qw264DecPicture* picture, int32_t end_of_stream) {
    (void)end_of_stream;  // nothing is held back, so there is nothing to flush
    ClearPicture(picture);
    if (decoder == nullptr || picture == nullptr || length < 0 || (data == nullptr && length > 0)) {
        return QW264_ERR_PARAM;
    }
    if (length > QW264_MAX_AU_BYTES) {
        av_frame_unref(decoder->frame);
        return QW264_ERR_TOO_BIG;
    }
    const int32_t status = Decode(decoder, data, length, timestamp, picture);
    if (status != QW264_OK) {
        av_frame_unref(decoder->frame);
        ClearPicture(picture);
    }
    return status;
}

QW264_EXPORT void QW264_API Qw264DecDestroy(Qw264Decoder* decoder) {
    delete decoder;
}

}  // extern "C"
