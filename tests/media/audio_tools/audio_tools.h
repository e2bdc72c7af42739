// Test tools shared by the audio component tests: scratch files, ffmpeg as
// the reference codec, the checked-in tone, and measurements of PCM.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::media::audio_test {

// A fresh folder under the test temp folder, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string File(const std::string& name) const;

private:
    std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, std::span<const uint8_t> bytes);
std::vector<int16_t> ToSamples(std::span<const uint8_t> s16le);
std::vector<uint8_t> ToBytes(std::span<const int16_t> samples);

// Runs ffmpeg quietly with args; the output file's bytes, or nullopt (with a
// test failure) when ffmpeg fails or writes nothing.
std::optional<std::vector<uint8_t>> Ffmpeg(const std::string& args, const std::string& output);
// ffmpeg's pcm_mulaw decoding of raw mu-law bytes, 8000 Hz mono.
std::optional<std::vector<int16_t>> FfmpegMulawDecode(std::span<const uint8_t> mulaw,
                                                      const ScratchFolder& scratch);
// ffmpeg's pcm_mulaw encoding of 8000 Hz mono samples.
std::optional<std::vector<uint8_t>> FfmpegMulawEncode(std::span<const int16_t> samples,
                                                      const ScratchFolder& scratch);

// sim/media/tone.ul: 4 s of 1000 Hz at half full scale, mu-law.
std::vector<uint8_t> ToneMulaw();

// Recorder audio blocks: 00 01 <words> 00 and the mu-law bytes, cut from
// mulaw block_samples at a time.
std::vector<std::vector<uint8_t>> CutIntoBlocks(std::span<const uint8_t> mulaw,
                                                size_t block_samples);

double Rms(std::span<const int16_t> samples);
// Frequency from the rising zero crossings, for a clean tone.
double ToneFrequency(std::span<const int16_t> samples, int sample_rate);
// Normalised cross-correlation of two equally long signals.
double Correlation(std::span<const int16_t> a, std::span<const int16_t> b);
// Where needle first occurs in haystack as a contiguous run; -1 if nowhere.
ptrdiff_t FindRun(std::span<const int16_t> haystack, std::span<const int16_t> needle);

}  // namespace kestrel::media::audio_test
