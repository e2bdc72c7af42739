// The REPLAY page's playback controller against simulated recorders in
// processes of their own, logged in through the protocol library as the
// client is, with a temporary home, save folder and drive root. This thread
// plays the GUI thread: it makes every controller call and hands the posted
// notifications to the controller.
//   (1) Play to the first picture in the target window: fresh recordings,
//       stopped between rounds, median and worst against the goal; beside
//       it, the media library opening the same recording as a complete local
//       file to its first picture.
//   (2) A large recording downloaded through the controller into an AVI file
//       (protocol library, controller, record writer) against a plain socket
//       copy of the same bytes, in paired rounds (see paired_rounds.h). Both
//       times start once the link is connected and the answer head is in (the
//       controller's call returns then); ours stops when the controller has
//       reported the end to the file list and to its bar and the writer has
//       closed the file (its ".indx" side file is gone).
//   (3) Positioning while playing a recording that has fully arrived: from
//       the call to the first picture of the frame at the new place, told
//       apart by its picture against the clip's.
// Goals missed are printed, never an exit status; a wrong or missing picture
// or file is.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "client_context.h"
#include "device.h"
#include "ffmpeg_peer.h"
#include "file_play.h"
#include "kestrel_media.h"
#include "kestrel_net.h"
#include "paired_rounds.h"
#include "picture_log_window.h"
#include "plain_download.h"
#include "playback_controller.h"
#include "playback_files.h"
#include "recorder_process.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/recorder_sim.h"

namespace sim = kestrel::sim;
namespace bench = kestrel::bench;
namespace client = kestrel::client;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kProgram = "bench_replay";
constexpr int kPlayFrames = 3000;       // two minutes a recording
constexpr int kDownloadFrames = 80000;  // about 100 MB
constexpr int kPlayRounds = 8;
constexpr auto kPictureLimit = std::chrono::seconds(10);
constexpr auto kTransferLimit = std::chrono::seconds(60);
constexpr auto kSeekLimit = std::chrono::seconds(5);
constexpr auto kPumpStep = std::chrono::milliseconds(2);
constexpr auto kSteadyPlay = std::chrono::milliseconds(300);
// A stale picture may match the target only after the old place played on
// this many frames: one second.
constexpr int kMinLead = 25;
constexpr double kFirstPictureGoalSeconds = 0.5;
constexpr double kDownloadGoal = 0.8;
constexpr double kSeekGoalMs = 150;
const int kSeekSliders[] = {120, 730, 350, 880, 240, 610, 470, 160, 800, 530};

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A page of the client: keeps what is posted until the GUI loop takes it.
class PostedPage : public client::PageWindow {
public:
    struct Message {
        uint32_t message;
        intptr_t first;
        intptr_t second;
    };
    void Post(uint32_t message, intptr_t first, intptr_t second) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({message, first, second});
    }
    std::vector<Message> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(messages_, {});
    }

private:
    std::mutex mutex_;
    std::vector<Message> messages_;  // guarded by mutex_
};

// The control bar as the controller sees it.
struct BarView : client::PlaybackView {
    void SetPosition(int perMille) override { position = perMille; }
    bool PositionHeld() const override { return false; }
    void SetDownloadedExtent(int perMille) override { extent = perMille; }
    void SetStatusText(const std::string&) override {}
    void SetWaitText(const std::string&) override {}
    void SetVolumePosition(int32_t) override {}
    void SetSoundShown(bool) override {}
    void SetWaitCursor(bool) override {}
    int position = 0;
    int extent = 0;
};

