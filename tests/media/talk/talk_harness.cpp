#include "talk_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace kestrel::media::talk_test {

void UseDiskAudio(const std::string& output, const std::string& microphone) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    setenv("SDL_DISKAUDIOFILEIN", microphone.c_str(), 1);
}

std::optional<std::vector<int16_t>> MakeTone(const audio_test::ScratchFolder& scratch, int hz,
                                             double amplitude, double seconds) {
    std::ostringstream args;
    args << "-f lavfi -i 'aevalsrc=" << amplitude << "*sin(2*PI*" << hz
         << "*t):s=8000:d=" << seconds << "' -ac 1 -f s16le";
    auto bytes = audio_test::Ffmpeg(args.str(), scratch.File("tone.s16"));
    if (!bytes) {
        return std::nullopt;
    }
    return audio_test::ToSamples(*bytes);
}

std::vector<uint8_t> AudioRecord(uint8_t codec_digit, uint16_t block_size, uint16_t stored_length,
                                 std::span<const uint8_t> payload) {
    std::vector<uint8_t> r = {'0',
                              codec_digit,
                              'w',
                              'b',
                              static_cast<uint8_t>(block_size & 0xFF),
                              static_cast<uint8_t>(block_size >> 8),
                              static_cast<uint8_t>(stored_length & 0xFF),
                              static_cast<uint8_t>(stored_length >> 8)};
    r.insert(r.end(), payload.begin(), payload.end());
    r.resize((r.size() + 7) / 8 * 8, 0);
    return r;
}

std::vector<uint8_t> EchoUnwrapper::Take(std::span<const uint8_t> piece) {
    held_.insert(held_.end(), piece.begin(), piece.end());
    std::vector<uint8_t> sent;
    size_t at = 0;
    while (!failed_ && held_.size() - at >= 8) {
        const uint8_t* r = held_.data() + at;
        if (r[2] != 'w' || r[3] != 'b') {
            ADD_FAILURE() << "the echo is not an audio record";
            failed_ = true;
            break;
        }
        const size_t payload = size_t{r[6]} | size_t{r[7]} << 8;
        const size_t padded = (8 + payload + 7) / 8 * 8;
        if (held_.size() - at < padded) {
            break;
        }
        sent.insert(sent.end(), r + 8, r + 8 + payload);
        at += padded;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<ptrdiff_t>(at));
    return sent;
}

}  // namespace kestrel::media::talk_test
