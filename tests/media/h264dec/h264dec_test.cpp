// The H.264 decoder component as the media library sees it: loaded by name
// from the binaries' folder, fed the simulator's clips one access unit at a
// time, its pictures compared with the clips' framemd5 references.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "qw_h264dec.h"
#include "sim/media_clip.h"
#include "sim/recorder_config.h"

extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

namespace {

using kestrel::sim::MediaClip;

const int kAnchor = 0;  // an address inside the test program

struct Component {
    platform::SharedLibrary library;
    Qw264DecCreateFn create = nullptr;
    Qw264DecAUFn decode = nullptr;
    Qw264DecDestroyFn destroy = nullptr;
};

// Loaded once and never unloaded, as the media library keeps its
// components: unloading would orphan the codec's one-time allocations.
Component& Loaded() {
    static Component* component = [] {
        auto* c = new Component;
        if (c->library.Load(platform::ModuleFolderOf(&kAnchor), "qw_h264dec_w")) {
            c->create = reinterpret_cast<Qw264DecCreateFn>(c->library.Symbol("Qw264DecCreate"));
            c->decode = reinterpret_cast<Qw264DecAUFn>(c->library.Symbol("Qw264DecAU"));
            c->destroy = reinterpret_cast<Qw264DecDestroyFn>(c->library.Symbol("Qw264DecDestroy"));
        }
        return c;
    }();
    return *component;
}

// What the media library passes when it opens a decoder.
Qw264DecAttr LiveAttributes() {
    Qw264DecAttr attr{};
    attr.max_width_mb = 120;
    attr.max_height_mb = 75;
    attr.buffer_count = 4;
    return attr;
}

struct Clip {
    MediaClip units;
    std::vector<std::string> md5s;  // one per frame, in output order
    int width;
    int height;
};

std::optional<Clip> LoadClip(const std::string& name, int width, int height) {
    const std::string folder = kestrel::sim::RecorderConfig::DefaultMediaFolder();
    std::string error;
    auto units = MediaClip::Load(platform::JoinPath(folder, name + ".h264"), &error);
    if (!units) {
        ADD_FAILURE() << error;
        return std::nullopt;
    }
    std::vector<std::string> md5s;
    std::ifstream in(platform::JoinPath(folder, name + ".framemd5"));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            const size_t comma = line.rfind(',');
            md5s.push_back(line.substr(line.find_first_not_of(' ', comma + 1)));
        }
    }
    return Clip{std::move(*units), std::move(md5s), width, height};
}

const Clip& D1() {
    static const std::optional<Clip> clip = LoadClip("clip_d1", 704, 576);
    return clip.value();
}

const Clip& Cif() {
    static const std::optional<Clip> clip = LoadClip("clip_cif", 352, 288);
    return clip.value();
}

// MD5 over the bare yuv420p frame: each plane's rows without stride padding.
std::string PictureMd5(const Qw264DecPicture& picture) {
    AVMD5* md5 = av_md5_alloc();
    av_md5_init(md5);
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane == 0 ? picture.width : (picture.width + 1) / 2;
        const int h = plane == 0 ? picture.height : (picture.height + 1) / 2;
        for (int row = 0; row < h; ++row) {
            av_md5_update(md5, picture.planes[plane] + ptrdiff_t{row} * picture.strides[plane],
                          static_cast<size_t>(w));
        }
    }
    uint8_t digest[16];
    av_md5_final(md5, digest);
    av_free(md5);
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

