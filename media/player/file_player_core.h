// What a file handle's threads share: the file, the embedded decoder, the
// playback state, the play-info relay and the engine threads themselves.
// The FilePlayer and every thread body hold it by shared_ptr.
//
// Its work is spread over three files: file_player.cpp (opening, start and
// stop, pause, rate, sound: the control surface), file_read_engine.cpp (the
// read thread and the engine timer's tick) and file_positioning.cpp
// (positioning and single steps).
//
// Locks, in the order they are taken: control_mutex (one control at a
// time: the exports and the open thread), file_mutex (the file, its
// position and the feeding), then the StreamDecoder's own lock. The relay
// takes its lock last and holds none while a callback runs, so a callback
// may call the handle's exports. Nothing waits for the play-status thread
// while holding control_mutex or file_mutex.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "file_player.h"
#include "file_source.h"
#include "frame_locator.h"
#include "kestrel_media.h"
#include "kestrel_recorder_traits.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "play_info_relay.h"
#include "recording_header.h"
#include "stream_decoder.h"

namespace kestrel::media {

inline constexpr int32_t kForward = QW_MEDIA_DIRECTION_FORWARD;
inline constexpr int32_t kBackward = QW_MEDIA_DIRECTION_BACKWARD;
inline constexpr int kStepNone = 0;
inline constexpr int kStepForward = 1;
inline constexpr int kStepBackward = 2;
inline constexpr size_t kStepReadBytes = 307200;  // also the read buffer's size
inline constexpr int kMaxShownFrameSearch = 2000;
// Ends the read thread's poll wait early (any message but quit does).
inline constexpr uint32_t kEngineWake = 0x0400;

struct FilePlayer::Core : std::enable_shared_from_this<FilePlayer::Core> {
    // Set by Create, then only read.
    std::string file_name;

    std::mutex control_mutex;
    // Guarded by control_mutex.
    std::string device_file;
    bool pending = false;  // a download not yet opened
    std::array<KmVideoWindow*, kWindowCount> stored_windows{};
    bool windows_stored = false;  // StartPlay came before the download opened
    std::array<bool, kChannelSlots> sound_wanted{};
    int32_t rate = 0;
    int32_t interval_ms = 40;

    std::mutex file_mutex;
    // Guarded by file_mutex.
    FileSource source;
    std::vector<uint8_t> read_buffer;
    bool buffering = false;  // paused by the read engine for the download
    int step_mode = kStepNone;
    uint64_t step_frame_offset = 0;  // frame last shown by a backward step

    // Written under control_mutex and file_mutex together, while no engine
    // runs (the file opens); read under either, or by the engines.
    RecordingHeader header{};
    RecorderTypeTraits traits = RecorderType(0);
    uint64_t data_start = 0;
    std::unique_ptr<StreamDecoder> decoder;

    // Read by the engines without a lock; written under the lock named.
    std::atomic<bool> playing{false};          // control_mutex
    std::atomic<bool> paused{false};           // control_mutex and file_mutex: the caller's pause
    std::atomic<bool> finished{false};         // file_mutex: end of file handled
    std::atomic<int32_t> direction{kForward};  // control_mutex
    std::atomic<bool> video_only{false};       // control_mutex

    PlayInfoRelay play_info;

    // Started and stopped under control_mutex; the open thread also starts
    // the read engine (holding control_mutex).
    platform::MessageThread read_thread;
    platform::MessageThread open_thread;
    platform::PeriodicTimer engine_timer;  // last: its ticks use the members above

    // ---- control surface (file_player.cpp); "Locked": under control_mutex
    int32_t OpenFile();
    int32_t SetFileLength(int32_t expected_length, const char* device_file);
    void OpenLoop(platform::MessageThread& self);
    int32_t StartLocked(const std::array<KmVideoWindow*, kWindowCount>& windows);
    int32_t StopLocked();
    // Stop as the export does it: the play-info delivery wait runs after
    // control_mutex is released, as a callback may call the handle.
    int32_t Stop();
    void Close();
    int32_t PauseLocked(int32_t pause);
    int32_t ApplyRateAndDirection(int32_t rate, int32_t direction);
    int32_t SetFrameIntervalLocked(int32_t interval_ms);
    int32_t OpenSoundLocked(int32_t channel);
    int32_t CloseSoundLocked(int32_t channel);
    int32_t SetVolumeLocked(int32_t channel, int32_t volume);
    // The players' pause: the caller's or the download's. Under file_mutex.
    void ApplyPlayersPause();
    void Notify(int32_t code, intptr_t value);

    // ---- read engines (file_read_engine.cpp)
    void ReadLoop(platform::MessageThread& self);
    bool UsesTimerEngine() const;
    void RestartTimerEngine();  // under control_mutex, with the new period
    void TimerTick();
    void FeedNextKeyFrame();        // under file_mutex
    void CheckBuffering();          // under file_mutex
    void HandleEndOfFile();         // under file_mutex
    bool AtEndOfData() const;       // under file_mutex
    void FeedLocked(size_t bytes);  // reads at the position and feeds; under file_mutex
    size_t ReadAndFeedLocked(size_t bytes, bool* read_nothing);
    void StopEngines(int wait_ms);

    // ---- positioning and steps (file_positioning.cpp); under control_mutex
    int32_t SetPosLocked(int32_t value, const QwMediaTime* time, int32_t mode, int32_t extra);
    int32_t SeekBytes(int64_t value, int32_t origin);
    int32_t SeekFrames(int32_t count, bool from_start);
    int32_t SeekTime(const QwMediaTime& time);
    // Moves the feeding to `target` (a frame's offset): from the key frame
    // at or before it, with the frames before the target decoded unseen.
    // Under file_mutex.
    bool JumpToFrame(uint64_t target);
    // The key frame `target` is decoded from, and in *frames how many main
    // frames lead from it to the target (both counted). Under file_mutex.
    LocatedFrame KeyFrameFor(const LocatedFrame& target, int* frames);
    int32_t StepForward();   // takes file_mutex
    int32_t StepBackward();  // takes file_mutex; the timer engine steps back too
};

}  // namespace kestrel::media
