// Shared by the talk tests: SDL's disk driver for the speaker and the
// microphone, a tone made by ffmpeg, and undoing the framing the simulated
// recorder puts around what it echoes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio_tools.h"

namespace kestrel::media::talk_test {

// Played audio goes to `output`; the microphone reads S16 8 kHz mono from
// `microphone` (a missing file means no microphone can be opened). Both
// are read by SDL when a device opens.
void UseDiskAudio(const std::string& output, const std::string& microphone);

// `seconds` of a sine of `hz` at `amplitude` (of full scale), 8 kHz mono.
std::optional<std::vector<int16_t>> MakeTone(const audio_test::ScratchFolder& scratch, int hz,
                                             double amplitude, double seconds);

// An audio record around `payload` (stored payload length as given), padded
// to a multiple of 8.
std::vector<uint8_t> AudioRecord(uint8_t codec_digit, uint16_t block_size, uint16_t stored_length,
                                 std::span<const uint8_t> payload);

// The simulator echoes each piece it hears as the one block of an audio
// record of its own; this takes those records apart again, across the
// pieces the talk callback delivers, and gives back what was sent.
class EchoUnwrapper {
public:
    std::vector<uint8_t> Take(std::span<const uint8_t> piece);
    bool Failed() const { return failed_; }

private:
    std::vector<uint8_t> held_;
    bool failed_ = false;
};

}  // namespace kestrel::media::talk_test