class Decoder {
public:
    explicit Decoder(const Qw264DecAttr& attr = LiveAttributes()) {
        status_ = Loaded().create(&attr, &handle_);
    }
    ~Decoder() { Loaded().destroy(handle_); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int32_t created() const { return status_; }
    int32_t Feed(std::span<const uint8_t> unit, uint64_t stamp = 0) {
        return Loaded().decode(handle_, unit.data(), static_cast<int32_t>(unit.size()), stamp,
                               &picture, unit.empty() ? 1 : 0);
    }

    int32_t Call(const uint8_t* data, int32_t length, Qw264DecPicture* out) {
        return Loaded().decode(handle_, data, length, 0, out, 0);
    }

    Qw264DecPicture picture{};

private:
    Qw264Decoder* handle_ = nullptr;
    int32_t status_ = -1;
};

// Decodes units [first, last) of clip and checks every picture against the
// reference; the reference index follows the unit index.
void ExpectExact(Decoder& decoder, const Clip& clip, size_t first, size_t last) {
    for (size_t n = first; n < last; ++n) {
        const uint64_t stamp = 1'000'000 + n * 40'000;
        ASSERT_EQ(decoder.Feed(clip.units.AccessUnit(n), stamp), QW264_OK) << "unit " << n;
        const Qw264DecPicture& p = decoder.picture;
        ASSERT_EQ(p.width, clip.width) << "unit " << n;
        ASSERT_EQ(p.height, clip.height) << "unit " << n;
        EXPECT_EQ(p.timestamp, stamp) << "unit " << n;
        EXPECT_GE(p.strides[1], (p.width + 1) / 2);
        ASSERT_EQ(PictureMd5(p), clip.md5s[n]) << "unit " << n;
        // Drain, as the media library does before each frame: nothing is held back.
        EXPECT_EQ(decoder.Feed({}), QW264_NO_PICTURE) << "unit " << n;
        EXPECT_EQ(decoder.picture.planes[0], nullptr);
    }
}

class H264Dec : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Loaded().create, nullptr) << Loaded().library.Error();
        ASSERT_NE(Loaded().decode, nullptr) << Loaded().library.Error();
        ASSERT_NE(Loaded().destroy, nullptr) << Loaded().library.Error();
    }
};

TEST_F(H264Dec, EveryAccessUnitGivesItsOwnBitExactPicture) {
    for (const Clip* clip : {&D1(), &Cif()}) {
        SCOPED_TRACE(clip->width);
        ASSERT_EQ(clip->units.AccessUnitCount(), clip->md5s.size());
        Decoder decoder;
        ASSERT_EQ(decoder.created(), QW264_OK);
        ExpectExact(decoder, *clip, 0, clip->units.AccessUnitCount());
    }
}

TEST_F(H264Dec, DecodersOnTwoThreadsStayIndependent) {
    auto run = [](const Clip* clip) {
        Decoder decoder;
        ASSERT_EQ(decoder.created(), QW264_OK);
        ExpectExact(decoder, *clip, 0, clip->units.AccessUnitCount());
    };
    std::thread d1(run, &D1());
    std::thread cif(run, &Cif());
    d1.join();
    cif.join();
}

TEST_F(H264Dec, BrokenInputFailsWithoutPictureAndDecodingRecoversAtNextIdr) {
    const Clip& clip = Cif();
    std::mt19937 random(20240601);
    std::vector<uint8_t> noise(20000);
    for (auto& byte : noise) {
        byte = static_cast<uint8_t>(random());
    }
    // Noise cut into NAL units of random types, so the parser really gets to it.
    std::vector<uint8_t> fake_nals;
    for (size_t i = 0; i < noise.size(); ++i) {
        if (i % 97 == 0) {
            fake_nals.insert(fake_nals.end(), {0, 0, 0, 1});
        }
        fake_nals.push_back(noise[i]);
    }
    const auto idr = clip.units.AccessUnit(0);
    const std::vector<uint8_t> truncated_idr(idr.begin(), idr.begin() + idr.size() / 2);
    std::vector<uint8_t> flipped_idr(idr.begin(), idr.end());
    for (size_t i = 60; i < flipped_idr.size(); i += 7) {
        flipped_idr[i] ^= 0x5A;
    }

    Decoder decoder;
    ASSERT_EQ(decoder.created(), QW264_OK);
    ExpectExact(decoder, clip, 0, 5);
    for (const std::vector<uint8_t>* bad : std::initializer_list<const std::vector<uint8_t>*>{
             &noise, &fake_nals, &truncated_idr, &flipped_idr}) {
        const int32_t status = decoder.Feed(*bad);
        EXPECT_NE(status, QW264_OK) << "input " << bad->size() << " bytes";
        EXPECT_EQ(decoder.picture.planes[0], nullptr);
        EXPECT_EQ(decoder.picture.width, 0);
    }
    // The stream repeats its parameter sets with each IDR (unit 25).
    ExpectExact(decoder, clip, 25, 40);
}

