// File playback through the library's exports, on a long recording of the
// D1 clip looped (an audio record after each video record):
//   (a) played at the highest rate into a counting window to the end:
//       pictures presented against frames in the file, and seconds of video
//       per second of wall and of CPU time; the peer is ffmpeg decoding the
//       same access units single-threaded into the window's pixel format
//       (yuyv422) into the null muxer, in paired rounds (see paired_rounds.h);
//   (b) byte positioning to frames at ten places, paused and while playing
//       at normal rate: time from the call to the first picture of the new
//       place, median and max, against the 40 ms frame interval;
//   (c) paused positioning onto a key frame and 6 and 24 frames after one,
//       each made at four phases against the previous picture: a wait that
//       depends on the phase and not on the frames to decode is an idle wait
//       of the player, not decoding.
// Speed never fails the benchmark; a lost, misordered or wrong picture does.
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "ffmpeg_peer.h"
#include "file_play.h"
#include "kestrel_media.h"
#include "paired_rounds.h"
#include "picture_log_window.h"
#include "platform/process_usage.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"

namespace sim = kestrel::sim;
namespace bench = kestrel::bench;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 3000;  // 120 s at 25 frames per second
constexpr uint64_t kFirstPtsUs = 1'000'000;
constexpr int kFastestRate = 4;  // 16 times normal speed
constexpr auto kPlayLimit = std::chrono::seconds(90);
constexpr auto kQuietAfterEnd = std::chrono::seconds(1);
constexpr auto kSeekLimit = std::chrono::seconds(5);
constexpr int kSeekPlaces = 10;
constexpr double kFrameIntervalMs = sim::kFrameIntervalUs / 1000.0;

double VideoSeconds(int frames) {
    return frames / static_cast<double>(sim::kFramesPerSecond);
}

struct Recording {
    std::vector<uint8_t> bytes;
    std::vector<uint64_t> offsets;  // each video record's offset
};

Recording BuildRecording(const sim::MediaSet& media) {
    sim::RecordingHeaderInfo info;
    info.start = {2026, 12, 8, 10, 0, 0};
    info.end = {2026, 12, 8, 10, 2, 0};
    info.model_number = 0x9613;  // type 0x01000207
    info.model_code = "KSR9613-08CH";
    info.channels.push_back({0, sim::kFramesPerSecond});
    const auto header = sim::BuildRecordingHeader(info);
    Recording recording;
    recording.bytes.assign(header.begin(), header.end());
    // Lower-case letters: never a stream digit, so never taken for a marker.
    const std::array<uint8_t, 8> extension{'k', 'e', 's', 't', 'r', 'e', 'l', 'x'};
    const sim::MediaClip& clip = media.main_clip;
    const size_t blocks = media.tone.size() / sim::kAudioSamplesPerFrame;
    for (int n = 0; n < kFrames; ++n) {
        recording.offsets.push_back(recording.bytes.size());
        sim::VideoFrame frame;
        frame.pts_us = kFirstPtsUs + static_cast<uint64_t>(n) * sim::kFrameIntervalUs;
        frame.extension = extension;
        frame.payload = clip.AccessUnit(static_cast<size_t>(n) % clip.AccessUnitCount());
        sim::AppendVideoRecord(recording.bytes, frame);
        const size_t block = static_cast<size_t>(n) % blocks;
        sim::AppendMuLawAudioRecord(
            recording.bytes, 0,
            std::span(media.tone)
                .subspan(block * sim::kAudioSamplesPerFrame, sim::kAudioSamplesPerFrame));
    }
    return recording;
}

struct FastFigures {
    double wall_seconds = 0;
    double cpu_seconds = 0;
    int presented = 0;
    bool in_order = false;
    bool ok = false;
    std::vector<uint64_t> clip_hashes;  // the picture of each clip frame
};

// Pictures of the looped clip repeat with its length.
bool InClipOrder(const std::vector<bench::PictureLogWindow::Picture>& pictures,
                 size_t clip_frames) {
    for (size_t i = clip_frames; i < pictures.size(); ++i) {
        if (pictures[i].hash != pictures[i % clip_frames].hash) {
            return false;
        }
    }
    return true;
}

