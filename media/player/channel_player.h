// One started channel of a decoder handle: a thread that takes frames from
// the channel's FrameQueue, decodes them, paces them (by backlog in live
// view, by time stamps in file playback) and shows them through the
// channel's VideoRenderer.
//
// Threading and lifetime:
//   - The StreamDecoder slot owns the ChannelPlayer and calls Start, Stop
//     and the destructor from one thread at a time (under its lock).
//   - The player thread runs from Start to Stop. Everything it touches lives
//     in a Core shared with it, so a thread that does not end within the
//     stop wait is abandoned without touching freed memory.
//   - The window's present/clear callbacks run on the player thread, and
//     only until Stop returns: Stop detaches the window from the renderer
//     (waiting for a call in progress), so an abandoned thread never reaches
//     it again.
//   - PushFrame and Wake come from the input thread; SetVolume, the sound
//     flags, pause/step and the renderer's brightness and text from control
//     threads. They are atomics, the queue's lock or the text lock.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "frame_queue.h"
#include "kestrel_media.h"
#include "platform/thread.h"

namespace kestrel::media {

class VideoRenderer;

constexpr int kInitialVolume = 30000;
constexpr size_t kChannelWorkBufferBytes = 0x200000;  // one frame record
constexpr int kChannelStopWaitMs = 1000;

// Copied from the StreamDecoder into each new player.
struct ChannelSetup {
    uint32_t type_code = 0;
    uint32_t subtype_code = 0;
    int channel = 0;
    int volume = kInitialVolume;
    std::array<char, 16> name{};  // 15 characters and a NUL
    QwMediaTime start_time{};     // zero for live channels
    // Live players only: no wait between decode steps (benchmarks measure
    // the decode and display work alone).
    bool unpaced = false;
    // Play-info of file handles (code, value); empty for live ones. Called
    // on the player thread.
    std::function<void(int32_t code, intptr_t value)> notify;
};

// Figures of a running player, for tests and benchmarks.
struct ChannelStats {
    uint64_t decoded = 0;         // frames taken and decoded into a picture
    uint64_t presented = 0;       // pictures handed to the renderer
    uint64_t renderer_opens = 0;  // successful renderer opens
    // Time stamp of the picture last shown, and the audio clock read just
    // after it was shown (0 while no audio player plays), as one pair.
    uint64_t shown_video_pts_us = 0;
    uint64_t audio_clock_at_show_us = 0;
};

class ChannelPlayer {
public:
    // nullptr when the frame queue or the work buffer cannot be allocated.
    static std::unique_ptr<ChannelPlayer> Create(const ChannelSetup& setup);
    ~ChannelPlayer();  // stops the thread, empties the queue
    ChannelPlayer(const ChannelPlayer&) = delete;
    ChannelPlayer& operator=(const ChannelPlayer&) = delete;

    // Starts the thread showing pictures in `window` (may be null: frames
    // are decoded, nothing is shown). live selects backlog pacing; file
    // players pace by time stamps. kMediaAlreadyOpen while a thread runs,
    // kMediaThreadCreation when none can be made.
    int32_t Start(KmVideoWindow* window, bool live);
    // Quit, wait up to 1000 ms, abandon a thread that does not end. Either
    // way no present or clear runs once Stop has returned.
    void Stop();
    bool Running() const;

    // Input side: queues one whole frame record; false when it was dropped.
    bool PushFrame(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us);
    void Wake();
    size_t QueuedFrames() const;
    void ResetQueue();

    // Sound: one block of the channel's audio (input thread), and the sound
    // output opened or closed on the caller's thread.
    void InputAudio(int codec_type, std::span<const uint8_t> block, uint64_t pts_us);
    int32_t OpenSound();
    void CloseSound();
    bool SoundOpen() const;
    int32_t SetMute(bool mute);
    // Messages that open or close the sound on the channel's own thread.
    void PostOpenSound();
    void PostCloseSound();

    // The picture last shown as 24-bit B G R rows (see VideoRenderer).
    bool Capture(uint8_t* out, size_t capacity, int* width, int* height, bool flip);

    // Control side.
    void SetVolume(int volume);
    int Volume() const;
    // A pause returns once the pass in progress has shown its picture: no
    // picture follows until a step, a resume or the end of the pause.
    void SetPaused(bool paused);
    // While paused: decode `decodes` frames and show the last of them (a
    // step back decodes from a key frame up to the frame before).
    void RequestStep(int decodes = 1);
    bool StepPending() const;
    // Waits for the pass in progress and keeps the next one from starting
    // while the lock is held. Not on the player's own thread (an empty lock
    // there). Taken after the decoder's lock, never before it.
    std::unique_lock<std::mutex> HoldPass();
    // After a jump into the middle of a file: frames stamped before pts_us
    // are decoded (they lead up to it from a key frame) but not shown.
    void SkipUntil(uint64_t pts_us);
    // Time stamp of the frame last decoded for showing.
    uint64_t ShownPts() const;
    void ClearSound();
    void StopFileAudio(int32_t mode);
    VideoRenderer& Renderer();
    const ChannelSetup& Setup() const;
    ChannelStats Stats() const;

private:
    struct Core;
    explicit ChannelPlayer(std::shared_ptr<Core> core);

    std::shared_ptr<Core> core_;
    platform::MessageThread thread_;
};

}  // namespace kestrel::media