TEST_F(H264Dec, RefusesBadArgumentsOversizeUnitsAndPicturesAboveTheMaximum) {
    Qw264Decoder* handle = reinterpret_cast<Qw264Decoder*>(&handle);
    Qw264DecAttr attr = LiveAttributes();
    EXPECT_EQ(Loaded().create(nullptr, &handle), QW264_ERR_PARAM);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(Loaded().create(&attr, nullptr), QW264_ERR_PARAM);
    for (auto change :
         {+[](Qw264DecAttr& a) { a.picture_format = 1; },
          +[](Qw264DecAttr& a) { a.stream_type = 2; }, +[](Qw264DecAttr& a) { a.max_width_mb = 0; },
          +[](Qw264DecAttr& a) { a.max_height_mb = 513; }}) {
        Qw264DecAttr bad = LiveAttributes();
        change(bad);
        handle = reinterpret_cast<Qw264Decoder*>(&handle);
        EXPECT_EQ(Loaded().create(&bad, &handle), QW264_ERR_UNSUPPORTED);
        EXPECT_EQ(handle, nullptr);
    }
    Loaded().destroy(nullptr);

    Decoder decoder;
    ASSERT_EQ(decoder.created(), QW264_OK);
    const auto unit = Cif().units.AccessUnit(0);
    Qw264DecPicture picture{};
    EXPECT_EQ(Loaded().decode(nullptr, unit.data(), 10, 0, &picture, 0), QW264_ERR_PARAM);
    EXPECT_EQ(Loaded().decode(nullptr, nullptr, 0, 0, nullptr, 1), QW264_ERR_PARAM);
    std::vector<uint8_t> huge(size_t{QW264_MAX_AU_BYTES} + 1);
    std::copy(unit.begin(), unit.end(), huge.begin());
    EXPECT_EQ(decoder.Feed(huge), QW264_ERR_TOO_BIG);
    EXPECT_EQ(decoder.Feed(std::span<const uint8_t>(huge).first(QW264_MAX_AU_BYTES)), QW264_OK)
        << "an access unit of exactly the limit is decoded";
    // Bad calls in between leave the decoder where it was.
    EXPECT_EQ(decoder.Call(unit.data(), -1, &picture), QW264_ERR_PARAM);
    EXPECT_EQ(decoder.Call(nullptr, 5, &picture), QW264_ERR_PARAM);
    EXPECT_EQ(decoder.Call(unit.data(), 10, nullptr), QW264_ERR_PARAM);
    ExpectExact(decoder, Cif(), 1, 3);

    // A decoder opened for CIF at most refuses D1 pictures and keeps taking CIF ones.
    attr.max_width_mb = 22;
    attr.max_height_mb = 18;
    Decoder small(attr);
    ASSERT_EQ(small.created(), QW264_OK);
    EXPECT_EQ(small.Feed(D1().units.AccessUnit(0)), QW264_ERR_PICTURE);
    EXPECT_EQ(small.picture.planes[0], nullptr);
    ExpectExact(small, Cif(), 0, 3);
}

TEST(H264DecLoading, MissingComponentFailsCleanly) {
    const std::string folder = platform::ModuleFolderOf(&kAnchor);
    platform::SharedLibrary library;
    EXPECT_FALSE(library.Load(folder, "qw_h264dec_missing"));
    EXPECT_FALSE(library.Loaded());
    EXPECT_FALSE(library.Error().empty());
    EXPECT_FALSE(library.Load(platform::JoinPath(folder, "no-such-folder"), "qw_h264dec_w"));
    EXPECT_EQ(library.Symbol("Qw264DecCreate"), nullptr);
}

}  // namespace
