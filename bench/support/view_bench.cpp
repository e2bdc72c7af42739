#include "view_bench.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "platform/paths.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"
#include "sim/recorder_sim.h"

namespace kestrel::bench {

namespace {

constexpr int kStartAttempts = 3;
constexpr int kConnectPolls = 50;  // 100 ms apart
constexpr int kAcceptWaitMs = 30000;
constexpr int kControlPollMs = 1000;
constexpr int kAnswerWaitMs = 5000;
constexpr int kServeLimitSeconds = 1800;
constexpr char kAskStreams = 's';
constexpr size_t kFrameExtensionBytes = 8;  // the frame index the simulator adds
constexpr size_t kCaptureLimitBytes = size_t{1} << 30;
// One audio record per video frame while sound is on: header, block header
// and one frame's samples.
constexpr size_t kAudioRecordBytes = sim::PaddedRecordSize(
    sim::kAudioHeaderSize + sim::kAudioFrameHeaderSize + sim::kAudioSamplesPerFrame);

uint32_t ReadLE16(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}
uint32_t ReadLE32(const uint8_t* p) {
    return ReadLE16(p) | ReadLE16(p + 2) << 16;
}

bool FreePorts(uint16_t* a, uint16_t* b, uint16_t* c) {
    platform::Socket probes[3] = {platform::Socket::Tcp(), platform::Socket::Tcp(),
                                  platform::Socket::Tcp()};
    uint16_t* ports[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        if (!probes[i].Bind("127.0.0.1", 0)) {
            return false;
        }
        *ports[i] = probes[i].LocalPort();
    }
    return *a != 0 && *b != 0 && *c != 0;
}

bool ParseNumber(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    *value = std::strtol(text, &end, 0);
    return end != text && *end == '\0' && *value >= low && *value <= high;
}

bool SendText(platform::Socket& socket, const std::string& text) {
    return socket.SendAll(text.data(), text.size(), kAnswerWaitMs);
}

std::string DescribeStreams(const sim::Observations& observed) {
    std::string text;
    for (const sim::StreamId& id : observed.StreamIds()) {
        const std::optional<sim::ObservedStream> stream = observed.Stream(id);
        if (stream) {
            const bool whole = !stream->captured.empty() && !stream->capture_truncated &&
                               stream->captured.size() == stream->bytes_sent;
            const int64_t frames =
                whole ? static_cast<int64_t>(CountVideoRecords(stream->captured)) : -1;
            text += std::to_string(stream->channel) + " " + std::to_string(stream->stream_number) +
                    " " + (stream->running ? "1" : "0") + " " + (stream->sound_open ? "1" : "0") +
                    " " + std::to_string(stream->bytes_sent) + " " + std::to_string(frames) + "\n";
        }
    }
    return text + ".\n";
}

// A media folder with the main clip under both clip names; empty on error.
std::string D1OnlyMediaFolder(const std::string& source) {
    namespace fs = std::filesystem;
    std::error_code failed;
    const fs::path folder =
        fs::temp_directory_path(failed) / ("kestrel-view-media-" + std::to_string(::getpid()));
    fs::create_directories(folder, failed);
    const auto copy = [&](const char* from, const char* to) {
        fs::copy_file(fs::path(source) / from, folder / to, fs::copy_options::overwrite_existing,
                      failed);
        return !failed;
    };
    if (failed || !copy(sim::kMainClipFile, sim::kMainClipFile) ||
        !copy(sim::kMainClipFile, sim::kSubClipFile) || !copy(sim::kToneFile, sim::kToneFile)) {
        return {};
    }
    return folder.string();
}

int Serve(const ViewRecorderOptions& options, uint16_t command_port, uint16_t mctp_port,
          uint16_t control_port) {
    sim::RecorderConfig config;
    if (options.d1_on_both_streams) {
        config.media_folder = D1OnlyMediaFolder(config.media_folder);
        if (config.media_folder.empty()) {
            std::fprintf(stderr, "view recorder: cannot make the D1 media folder\n");
            return 1;
        }
    }
    config.command_port = command_port;
    config.mctp_port = mctp_port;
    config.model = options.model;
    config.capture_live = options.count_frames;
    config.capture_limit_bytes = kCaptureLimitBytes;
    config.channel_count = options.channels;
    if (options.stall_after_frames > 0) {
        std::string error;
        const auto media = sim::MediaSet::Load(config.media_folder, &error);
        if (!media) {
            std::fprintf(stderr, "view recorder: %s\n", error.c_str());
            return 1;
        }
        config.faults.stall_live_after_bytes =
            LiveStreamBytes(media->main_clip, options.stall_after_frames);
    }
    sim::RecorderSim recorder(config);
    if (!recorder.Start()) {
        std::fprintf(stderr, "view recorder: %s\n", recorder.LastError().c_str());
        return 1;
    }
    // Listening on the control port tells the parent that the recorder is up.
    platform::Socket listener = platform::Socket::Tcp();
    if (!listener.Bind("127.0.0.1", control_port) || !listener.Listen(1) ||
        listener.WaitReadable(kAcceptWaitMs) != platform::WaitResult::kReady) {
        return 1;
    }
    platform::Socket control = listener.Accept();
    listener.Close();
    for (int waited = 0; control.IsOpen() && waited < kServeLimitSeconds * 1000;
         waited += kControlPollMs) {
        const platform::WaitResult ready = control.WaitReadable(kControlPollMs);
        if (ready == platform::WaitResult::kError) {
            break;
        }
        if (ready != platform::WaitResult::kReady) {
            continue;
        }
        char byte = 0;
        if (control.Receive(&byte, 1) <= 0 ||
            (byte == kAskStreams && !SendText(control, DescribeStreams(recorder.Observed())))) {
            break;
        }
    }
    recorder.Stop();
    if (options.d1_on_both_streams) {
        std::error_code ignored;
        std::filesystem::remove_all(config.media_folder, ignored);
    }
    return 0;
}

}  // namespace

std::unique_ptr<ViewRecorder> ViewRecorder::Start(const std::string& program,
                                                  const ViewRecorderOptions& options) {
    const std::string path = platform::JoinPath(platform::ProgramFolder(), program);
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        std::unique_ptr<ViewRecorder> recorder(new ViewRecorder);
        uint16_t control_port = 0;
        if (!FreePorts(&recorder->command_port_, &recorder->mctp_port_, &control_port)) {
            continue;
        }
        if (!platform::StartDetached(
                path, {kServeViewRecorderArgument, std::to_string(recorder->command_port_),
                       std::to_string(recorder->mctp_port_), std::to_string(control_port),
                       std::to_string(options.channels), std::to_string(options.model),
                       std::to_string(options.stall_after_frames),
                       options.d1_on_both_streams ? "1" : "0", options.count_frames ? "1" : "0"})) {
            std::printf("view recorder: could not start %s\n", path.c_str());
            return nullptr;
        }
        for (int poll = 0; poll < kConnectPolls; ++poll) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            recorder->control_ = platform::Socket::Tcp();
            if (recorder->control_.Connect("127.0.0.1", control_port, 1000) ==
                platform::ConnectResult::kConnected) {
                return recorder;
            }
        }
        // Most likely a port was taken meanwhile: try again with new ones.
    }
    std::printf("view recorder: %s did not come up\n", path.c_str());
    return nullptr;
}

