#include "avi_header.h"

#include <cstring>

namespace kestrel::client {
namespace {

// Appends little-endian fields at a moving offset.
class HeaderWriter {
public:
    explicit HeaderWriter(AviHeader& out) : out_(out) {}
    void Tag(const char* four) {
        std::memcpy(out_.data() + at_, four, 4);
        at_ += 4;
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out_[at_++] = static_cast<uint8_t>(v >> (8 * i));
        }
    }
    void U16(uint32_t v) {
        out_[at_++] = static_cast<uint8_t>(v);
        out_[at_++] = static_cast<uint8_t>(v >> 8);
    }
    void Zero(size_t n) { at_ += n; }  // the header starts zeroed
    size_t At() const { return at_; }
    void Seek(size_t at) { at_ = at; }

private:
    AviHeader& out_;
    size_t at_ = 0;
};

uint32_t U(int32_t v) {
    return static_cast<uint32_t>(v);
}

// What differs between the two streams' "strh" headers.
struct StreamFields {
    const char* type;
    const char* handler;
    uint32_t scale;
    uint32_t rate;
    uint32_t length;
    uint16_t right;  // frame rectangle: 0, 0, right, bottom
    uint16_t bottom;
};

// "LIST" size "strl" "strh" 56 and the stream header; "strf" follows.
void StreamListStart(HeaderWriter& w, size_t listSize, const StreamFields& f) {
    w.Tag("LIST");
    w.U32(static_cast<uint32_t>(listSize - 8));
    w.Tag("strl");
    w.Tag("strh");
    w.U32(56);
    w.Tag(f.type);
    w.Tag(f.handler);
    w.U32(0);  // flags
    w.U16(0);  // priority
    w.U16(0);  // language
    w.U32(0);  // initial frames
    w.U32(f.scale);
    w.U32(f.rate);
    w.U32(0);  // start
    w.U32(f.length);
    w.U32(1000000);     // suggested buffer
    w.U32(0xFFFFFFFF);  // quality
    w.U32(0);           // sample size
    w.U16(0);
    w.U16(0);
    w.U16(f.right);
    w.U16(f.bottom);
}

void VideoList(HeaderWriter& w, const RecordState& s) {
    StreamListStart(w, avi::kVideoListSize,
                    {"vids", "H264", 1000, U(s.frameRate) * 1000, U(s.videoChunks),
                     static_cast<uint16_t>(s.width), static_cast<uint16_t>(s.height)});
    w.Tag("strf");
    w.U32(40);
    w.U32(40);
    w.U32(U(s.width));
    w.U32(U(s.height));
    w.U16(1);   // planes
    w.U16(24);  // bit count
    w.Tag("H264");
    w.U32(U(s.width) * U(s.height));
    w.Zero(16);
}

void AudioList(HeaderWriter& w, const RecordState& s) {
    StreamListStart(w, avi::kAudioListSize,
                    {"auds", "G711", 1, s.sampleRate, U(s.audioChunks), 0, 0});
    w.Tag("strf");
    w.U32(18);
    w.U16(7);  // mu-law
    w.U16(s.audioChannels);
    w.U32(s.sampleRate);
    w.U32(s.bitRate / 8);
    w.U16(s.blockAlign);
    w.U16(s.bitsPerSample);
    w.U16(0);
}

}  // namespace

AviHeader BuildAviHeader(const RecordState& s) {
    AviHeader out{};
    HeaderWriter w(out);
    w.Tag("RIFF");
    w.U32(16 * U(s.totalChunks) + avi::kHeaderSize + U(s.moviBytes));
    w.Tag("AVI ");
    w.Tag("LIST");
    w.U32(avi::kHdrlListSize);
    w.Tag("hdrl");
    w.Tag("avih");
    w.U32(56);
    w.U32(s.frameRate > 0 ? 1000000 / U(s.frameRate) : 0);
    w.U32(0xFFFFFFFF);
    w.U32(0);
    w.U32(0x910);
    w.U32(U(s.videoChunks));
    w.U32(0);
    w.U32((s.videoChunks > 0 ? 1 : 0) + (s.audioChunks > 0 ? 1 : 0));
    w.U32(1000000);
    w.U32(U(s.width));
    w.U32(U(s.height));
    w.Zero(16);
    static_assert(avi::kMainHeaderSize == 88);
    if (s.videoChunks > 0) {
        VideoList(w, s);
    }
    if (s.audioChunks > 0) {
        AudioList(w, s);
    }
    const size_t junkAt = w.At();
    w.Tag("JUNK");
    w.U32(static_cast<uint32_t>(avi::kJunkEnd - 8 - junkAt));
    w.Seek(avi::kStateBlock);
    uint32_t words[kRecordStateWords];
    std::memcpy(words, &s, sizeof words);
    for (int i = 0; i < kRecordStateWords; ++i) {
        w.U32(words[i]);
    }
    w.Seek(avi::kMoviList);
    w.Tag("LIST");
    w.U32(U(s.moviBytes) + 4);
    w.Tag("movi");
    return out;
}

RecordState ReadStateBlock(const AviHeader& header) {
    uint32_t words[kRecordStateWords];
    for (int i = 0; i < kRecordStateWords; ++i) {
        const uint8_t* p = header.data() + avi::kStateBlock + 4 * i;
        words[i] =
            uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
    RecordState s{};
    std::memcpy(&s, words, sizeof s);
    return s;
}

void TakeVideoParameters(const uint8_t* recordingHeader, int32_t channel0, RecordState* state) {
    const size_t record = 100 + 40 * static_cast<size_t>(channel0 & 3);
    state->frameRate = recordingHeader[record + 1] & 0x1F;
    switch (recordingHeader[record + 2]) {
        case 0:
            state->width = 720, state->height = 576;
            break;
        case 1:
            state->width = 720, state->height = 288;
            break;
        case 2:
            state->width = 352, state->height = 288;
            break;
        case 3:
            state->width = 176, state->height = 144;
            break;
        default:
            state->width = 0, state->height = 0;
            break;
    }
}

void SetAudioParameters(RecordState* state) {
    state->audioCode = 6;
    state->sampleRate = 8000;
    state->bitsPerSample = 8;
    state->bitRate = 64000;
    state->blockAlign = 1;
    state->audioChannels = 1;
}

}  // namespace kestrel::client
