#include "picture_md5.h"

#include <vector>

extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

namespace kestrel::tools {
namespace {

// av_md5 with its allocation tied to one scope.
class Md5 {
public:
    Md5() : context_(av_md5_alloc()) {
        if (context_ != nullptr) {
            av_md5_init(context_);
        }
    }
    ~Md5() { av_free(context_); }
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void Update(const uint8_t* bytes, size_t count) {
        if (context_ != nullptr) {
            av_md5_update(context_, bytes, count);
        }
    }
    // Empty when the context could not be allocated.
    std::string HexDigest() {
        if (context_ == nullptr) {
            return {};
        }
        uint8_t digest[16];
        av_md5_final(context_, digest);
        static const char kHex[] = "0123456789abcdef";
        std::string text;
        for (const uint8_t byte : digest) {
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
        return text;
    }

private:
    AVMD5* context_;
};

}  // namespace

std::string Yuy2AsYuv420Md5(const uint8_t* pixels, int width, int height, size_t stride) {
    const size_t w = static_cast<size_t>(width);
    const size_t chroma_width = (w + 1) / 2;
    std::vector<uint8_t> row(w);
    Md5 md5;
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = pixels + static_cast<size_t>(y) * stride;
        for (size_t x = 0; x < w; ++x) {
            row[x] = src[2 * x];
        }
        md5.Update(row.data(), w);
    }
    // U plane then V plane, each from the even rows. With an odd width the
    // last V is not stored, so the one before it stands in.
    for (const size_t plane_offset : {size_t{1}, size_t{3}}) {
        for (int y = 0; y < height; y += 2) {
            const uint8_t* src = pixels + static_cast<size_t>(y) * stride;
            for (size_t x = 0; x < chroma_width; ++x) {
                const size_t at = 4 * x + plane_offset;
                row[x] = at < 2 * w ? src[at] : (x > 0 ? src[at - 4] : 128);
            }
            md5.Update(row.data(), chroma_width);
        }
    }
    return md5.HexDigest();
}

std::string PackedRowsMd5(const uint8_t* pixels, size_t row_bytes, int height, size_t stride) {
    Md5 md5;
    for (int y = 0; y < height; ++y) {
        md5.Update(pixels + static_cast<size_t>(y) * stride, row_bytes);
    }
    return md5.HexDigest();
}

}  // namespace kestrel::tools