ViewRecorder::~ViewRecorder() {
    control_.Close();
}

std::optional<std::vector<SentStream>> ViewRecorder::Streams() {
    if (!SendText(control_, std::string(1, kAskStreams))) {
        return std::nullopt;
    }
    std::string text;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerWaitMs);
    while (text.size() < 2 || text.compare(text.size() - 2, 2, ".\n") != 0) {
        if (Clock::now() > deadline ||
            control_.WaitReadable(kAnswerWaitMs) != platform::WaitResult::kReady) {
            return std::nullopt;
        }
        char buffer[4096];
        const long n = control_.Receive(buffer, sizeof buffer);
        if (n <= 0) {
            return std::nullopt;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    std::vector<SentStream> streams;
    std::istringstream lines(text);
    SentStream stream;
    int running = 0, sound = 0;
    while (lines >> stream.channel >> stream.stream_number >> running >> sound >> stream.bytes >>
           stream.video_frames) {
        stream.running = running != 0;
        stream.sound_open = sound != 0;
        streams.push_back(stream);
    }
    return streams;
}

std::optional<int> ServeViewRecorderIfAsked(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != kServeViewRecorderArgument) {
        return std::nullopt;
    }
    long command = 0, mctp = 0, control = 0, channels = 0, model = 0, stall = 0, d1 = 0, count = 0;
    if (argc != 10 || !ParseNumber(argv[2], 1, 65535, &command) ||
        !ParseNumber(argv[3], 1, 65535, &mctp) || !ParseNumber(argv[4], 1, 65535, &control) ||
        !ParseNumber(argv[5], 1, 16, &channels) || !ParseNumber(argv[6], 0, 255, &model) ||
        !ParseNumber(argv[7], 0, 1000000, &stall) || !ParseNumber(argv[8], 0, 1, &d1) ||
        !ParseNumber(argv[9], 0, 1, &count)) {
        std::fprintf(
            stderr,
            "usage: %s PORT MCTP-PORT CONTROL-PORT CHANNELS MODEL STALL-FRAMES D1-BOTH COUNT\n",
            kServeViewRecorderArgument);
        return 2;
    }
    ViewRecorderOptions options;
    options.channels = static_cast<int>(channels);
    options.model = static_cast<uint8_t>(model);
    options.stall_after_frames = static_cast<uint64_t>(stall);
    options.d1_on_both_streams = d1 == 1;
    options.count_frames = count == 1;
    return Serve(options, static_cast<uint16_t>(command), static_cast<uint16_t>(mctp),
                 static_cast<uint16_t>(control));
}

