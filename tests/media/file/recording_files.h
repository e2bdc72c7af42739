// Recording files for the file-playback tests: current-layout recordings
// made with the simulator's record builders from the CIF clip, and
// first-generation files (which the simulator never writes) built here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/frame_records.h"

namespace file_test {

using Bytes = std::vector<uint8_t>;

// A file path in the temporary folder, removed again on destruction.
class TempFile {
public:
    TempFile();
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    void Write(const Bytes& bytes) const;
    void Append(const Bytes& bytes) const;

private:
    std::string path_;
};

struct RecordingPlan {
    kestrel::sim::RecordingHeaderInfo header;
    int frames = 10;
    int channel = 0;
    uint64_t first_pts_us = 1'000'000;
    size_t garbage_between = 0;  // non-marker bytes after every record
    bool audio_between = false;  // an audio record after every video record
    bool sub_between = false;    // a sub-stream record after every main-stream one
};

// Header, then video records of the clip's access units in turn with time
// stamps first_pts_us + n * 40 ms (a sub-stream record shares its main
// record's stamp plus 1 us). *offsets gets each main-stream record's offset.
Bytes BuildRecording(const RecordingPlan& plan, std::vector<uint64_t>* offsets = nullptr);

// The simulator's header for a known model with one channel record.
kestrel::sim::RecordingHeaderInfo CurrentHeader(uint16_t model_number, const char* model_code);

// First-generation header fields.
struct OldHeader {
    uint8_t frame_rate_code = 0;
    char video_standard = '0';
    uint16_t model_number = 0;
    std::string model_code;
};
Bytes BuildOldHeader(const OldHeader& header);

// One first-generation record: tag digit and kind text ("0dc", "1dc" or
// "1wb"), time in plain decimal fields, payload of `length` pattern bytes.
struct OldFrame {
    int channel = 0;
    const char* kind = "0dc";
    int year = 24, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    uint32_t length = 100;
};
void AppendOldFrame(Bytes& out, const OldFrame& frame);

Bytes Pattern(size_t size, uint8_t seed);

}  // namespace file_test