FastFigures PlayFastOnce(const std::string& path, size_t clip_frames) {
    FastFigures figures;
    bench::PictureLogWindow window(kFrames * 2);
    const double cpu_start = platform::ProcessCpuSeconds();
    const auto start = Clock::now();
    bench::FilePlayback playback(path, window);
    if (!playback.Started()) {
        return figures;
    }
    // Timestamped types answer 1.
    const bool rate_set = QW_DVR_MEDIA_PCSetRate(playback.Handle(), kFastestRate) == 1;
    const auto limit = start + kPlayLimit;
    size_t seen = 0;
    auto last_growth = Clock::now();
    for (;;) {
        const auto step = std::min(limit, Clock::now() + std::chrono::milliseconds(100));
        window.WaitUntil(step, [](const auto& pictures) { return pictures.size() >= kFrames; });
        const size_t count = window.Count();
        const auto now = Clock::now();
        if (count != seen) {
            seen = count;
            last_growth = now;
        }
        if (count >= kFrames || now >= limit ||
            (playback.Ended() && now - last_growth >= kQuietAfterEnd)) {
            break;
        }
    }
    figures.cpu_seconds = platform::ProcessCpuSeconds() - cpu_start;
    const auto pictures = window.Pictures();
    figures.presented = static_cast<int>(pictures.size());
    figures.wall_seconds =
        pictures.empty() ? 0 : std::chrono::duration<double>(pictures.back().at - start).count();
    figures.in_order = pictures.size() >= clip_frames && InClipOrder(pictures, clip_frames);
    figures.ok = rate_set && figures.presented == kFrames && figures.in_order;
    if (figures.ok) {
        for (size_t i = 0; i < clip_frames; ++i) {
            figures.clip_hashes.push_back(pictures[i].hash);
        }
    }
    return figures;
}

bool WriteBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Plays at the highest rate against ffmpeg; the clip frames' picture hashes come back in
// *clip_hashes.
bool MeasureFastPlay(const std::string& recording, const std::filesystem::path& units,
                     const std::filesystem::path& log, size_t clip_frames,
                     std::vector<uint64_t>* clip_hashes) {
    std::printf(
        "(a) rate %d, %d frames (%.0f s of video), %d paired rounds of at least %.0f s; ours is "
        "paced at 16 x real time (nominal %.2f s a play), so its wall figures do not compare\n",
        kFastestRate, kFrames, VideoSeconds(kFrames), bench::kPairs, bench::kRoundSeconds,
        VideoSeconds(kFrames) / 16);
    const bench::Side ours{"ours", [&]() -> std::optional<bench::Work> {
                               FastFigures figures = PlayFastOnce(recording, clip_frames);
                               if (figures.ok && clip_hashes->empty()) {
                                   *clip_hashes = figures.clip_hashes;
                               }
                               bench::Work work;
                               work.wall_seconds = figures.wall_seconds;
                               work.cpu_seconds = figures.cpu_seconds;
                               work.amount = VideoSeconds(figures.presented);
                               work.ok = figures.ok;
                               return work;
                           }};
    const bench::Side peer{"ffmpeg", bench::FfmpegRepetition("-threads 1 -filter_threads 1 -i " +
                                                                 bench::Quoted(units) +
                                                                 " -vf format=yuyv422 -f null -",
                                                             log, VideoSeconds(kFrames), kFrames)};
    bench::Comparison comparison;
    comparison.label = "rate 4";
    comparison.unit = "s of video/s";
    comparison.warm_up = false;  // a play is long enough to warm up by itself
    const bench::PairedResult paired = bench::RunPaired(comparison, ours, peer);
    return paired.complete && paired.ok;
}