// Message boxes: kept, so a refusal can be printed and a saved path checked.
struct ShownTexts : client::ClientUi {
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// A logged-in client context with the REPLAY page's controller.
class Session {
public:
    static std::unique_ptr<Session> Open(const bench::RecorderProcess& recorder,
                                         const std::string& home, const std::string& save_folder) {
        std::unique_ptr<Session> session(new Session);
        session->context_ = std::make_unique<client::ClientContext>(home);
        client::ClientContext& c = *session->context_;
        c.ip = recorder.Address();
        c.mediaPort = recorder.CommandPort();
        c.setupPort = recorder.MctpPort();
        c.user = "admin";
        c.password = "admin";
        c.filePath = save_folder;
        c.pages.Register(client::PageId::kPlaybackController, &session->bar_);
        c.pages.Register(client::PageId::kFileListPane, &session->file_list_);
        c.pages.Register(client::PageId::kMainWindow, &session->main_window_);
        c.ui = &session->ui_;
        int32_t type = 0, subtype = 0, result = 0;
        UserRights rights{};
        QW_DVR_HANDLE handle = QW_DVR_NET_Open_Device_Ex(c.ip.c_str(), c.mediaPort, c.setupPort,
                                                         c.user.c_str(), c.password.c_str(), &type,
                                                         &subtype, &result, &rights, nullptr);
        if (handle == nullptr) {
            std::printf("replay: login failed: %d\n", result);
            return nullptr;
        }
        c.device = std::make_unique<client::CDevice>(static_cast<uint32_t>(subtype), handle, c.ip,
                                                     c.mediaPort, static_cast<uint32_t>(type));
        c.device->SetContext(&c);
        c.channelCount = c.device->channelCount;
        session->controller_ = std::make_unique<client::PlaybackController>(c, session->view_);
        return session;
    }
    ~Session() {
        controller_.reset();  // ends its transfers while the device is open
        context_.reset();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    client::PlaybackController& Controller() { return *controller_; }
    client::ClientContext& Context() { return *context_; }
    const std::vector<std::string>& Shown() const { return ui_.shown; }

    // The GUI loop's share: the bar's notifications to the controller, the
    // main window's texts to message boxes (printed, since none is expected),
    // the file list's end-of-download reports counted.
    void Pump() {
        for (const PostedPage::Message& m : bar_.Take()) {
            controller_->OnMessage(m.message, m.first, m.second);
        }
        for (const PostedPage::Message& m : main_window_.Take()) {
            if (m.message == client::UM_SHOW_TEXT) {
                std::printf("  the client shows: %s\n", context_->LoadText(m.first).c_str());
                context_->ShowPostedText(m.first);
            }
        }
        for (const PostedPage::Message& m : file_list_.Take()) {
            if (m.message == client::UM_DOWNLOAD_STATE && m.first == client::kDownloadStateCode &&
                m.second == 0) {
                ++downloads_ended_;
            }
        }
    }
    // Pumps every step until done() holds; false when `limit` passed first.
    template <typename Done>
    bool PumpUntil(Done done, Clock::time_point limit) {
        for (;;) {
            Pump();
            if (done()) {
                return true;
            }
            if (Clock::now() >= limit) {
                return false;
            }
            std::this_thread::sleep_for(kPumpStep);
        }
    }
    // Waits for a picture that `find` picks in the window's log, pumping
    // meanwhile; its index, or nullopt when `limit` passed first.
    template <typename Find>
    std::optional<size_t> WaitPicture(const bench::PictureLogWindow& window, Find find,
                                      Clock::time_point limit) {
        std::optional<size_t> found;
        for (;;) {
            // The window wakes the wait: the picture's time is logged by the
            // window itself, so the pump step costs no accuracy.
            window.WaitUntil(std::min(limit, Clock::now() + kPumpStep), [&](const auto& pictures) {
                found = find(pictures);
                return found.has_value();
            });
            Pump();
            if (found || Clock::now() >= limit) {
                return found;
            }
        }
    }
    int DownloadsEnded() const { return downloads_ended_; }

private:
    Session() = default;

    // Declared before the context: they outlive every thread that posts.
    PostedPage bar_;
    PostedPage file_list_;
    PostedPage main_window_;
    BarView view_;
    ShownTexts ui_;
    std::unique_ptr<client::ClientContext> context_;
    std::unique_ptr<client::PlaybackController> controller_;
    int downloads_ended_ = 0;
};

// A recorder process and, in this process, the same recordings to check
// against.
struct Recorder {
    std::unique_ptr<bench::RecorderProcess> process;
    std::vector<sim::RecordingFile> files;  // the first day's, every channel
};

std::optional<Recorder> StartRecorder(int frames) {
    bench::RecorderOptions options;
    options.recording_frames = frames;
    Recorder recorder;
    sim::RecorderSim reference(bench::RecorderConfigFor(options));
    if (!reference.Start()) {
        std::printf("replay: simulator failed: %s\n", reference.LastError().c_str());
        return std::nullopt;
    }
    for (int channel = 0; channel < 4; ++channel) {
        for (const sim::RecordingFile& file : reference.Recordings(channel, 2011, 3, 5)) {
            recorder.files.push_back(file);
        }
    }
    recorder.process = bench::RecorderProcess::Start(kProgram, options);
    if (!recorder.process || recorder.files.empty()) {
        return std::nullopt;
    }
    return recorder;
}

std::vector<uint8_t> RecordingBytes(int frames, const std::string& name) {
    bench::RecorderOptions options;
    options.recording_frames = frames;
    sim::RecorderSim reference(bench::RecorderConfigFor(options));
    return reference.Start() ? reference.RecordingBytes(name) : std::vector<uint8_t>{};
}

uint16_t LE16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t LE32(const uint8_t* p) {
    return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Each video record's offset, in frame order; empty when a record is not
// where the layout puts it or its frame index (the extension) disagrees.
std::vector<uint64_t> VideoOffsets(const std::vector<uint8_t>& bytes) {
    constexpr size_t kPayloadLengthAt = 8;
    constexpr size_t kExtensionLengthAt = 12;
    std::vector<uint64_t> offsets;
    size_t at = sim::kRecordingHeaderSize;
    while (at + sim::kVideoHeaderSize + 8 <= bytes.size()) {
        const uint8_t* record = bytes.data() + at;
        const size_t extension = LE16(record + kExtensionLengthAt);
        const uint64_t index = LE32(record + sim::kVideoHeaderSize) |
                               uint64_t{LE32(record + sim::kVideoHeaderSize + 4)} << 32;
        if (record[2] != 'd' || record[3] != 'c' || extension != 8 || index != offsets.size()) {
            return {};
        }
        offsets.push_back(at);
        at += sim::PaddedRecordSize(sim::kVideoHeaderSize + extension +
                                    LE32(record + kPayloadLengthAt));
    }
    return at == bytes.size() ? offsets : std::vector<uint64_t>{};
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The picture of each clip frame, from the complete file played at the
// highest rate; empty when two frames look alike or too few pictures came.
std::vector<uint64_t> ClipHashes(const std::string& path, size_t clip_frames) {
    bench::PictureLogWindow window(clip_frames * 2);
    bench::FilePlayback playback(path, window);
    // Timestamped types answer 1.
    if (!playback.Started() || QW_DVR_MEDIA_PCSetRate(playback.Handle(), 4) != 1 ||
        !window.WaitForCount(clip_frames, Clock::now() + kPictureLimit)) {
        return {};
    }
    std::vector<uint64_t> hashes;
    for (const auto& picture : window.Pictures()) {
        hashes.push_back(picture.hash);
        if (hashes.size() == clip_frames) {
            break;
        }
    }
    std::vector<uint64_t> sorted = hashes;
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()
               ? hashes
               : std::vector<uint64_t>{};
}

void PrintGoal(const char* what, double median, double worst, const char* unit, double goal) {
    std::printf("  %s: median %.1f %s, worst %.1f %s (goal: median at most %.0f %s): %s\n", what,
                median, unit, worst, unit, goal, unit, median <= goal ? "met" : "NOT MET");
}

// (1) Play to the first picture, and the library opening the complete file.
bool MeasureFirstPicture(Session& session, const std::vector<sim::RecordingFile>& files,
                         const std::string& complete, uint64_t first_hash) {
    std::printf(
        "(1) Play to the first picture in the target window, %d rounds on fresh recordings of "
        "%d frames, stopped between rounds; beside it: the media library opening the complete "
        "file to its first picture\n",
        kPlayRounds, kPlayFrames);
    client::PlaybackController& controller = session.Controller();
    bench::PictureLogWindow window(1024);
    controller.SetTarget(window.Window());
    std::vector<double> ours, peer;
    bool ok = true;
    for (int round = 0; round < kPlayRounds; ++round) {
        // Every slot of every channel in turn: none was sent before.
        const sim::RecordingFile& file = files[static_cast<size_t>(round) % files.size()];
        const size_t shown = window.Count();
        const auto start = Clock::now();
        if (controller.Play(file.name, file.channel, file.size) != 1) {
            std::printf("  round %d: Play refused %s\n", round + 1, file.name.c_str());
            return false;
        }
        const auto first = session.WaitPicture(
            window,
            [&](const auto& pictures) -> std::optional<size_t> {
                if (pictures.size() > shown) {
                    return shown;
                }
                return std::nullopt;
            },
            start + kPictureLimit);
        double ms = 0;
        bool right = false;
        if (first) {
            const auto picture = window.Pictures()[*first];
            ms = MsBetween(start, picture.at);
            right = picture.hash == first_hash;
        }
        controller.StopButton();
        session.Pump();

        double peer_ms = 0;
        {
            bench::PictureLogWindow peer_window(64);
            const auto peer_start = Clock::now();
            bench::FilePlayback playback(complete, peer_window);
            std::optional<size_t> found;
            peer_window.WaitUntil(peer_start + kPictureLimit, [&](const auto& pictures) {
                found = bench::FindPicture(pictures, 0, peer_start, first_hash);
                return found.has_value();
            });
            if (playback.Started() && found) {
                peer_ms = MsBetween(peer_start, peer_window.Pictures()[*found].at);
                peer.push_back(peer_ms);
            } else {
                ok = false;
            }
        }
        std::printf("  round %d (%s, channel %d): ours %6.1f ms%s, complete file %6.1f ms\n",
                    round + 1, file.name.c_str(), file.channel + 1, ms,
                    !first   ? " - NO PICTURE"
                    : !right ? " - NOT THE FIRST FRAME"
                             : "",
                    peer_ms);
        std::fflush(stdout);
        if (!first || !right) {
            ok = false;
            continue;
        }
        ours.push_back(ms);
    }
    controller.SetTarget(nullptr);
    if (ours.empty()) {
        return false;
    }
    std::printf("  complete file opened by the media library: median %.1f ms, worst %.1f ms\n",
                bench::Median(peer),
                peer.empty() ? 0 : *std::max_element(peer.begin(), peer.end()));
    PrintGoal("Play to the first picture", bench::Median(ours),
              *std::max_element(ours.begin(), ours.end()), "ms", kFirstPictureGoalSeconds * 1000);
    return ok;
}

// Where the controller's downloads spend their time, in ms from the call.
struct DownloadPhases {
    std::vector<double> returned;  // Download() returned
    std::vector<double> reported;  // the end was posted to the file list
    std::vector<double> closed;    // the writer closed the file
};

// One download through the controller; its AVI file is deleted first, since
// the controller continues an existing one.
std::optional<bench::Work> ControllerOnce(Session& session, const sim::RecordingFile& file,
                                          const std::string& path, DownloadPhases* phases) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(path + ".indx", ignored);
    const int ended = session.DownloadsEnded();
    const size_t shown = session.Shown().size();
    const auto called = Clock::now();
    if (session.Controller().Download(file.name, file.channel, file.size) != 1) {
        return std::nullopt;
    }
    // As for the peer, the time runs once the link is up and the answer head in.
    const bench::Instant start = bench::Instant::Now();
    const auto returned = Clock::now();
    std::optional<Clock::time_point> reported;
    const bool done = session.PumpUntil(
        [&] {
            if (!reported && session.DownloadsEnded() > ended) {
                reported = Clock::now();
            }
            return reported && session.Shown().size() > shown &&
                   !std::filesystem::exists(path + ".indx");
        },
        Clock::now() + kTransferLimit);
    const bench::Instant end = bench::Instant::Now();
    if (done) {
        phases->returned.push_back(MsBetween(called, returned));
        phases->reported.push_back(MsBetween(called, *reported));
        phases->closed.push_back(MsBetween(called, Clock::now()));
    }
    // The operator is told where the file went; the AVI holds at least the
    // recording's access units.
    const bool told = done && session.Shown().back().find(path) != std::string::npos;
    const bool sized = std::filesystem::file_size(path, ignored) >= file.size / 2;
    return bench::WorkBetween(start, end, file.size, done && told && sized);
}

// (2) The controller's download against a plain socket copy.
bool MeasureDownload(const Recorder& recorder, const std::string& home, const std::string& save,
                     const std::string& plain_path) {
    const sim::RecordingFile& file = recorder.files.front();
    const std::vector<uint8_t> expected = RecordingBytes(kDownloadFrames, file.name);
    const auto session = Session::Open(*recorder.process, home, save);
    if (!session || expected.size() != file.size) {
        return false;
    }
    const std::string path = client::DownloadFilePath(save, session->Context().ip, file.name);
    std::printf(
        "(2) download of %.1f MB (%d frames) through the controller into an AVI file, %d paired "
        "rounds of at least %.0f s; peer: a plain socket copy of the same bytes\n",
        static_cast<double>(file.size) / 1e6, file.frames, bench::kPairs, bench::kRoundSeconds);
    DownloadPhases phases;
    bench::Comparison comparison;
    comparison.label = "download";
    comparison.unit = "MB/s";
    comparison.amount_per_unit = 1e6;
    comparison.goal = bench::Goal{bench::Basis::kWall, kDownloadGoal};
    const bench::PairedResult paired = bench::RunPaired(
        comparison, {"controller", [&] { return ControllerOnce(*session, file, path, &phases); }},
        {"plain",
         [&] { return bench::PlainOnce(*recorder.process, file.name, plain_path, expected); }});
    std::printf(
        "  controller, medians from the call: Download() returned %.1f ms, end reported %.1f ms, "
        "file closed %.1f ms\n",
        bench::Median(phases.returned), bench::Median(phases.reported),
        bench::Median(phases.closed));
    // The last AVI file as ffprobe reads it: every frame a packet.
    const long packets = bench::ProbePackets(path, "v:0");
    std::printf("  the last AVI file: %ld video packets of %d frames%s\n", packets, file.frames,
                packets == file.frames ? "" : " - WRONG FILE");
    return paired.complete && paired.ok && packets == file.frames;
}

// The clip frame a picture shows; -1 for none.
int ClipIndex(const std::unordered_map<uint64_t, int>& clip_index, uint64_t hash) {
    const auto found = clip_index.find(hash);
    return found == clip_index.end() ? -1 : found->second;
}

// (3) Positioning while playing a recording that has arrived whole.
bool MeasureSeeks(Session& session, const sim::RecordingFile& file,
                  const std::vector<uint64_t>& offsets, const sim::MediaClip& clip,
                  const std::vector<uint64_t>& clip_hashes) {
    std::printf(
        "(3) Seek while playing a fully downloaded recording (%d frames, %.1f MB) to %zu places, "
        "to the first picture of the frame there; a place is taken only where the old one could "
        "not reach that picture within %d frames\n",
        file.frames, file.size / 1e6, std::size(kSeekSliders), kMinLead);
    std::unordered_map<uint64_t, int> clip_index;
    for (size_t i = 0; i < clip_hashes.size(); ++i) {
        clip_index[clip_hashes[i]] = static_cast<int>(i);
    }
    const int clip_frames = static_cast<int>(clip_hashes.size());
    client::PlaybackController& controller = session.Controller();
    bench::PictureLogWindow window(4096);
    controller.SetTarget(window.Window());
    const auto start = Clock::now();
    const auto arrived = [&] { return controller.DownloadProgress() == 1000; };
    if (controller.Play(file.name, file.channel, file.size) != 1 ||
        !session.PumpUntil(arrived, start + kTransferLimit) ||
        !window.WaitForCount(3, Clock::now() + kPictureLimit)) {
        std::printf("  the recording did not play or arrive (progress %d per mille)\n",
                    controller.DownloadProgress());
        controller.StopButton();
        controller.SetTarget(nullptr);
        return false;
    }
    std::printf("  arrived whole %.0f ms after Play\n", MsBetween(start, Clock::now()));
    std::vector<bench::SeekResult> results;
    bool ok = true;
    for (const int slider : kSeekSliders) {
        session.PumpUntil([] { return false; }, Clock::now() + kSteadyPlay);
        // The frame a slider value lands on: the first at or after its share
        // of the bytes (the first frame lies below the smallest start offset).
        int value = slider;
        int target = 0;
        int lead = 0;
        for (int tries = 0; tries < 40; ++tries, ++value) {
            const int64_t wanted = int64_t{file.size} / 1000 * value;
            target = static_cast<int>(
                std::lower_bound(offsets.begin(), offsets.end(), static_cast<uint64_t>(wanted)) -
                offsets.begin());
            const auto pictures = window.Pictures();
            const int now = ClipIndex(clip_index, pictures.back().hash);
            lead = ((target - now) % clip_frames + clip_frames) % clip_frames;
            if (now >= 0 && lead >= kMinLead) {
                break;
            }
        }
        const uint64_t want = clip_hashes[static_cast<size_t>(target % clip_frames)];
        const size_t shown = window.Count();
        const auto called = Clock::now();
        controller.Seek(value);
        const auto found = session.WaitPicture(
            window,
            [&](const auto& pictures) { return bench::FindPicture(pictures, shown, called, want); },
            called + kSeekLimit);
        bench::SeekResult result;
        result.from_key = bench::FramesFromKey(clip, target);
        if (found) {
            result.ms = MsBetween(called, window.Pictures()[*found].at);
            result.stale = static_cast<int>(*found - shown);
            // More old pictures than the lead: the match may be the old place's.
            result.ok = result.stale < lead;
        }
        ok = ok && result.ok;
        results.push_back(result);
    }
    controller.StopButton();
    session.Pump();
    controller.SetTarget(nullptr);
    const bench::SeekSummary summary = bench::PrintSeeks("playing", results);
    if (summary.shown > 0) {
        PrintGoal("Seek to its picture", summary.median_ms, summary.max_ms, "ms", kSeekGoalMs);
    }
    return ok;
}

int Run(const std::filesystem::path& folder) {
    const std::string home = (folder / "home").string() + "/";
    const std::string save = (folder / "save").string() + "/";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(save);
    std::string error;
    const auto media = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media) {
        std::printf("replay: cannot load media: %s\n", error.c_str());
        return 1;
    }
    std::optional<Recorder> play_recorder = StartRecorder(kPlayFrames);
    std::optional<Recorder> download_recorder = StartRecorder(kDownloadFrames);
    if (!play_recorder || !download_recorder) {
        return 1;
    }
    // Channel 1's first recording: the complete file beside (1), the playback of (3).
    const sim::RecordingFile& played = play_recorder->files.front();
    const std::vector<uint8_t> bytes = RecordingBytes(kPlayFrames, played.name);
    const std::vector<uint64_t> offsets = VideoOffsets(bytes);
    const std::filesystem::path complete = folder / "complete.rec";
    if (offsets.size() != static_cast<size_t>(played.frames) || !WriteBytes(complete, bytes)) {
        std::printf("replay: the recording's frames could not be located or written\n");
        return 1;
    }
    const std::vector<uint64_t> clip_hashes =
        ClipHashes(complete.string(), media->main_clip.AccessUnitCount());
    if (clip_hashes.empty()) {
        std::printf("replay: the clip's frames could not be told apart by their pictures\n");
        return 1;
    }
    const auto session = Session::Open(*play_recorder->process, home, save);
    if (!session) {
        return 1;
    }
    std::printf("replay: the REPLAY page's controller against recorder processes on %s\n",
                play_recorder->process->Address().c_str());
    bool ok =
        MeasureFirstPicture(*session, play_recorder->files, complete.string(), clip_hashes.front());
    ok = MeasureDownload(*download_recorder, home, save, (folder / "plain.rec").string()) && ok;
    download_recorder.reset();
    ok = MeasureSeeks(*session, played, offsets, media->main_clip, clip_hashes) && ok;
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> served = bench::ServeRecorderIfAsked(argc, argv)) {
        return *served;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::error_code failed;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(failed) /
        ("kestrel-bench-replay-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder / "drive", failed);
    if (failed) {
        std::printf("replay: no temporary folder: %s\n", failed.message().c_str());
        return 1;
    }
    // The playback's temporary file lies under the drive root.
    setenv("KESTREL_DRIVE_ROOT", (folder / "drive").string().c_str(), 1);
    setenv("KESTREL_HOME", (folder / "home").string().c_str(), 1);
    const int status = Run(folder);
    std::filesystem::remove_all(folder, failed);
    return status;
}
