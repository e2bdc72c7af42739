// The record file writer on streams built with the simulator's record
// builders, checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "record_file_writer.h"
#include "record_names.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"
#include "sim/recorder_config.h"

namespace kestrel::client {
namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

const sim::MediaClip& Clip() {
    static const sim::MediaClip clip = [] {
        std::string error;
        auto loaded = sim::MediaClip::Load(
            platform::JoinPath(sim::RecorderConfig::DefaultMediaFolder(), "clip_cif.h264"), &error);
        if (!loaded) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        return std::move(*loaded);
    }();
    return clip;
}

// Recording header (CIF, 25 fps) then `frames` video records, each followed by
// one 320-sample audio record.
Bytes BuildStream(int frames, bool audio = true) {
    sim::RecordingHeaderInfo info;
    info.channels.push_back({0, 25});
    const auto header = sim::BuildRecordingHeader(info);
    Bytes out(header.begin(), header.end());
    out[102] = 2;  // resolution code: 352 x 288
    const Bytes extension(8, 'x');
    const Bytes tone(320, 0xFF);
    for (int n = 0; n < frames; ++n) {
        sim::VideoFrame frame;
        frame.pts_us = static_cast<uint64_t>(n) * 40000;
        frame.extension = extension;
        frame.payload = Clip().AccessUnit(static_cast<size_t>(n) % Clip().AccessUnitCount());
        sim::AppendVideoRecord(out, frame);
        if (audio) {
            sim::AppendMuLawAudioRecord(out, 0, tone);
        }
    }
    return out;
}

// Feeds the stream in blocks of changing, odd sizes.
void Feed(RecordFileWriter& writer, const Bytes& stream, size_t from = 0) {
    const size_t sizes[] = {1, 7, 333, 4099, 511, 17, 65537};
    for (size_t at = from, i = 0; at < stream.size(); ++i) {
        const size_t step = std::min(sizes[i % 7], stream.size() - at);
        writer.Write(stream.data() + at, step);
        at += step;
    }
}

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof block, pipe)) > 0) {
        out.append(block, got);
    }
    pclose(pipe);
    return out;
}

std::string Probe(const std::string& file, const char* stream, const char* entries) {
    return RunCommand("ffprobe -v error -count_frames -select_streams " + std::string(stream) +
                      " -show_entries stream=" + entries + " -of csv=p=0 '" + file + "'");
}

std::vector<std::string> Md5Column(const std::string& text) {
    std::vector<std::string> md5s;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#') {
            md5s.push_back(line.substr(line.rfind(',') + 1));
        }
    }
    return md5s;
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
           uint32_t{b[at + 3]} << 24;
}

class RecordWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kestrel_rec_" + std::to_string(getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        file_ = (folder_ / "ch00000000000001-091231-235959.avi").string();
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
    std::string file_;
};

TEST_F(RecordWriterTest, StreamBecomesPlayableAviWithTheClipsFrames) {
    const int frames = static_cast<int>(Clip().AccessUnitCount());
    RecordFileWriter writer;
    ASSERT_TRUE(writer.Open(file_, 0)) << writer.LastError();
    Feed(writer, BuildStream(frames));
    EXPECT_EQ(writer.State().videoChunks, frames);
    writer.Close();
    EXPECT_FALSE(fs::exists(file_ + ".indx"));

    EXPECT_EQ(Probe(file_, "v", "codec_name,width,height,r_frame_rate,nb_read_frames"),
              "h264,352,288,25/1," + std::to_string(frames) + "\n");
    EXPECT_EQ(Probe(file_, "a", "codec_name,sample_rate,channels"), "pcm_mulaw,8000,1\n");
    const std::string warnings = RunCommand("ffprobe -v warning -i '" + file_ + "' 2>&1");
    EXPECT_EQ(warnings.find("[avi @"), std::string::npos) << warnings;

    const auto written = Md5Column(
        RunCommand("ffmpeg -v error -i '" + file_ + "' -map 0:v -fflags +bitexact -f framemd5 -"));
    std::ifstream ref(
        platform::JoinPath(sim::RecorderConfig::DefaultMediaFolder(), "clip_cif.framemd5"));
    const auto expected = Md5Column(std::string(std::istreambuf_iterator<char>(ref), {}));
    ASSERT_EQ(written.size(), static_cast<size_t>(frames));
    EXPECT_EQ(written, expected);

    // avih and bitmap header carry the CIF size; idx1 entries point at their chunks.
    const Bytes avi = ReadAll(file_);
    EXPECT_EQ(Le32(avi, 64), 352u);
    EXPECT_EQ(Le32(avi, 68), 288u);
    EXPECT_EQ(Le32(avi, 88 + 88), 352u);  // bitmap header: size, width, height
    EXPECT_EQ(Le32(avi, 88 + 92), 288u);
    const uint32_t movi = Le32(avi, 504) - 4;
    ASSERT_EQ(std::string(avi.begin() + 512 + movi, avi.begin() + 516 + movi), "idx1");
    const uint32_t entries = Le32(avi, 516 + movi) / 16;
    EXPECT_EQ(entries, static_cast<uint32_t>(2 * frames));
    int keys = 0;
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t e = 520 + movi + 16 * i;
        const size_t chunk = 508 + Le32(avi, e + 8);
        EXPECT_EQ(0, std::memcmp(avi.data() + chunk, avi.data() + e, 4));
        EXPECT_EQ(Le32(avi, chunk + 4), Le32(avi, e + 12));
        if (avi[e + 1] == '0' && Le32(avi, e + 4) == 0x10) {
            ++keys;
        }
    }
    EXPECT_EQ(keys, (frames + 24) / 25);  // an IDR every 25 frames
}