// Moves to frame `target` and waits for its picture.
bench::SeekResult SeekOnce(const bench::FilePlayback& playback,
                           const bench::PictureLogWindow& window, const Recording& recording,
                           int target, uint64_t want_hash) {
    bench::SeekResult result;
    const size_t shown = window.Count();
    const auto start = Clock::now();
    if (QW_DVR_MEDIA_PCSetPos(playback.Handle(),
                              static_cast<int32_t>(recording.offsets[static_cast<size_t>(target)]),
                              nullptr, QW_MEDIA_POS_BYTES, 0) != 0) {
        return result;
    }
    std::optional<size_t> found;
    window.WaitUntil(start + kSeekLimit, [&](const auto& pictures) {
        found = bench::FindPicture(pictures, shown, start, want_hash);
        return found.has_value();
    });
    if (!found) {
        return result;
    }
    const auto pictures = window.Pictures();
    result.ms = std::chrono::duration<double, std::milli>(pictures[*found].at - start).count();
    result.stale = static_cast<int>(*found - shown);
    result.ok = true;
    return result;
}

// Time from a byte positioning to the picture of the frame there, paused and playing.
bool MeasureSeeks(const std::string& path, const Recording& recording, const sim::MediaClip& clip,
                  const std::vector<uint64_t>& clip_hashes) {
    std::vector<int> targets;
    for (int k = 0; k < kSeekPlaces; ++k) {
        // 283 frames apart: every place sits elsewhere in its group of pictures.
        targets.push_back(150 + 283 * k);
    }
    bench::PictureLogWindow window(kFrames * 2);
    bench::FilePlayback playback(path, window);
    if (!playback.Started() || QW_DVR_MEDIA_PCSetRate(playback.Handle(), 0) != 1 ||
        !window.WaitUntil(Clock::now() + kSeekLimit,
                          [](const auto& pictures) { return pictures.size() >= 3; })) {
        std::printf("(b) playback did not start\n");
        return false;
    }
    const auto want = [&](int target) {
        return clip_hashes[static_cast<size_t>(target) % clip_hashes.size()];
    };
    bool ok = true;
    std::vector<bench::SeekResult> paused;
    QW_DVR_MEDIA_PCPause(playback.Handle(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the pause settle
    for (int target : targets) {
        paused.push_back(SeekOnce(playback, window, recording, target, want(target)));
        paused.back().from_key = bench::FramesFromKey(clip, target);
        ok = ok && paused.back().ok;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::vector<bench::SeekResult> playing;
    QW_DVR_MEDIA_PCPause(playback.Handle(), 0);
    // Backwards through the places, so jumps go both ways across the two series.
    for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // steady playing
        playing.push_back(SeekOnce(playback, window, recording, *it, want(*it)));
        playing.back().from_key = bench::FramesFromKey(clip, *it);
        ok = ok && playing.back().ok;
    }
    std::printf(
        "(b) byte positioning to a frame's record at %d places, to the first picture of that "
        "frame; reference: the frame interval, %.0f ms\n",
        kSeekPlaces, kFrameIntervalMs);
    bench::PrintSeeks("paused", paused);
    bench::PrintSeeks("playing", playing);
    return ok;
}

// Paused positioning onto a key frame and 6 and 24 frames after one, each at
// four phases: the call comes kPhaseBaseMs + phase after the previous target's
// picture. A cost of decoding grows with the frames after the key frame; a
// wait of the player that does not end when the positioning arrives falls
// with the phase instead.
bool MeasurePositioningWait(const std::string& path, const Recording& recording,
                            const sim::MediaClip& clip, const std::vector<uint64_t>& clip_hashes) {
    constexpr int kDistances[] = {0, 6, 24};
    constexpr int kPhasesMs[] = {5, 15, 25, 35};
    constexpr int kPhaseBaseMs = 200;
    constexpr int kRepeats = 3;
    constexpr int kGroup = 25;  // the clip's key frame interval
    bench::PictureLogWindow window(kFrames * 2);
    bench::FilePlayback playback(path, window);
    if (!playback.Started() || QW_DVR_MEDIA_PCSetRate(playback.Handle(), 0) != 1 ||
        !window.WaitUntil(Clock::now() + kSeekLimit,
                          [](const auto& pictures) { return pictures.size() >= 3; })) {
        std::printf("(c) playback did not start\n");
        return false;
    }
    QW_DVR_MEDIA_PCPause(playback.Handle(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(kPhaseBaseMs));
    // ms[distance][phase]
    std::vector<std::vector<std::vector<double>>> ms(
        std::size(kDistances), std::vector<std::vector<double>>(std::size(kPhasesMs)));
    bool ok = true;
    int group = 10;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        for (size_t p = 0; p < std::size(kPhasesMs); ++p) {
            for (size_t d = 0; d < std::size(kDistances); ++d) {
                // A different group of pictures every time, spread over the file.
                group = 10 + (group - 10 + 7) % 100;
                const int target = kGroup * group + kDistances[d];
                std::this_thread::sleep_for(std::chrono::milliseconds(kPhaseBaseMs + kPhasesMs[p]));
                const bench::SeekResult result =
                    SeekOnce(playback, window, recording, target,
                             clip_hashes[static_cast<size_t>(target) % clip_hashes.size()]);
                ok = ok && result.ok && bench::FramesFromKey(clip, target) == kDistances[d];
                if (result.ok) {
                    ms[d][p].push_back(result.ms);
                }
            }
        }
    }
    std::printf(
        "(c) paused byte positioning to the first picture of the frame, median of %d ms, by "
        "frames after the key frame (rows) and by the time from the previous picture to the call "
        "(columns)\n  %-10s",
        kRepeats, "");
    for (const int phase : kPhasesMs) {
        std::printf("  %4d ms", kPhaseBaseMs + phase);
    }
    std::printf("      all\n");
    for (size_t d = 0; d < std::size(kDistances); ++d) {
        std::vector<double> all;
        std::printf("  %-10s", (std::to_string(kDistances[d]) + " frames").c_str());
        for (size_t p = 0; p < std::size(kPhasesMs); ++p) {
            std::printf("  %7.1f", bench::Median(ms[d][p]));
            all.insert(all.end(), ms[d][p].begin(), ms[d][p].end());
        }
        std::printf("  %7.1f\n", bench::Median(all));
    }
    if (!ok) {
        std::printf("  - WRONG OR NO PICTURE for some positioning\n");
    }
    return ok;
}

}  // namespace

int main() {
    std::string error;
    const auto media = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media) {
        std::printf("file playback: cannot load media: %s\n", error.c_str());
        return 1;
    }
    std::error_code failed;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(failed) /
        ("kestrel-bench-file-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        std::printf("file playback: no temporary folder: %s\n", failed.message().c_str());
        return 1;
    }
    const Recording recording = BuildRecording(*media);
    const std::filesystem::path recording_path = folder / "long.rec";
    const std::filesystem::path units = folder / "units.h264";
    const std::filesystem::path log = folder / "ffmpeg.log";
    if (!WriteBytes(recording_path, recording.bytes) ||
        !bench::WriteAccessUnits(units, media->main_clip, kFrames)) {
        std::printf("file playback: cannot write %s\n", folder.string().c_str());
        std::filesystem::remove_all(folder, failed);
        return 1;
    }
    std::printf(
        "file playback: %d D1 frames with an audio record after each, %.1f MB; peer: ffmpeg "
        "-threads 1 -vf format=yuyv422 -f null on the same access units\n",
        kFrames, static_cast<double>(recording.bytes.size()) / 1e6);
    std::vector<uint64_t> clip_hashes;
    bool ok = MeasureFastPlay(recording_path.string(), units, log,
                              media->main_clip.AccessUnitCount(), &clip_hashes);
    if (clip_hashes.empty()) {
        std::printf("(b), (c) skipped: no complete playback to tell the frames' pictures apart\n");
        ok = false;
    } else {
        ok = MeasureSeeks(recording_path.string(), recording, media->main_clip, clip_hashes) && ok;
        ok = MeasurePositioningWait(recording_path.string(), recording, media->main_clip,
                                    clip_hashes) &&
             ok;
    }
    std::filesystem::remove_all(folder, failed);
    // Speed never fails the benchmark; a lost or wrong picture does.
    return ok ? 0 : 1;
}