uint64_t LiveStreamBytes(const sim::MediaClip& clip, uint64_t frames, bool with_sound) {
    uint64_t bytes = sim::kRecordingHeaderSize + (with_sound ? frames * kAudioRecordBytes : 0);
    for (uint64_t frame = 0; frame < frames; ++frame) {
        bytes += sim::PaddedRecordSize(sim::kVideoHeaderSize + kFrameExtensionBytes +
                                       clip.AccessUnit(frame % clip.AccessUnitCount()).size());
    }
    return bytes;
}

uint64_t LiveStreamFrames(const sim::MediaClip& clip, uint64_t bytes) {
    if (bytes < sim::kRecordingHeaderSize || clip.AccessUnitCount() == 0) {
        return 0;
    }
    uint64_t left = bytes - sim::kRecordingHeaderSize;
    uint64_t frames = 0;
    for (;; ++frames) {
        const uint64_t record =
            sim::PaddedRecordSize(sim::kVideoHeaderSize + kFrameExtensionBytes +
                                  clip.AccessUnit(frames % clip.AccessUnitCount()).size());
        if (record > left) {
            return frames;
        }
        left -= record;
    }
}

uint64_t CountVideoRecords(std::span<const uint8_t> stream) {
    uint64_t frames = 0;
    size_t at = sim::kRecordingHeaderSize;
    while (at + sim::kAudioHeaderSize <= stream.size()) {
        const uint8_t* record = stream.data() + at;
        size_t size = 0;
        bool video = false;
        if (record[2] == 'd' && record[3] == 'c' && at + sim::kVideoHeaderSize <= stream.size()) {
            size = sim::kVideoHeaderSize + ReadLE16(record + 12) + ReadLE32(record + 8);
            video = true;
        } else if (record[2] == 'w' && record[3] == 'b') {
            size = sim::kAudioHeaderSize + ReadLE16(record + 6);
        } else {
            break;  // not a record the simulator writes, or cut short
        }
        size = sim::PaddedRecordSize(size);
        if (size > stream.size() - at) {
            break;
        }
        frames += video ? 1 : 0;
        at += size;
    }
    return frames;
}

void UseOffscreenPlatform(const std::string& folder, int width, int height) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return;
    }
    const std::string file = folder + "/offscreen-screens.json";
    std::ofstream out(file, std::ios::trunc);
    out << "{\"screens\": [{\"name\": \"bench\", \"x\": 0, \"y\": 0, \"width\": " << width
        << ", \"height\": " << height << ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96}]}\n";
    out.close();
    // Without the file the platform still works, with its own small screen.
    qputenv("QT_QPA_PLATFORM",
            QByteArray::fromStdString(out ? "offscreen:configfile=" + file : "offscreen"));
}

ScratchHome::ScratchHome() {
    // The built-in folders ("c:\DVR\...") land under the scratch drive root.
    qputenv("KESTREL_DRIVE_ROOT", QByteArray::fromStdString(drive_.path().toStdString() + "/"));
    qputenv("KESTREL_HOME", QByteArray::fromStdString(Folder()));
}

bool RunEventsUntil(const std::function<bool()>& done, Clock::time_point deadline,
                    std::chrono::milliseconds poll) {
    if (done()) {
        return true;
    }
    bool met = false;
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(poll);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        met = done();
        if (met || Clock::now() >= deadline) {
            loop.quit();
        }
    });
    timer.start();
    loop.exec();
    return met;
}

void RunEventsFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

double Mib(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace kestrel::bench