TEST_F(RecordWriterTest, PendingWriterLeavesFileUnchanged) {
    const Bytes stream = BuildStream(1);
    RecordFileWriter writer;
    ASSERT_TRUE(writer.Open(file_, 0));
    writer.Write(stream.data(), 512);
    EXPECT_TRUE(writer.HeaderPending());
    writer.Close();
    EXPECT_EQ(fs::file_size(file_), 0u);
    EXPECT_FALSE(fs::exists(file_ + ".indx"));
}

TEST_F(RecordWriterTest, OpenFailsWhenTheFileCannotBeMade) {
    RecordFileWriter writer;
    EXPECT_FALSE(writer.Open((folder_ / "missing" / "x.avi").string(), 0));
    EXPECT_FALSE(writer.LastError().empty());
    EXPECT_FALSE(writer.IsOpen());
}

TEST_F(RecordWriterTest, OddAndLargePayloadsAndOverflowKeepRecording) {
    sim::RecordingHeaderInfo info;
    info.channels.push_back({0, 25});
    const auto header = sim::BuildRecordingHeader(info);
    Bytes stream(header.begin(), header.end());
    const Bytes odd(101, 0x11), large(70001, 0x22);
    sim::AppendVideoRecord(stream, {0, 0, 0, {}, odd});
    sim::AppendVideoRecord(stream, {0, 0, 0, {}, large});
    // A header claiming 250,000 bytes more than follows: the writer waits, then
    // drops it once 256 KiB pile up, and records what follows.
    Bytes stuck;
    sim::AppendVideoRecord(stuck, {0, 0, 0, {}, odd});
    stuck[8] = 0x90, stuck[9] = 0xD0, stuck[10] = 0x03;  // 250,000 bytes
    stream.insert(stream.end(), stuck.begin(), stuck.end());
    for (int i = 0; i < 40; ++i) {
        sim::AppendVideoRecord(stream, {0, 0, 0, {}, large});
    }
    RecordFileWriter writer;
    ASSERT_TRUE(writer.Open(file_, 0));
    Feed(writer, stream);
    EXPECT_GT(writer.DroppedBytes(), 0);
    EXPECT_GE(writer.State().videoChunks, 2 + 30);
    EXPECT_EQ(writer.StreamPosition(), static_cast<int32_t>(stream.size()));
    writer.Close();
    const Bytes avi = ReadAll(file_);
    EXPECT_EQ(Le32(avi, 516), 101u);  // header says L
    EXPECT_EQ(std::string(avi.begin() + 512 + 8 + 102, avi.begin() + 512 + 8 + 106), "00dc");
    EXPECT_EQ(Le32(avi, 512 + 8 + 102 + 4), 70001u);  // after L + 1 bytes
}

TEST_F(RecordWriterTest, ContinuedFileKeepsOldChunksAndAppends) {
    const Bytes stream = BuildStream(30);
    {
        RecordFileWriter writer;
        ASSERT_TRUE(writer.Open(file_, 0));
        Feed(writer, stream);
    }
    RecordFileWriter writer;
    ASSERT_TRUE(writer.Open(file_, 0)) << writer.LastError();
    EXPECT_FALSE(writer.HeaderPending());
    EXPECT_EQ(writer.State().videoChunks, 30);
    EXPECT_EQ(writer.StreamPosition(), static_cast<int32_t>(stream.size()));
    Feed(writer, stream, 512);
    writer.Close();
    EXPECT_EQ(Probe(file_, "v", "nb_read_frames"), "60\n");
}

TEST_F(RecordWriterTest, CrashLeftFileIsRebuiltAndFinalised) {
    const Bytes stream = BuildStream(100);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RecordFileWriter writer;
        if (!writer.Open(file_, 0)) {
            _exit(1);
        }
        Feed(writer, Bytes(stream.begin(), stream.begin() + stream.size() / 2));
        std::fflush(nullptr);
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    // Cut mid-chunk, as a crash between writes would.
    const auto size = fs::file_size(file_);
    ASSERT_GT(size, 2000u);
    fs::resize_file(file_, size - 5);

    RecordFileWriter writer;
    ASSERT_TRUE(writer.Open(file_, 0)) << writer.LastError();
    const int restored = writer.State().videoChunks;
    EXPECT_GT(restored, 0);
    writer.Close();
    EXPECT_EQ(Probe(file_, "v", "codec_name,width,height,nb_read_frames"),
              "h264,352,288," + std::to_string(restored) + "\n");
}

TEST(RecordNamesTest, FolderAndFileNames) {
    const platform::LocalTime t{2009, 12, 31, 23, 59, 59, 0, 4};
    EXPECT_EQ(RecordFileName(0, t), "ch00000000000001-091231-235959.avi");
    const char s = platform::kPathSeparator;
    EXPECT_EQ(RecordFolder(std::string("v") + s, "127.0.0.1", t, 2),
              std::string("v") + s + "IP_127.0.0.1" + s + "Record" + s + "200912" + s + "3" + s);
    EXPECT_EQ(RecordIndexFileName("a.avi"), "a.avi.indx");
}

}  // namespace
}  // namespace kestrel::client
