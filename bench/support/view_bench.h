// What the client program's benchmarks share: a simulated recorder of a
// chosen model in a process of its own that says how many stream bytes it
// sent, the frame arithmetic of its live streams, the offscreen Qt platform
// with a screen of a chosen size, a scratch home for the client's files and
// waits that keep the Qt event loop running.
//
// The benchmark program starts itself again with kServeViewRecorderArgument;
// its main() hands that call to ServeViewRecorderIfAsked() before it makes a
// QApplication. The recorder lives until the parent closes its control
// connection (or ends), and at most kServeLimitSeconds.
//
// Threading: ViewRecorder and the waits are used by the GUI thread.
#pragma once

#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "sim/media_clip.h"

namespace kestrel::bench {

constexpr const char* kServeViewRecorderArgument = "--serve-view-recorder";

struct ViewRecorderOptions {
    int channels = 16;
    uint8_t model = 0x14;
    // Every live stream stops sending after this many video frames and keeps
    // its connection open, so a client can be checked for showing exactly
    // those; 0: streams never stop.
    uint64_t stall_after_frames = 0;
    // The D1 clip on both stream numbers. The client asks for stream number
    // 1 when the operator chose the main stream, which the simulator serves
    // with its CIF clip; this keeps the client's own choice and still sends D1.
    bool d1_on_both_streams = true;
    // Keep every live stream's bytes, so that its video records can be
    // counted even when sound records were mixed in.
    bool count_frames = false;
};

// One live stream the recorder served, as its observations tell.
struct SentStream {
    int channel = 0;        // 0-based
    int stream_number = 0;  // 0 main, 1 sub
    bool running = false;
    bool sound_open = false;
    uint64_t bytes = 0;  // recording header included
    // Whole video records among those bytes; -1 unless counting frames.
    int64_t video_frames = -1;
};

class ViewRecorder {
public:
    // program is this benchmark's file name in the program folder. nullptr,
    // with the reason printed, when the recorder did not come up in time.
    static std::unique_ptr<ViewRecorder> Start(const std::string& program,
                                               const ViewRecorderOptions& options);
    ~ViewRecorder();  // closes the control connection: the recorder ends
    ViewRecorder(const ViewRecorder&) = delete;
    ViewRecorder& operator=(const ViewRecorder&) = delete;

    std::string Address() const { return "127.0.0.1"; }
    uint16_t CommandPort() const { return command_port_; }
    uint16_t MctpPort() const { return mctp_port_; }
    // Every live stream so far, in the order they started; nullopt when the
    // recorder did not answer.
    std::optional<std::vector<SentStream>> Streams();

private:
    ViewRecorder() = default;

    uint16_t command_port_ = 0;
    uint16_t mctp_port_ = 0;
    platform::Socket control_;
};

// In the started copy: serves the recorder the arguments describe and returns
// the exit status. nullopt when argv is not a recorder call.
std::optional<int> ServeViewRecorderIfAsked(int argc, char** argv);

// Bytes of a live stream up to the end of video frame `frames` (the
// recording header and frames 0..frames-1, each with its audio record when
// with_sound), the clip looping.
uint64_t LiveStreamBytes(const sim::MediaClip& clip, uint64_t frames, bool with_sound = false);
// The video frames wholly within the first `bytes` of a stream without sound.
uint64_t LiveStreamFrames(const sim::MediaClip& clip, uint64_t bytes);
// The whole video records in a stream's bytes, sound records skipped.
uint64_t CountVideoRecords(std::span<const uint8_t> stream);

// Before the QApplication: the offscreen platform with one screen of the
// given size, unless QT_QPA_PLATFORM is already set. The screen description
// is written into folder, which must outlive the QApplication's start.
void UseOffscreenPlatform(const std::string& folder, int width, int height);

// A scratch home and drive root for the client's configuration, log and
// built-in folders (KESTREL_HOME, KESTREL_DRIVE_ROOT), removed at the end.
class ScratchHome {
public:
    ScratchHome();
    bool Valid() const { return home_.isValid() && drive_.isValid(); }
    std::string Folder() const { return home_.path().toStdString() + "/"; }

private:
    QTemporaryDir home_;
    QTemporaryDir drive_;
};

using Clock = std::chrono::steady_clock;

// Runs the Qt event loop until done() holds (checked every poll) or the
// deadline passes: true when done() held.
bool RunEventsUntil(const std::function<bool()>& done, Clock::time_point deadline,
                    std::chrono::milliseconds poll = std::chrono::milliseconds(5));
// Runs the Qt event loop for a while.
void RunEventsFor(std::chrono::milliseconds duration);

double Mib(uint64_t bytes);

}  // namespace kestrel::bench
