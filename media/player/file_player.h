// Playback of a recording file on the local disk, also while it is still
// being downloaded: the file's frame records are read ahead of the channel
// players of an embedded StreamDecoder, which decode, pace (by time stamp)
// and show them. Pause, rate, direction, positioning and single steps act
// on the reading and on the players; play-info goes through the library's
// one PlayStatusDispatcher thread.
//
// Threads and lifetime (all owned by the FilePlayer, ended by Stop or the
// destructor):
//   - the read engine, from Start to Stop: the read thread (reads and feeds
//     while the players' queues run low, watches a growing file, ends at the
//     end of the file) or, for the older types, the engine timer's thread
//     (a tick per read interval; see TimerTick);
//   - the open thread: for a download announced with SetFileLength, from
//     then until the file is there (it opens and starts playback) or Stop;
//   - the players' threads, owned by the StreamDecoder.
// Threading: the exports call in on any thread; control_mutex_ serialises
// them. file_mutex_ guards the file and the feeding, shared by the read
// engine and the controls that move the position. Lock order: control,
// then file, then the StreamDecoder's lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "file_source.h"
#include "frame_locator.h"
#include "kestrel_media.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "recording_header.h"
#include "stream_decoder.h"

namespace kestrel::media {

class FilePlayer {
public:
    static constexpr int kWindowCount = 4;

    // Opens local_file; with a device file name the file is a download that
    // opens once SetFileLength announced it. nullptr with the reason in
    // *result on failure.
    static std::unique_ptr<FilePlayer> Create(const char* local_file, const char* device_file,
                                              int32_t* result);
    ~FilePlayer();  // stops playback, drops pending play-info, closes the file
    FilePlayer(const FilePlayer&) = delete;
    FilePlayer& operator=(const FilePlayer&) = delete;

    int32_t SetFileLength(int32_t expected_length, const char* device_file);
    void SetCallback(void* user, QW_MEDIA_PLAYINFO_CALLBACK callback);

    int32_t Start(const std::array<KmVideoWindow*, kWindowCount>& windows);
    int32_t Stop();

    int32_t Pause(int32_t pause);
    int32_t SetDirection(int32_t direction);
    int32_t SetRate(int32_t rate);
    int32_t SetFrameInterval(int32_t interval_ms);
    int32_t SetPos(int32_t value, const QwMediaTime* time, int32_t mode, int32_t extra);
    int32_t NextFrame();
    int32_t PrevFrame();

    int32_t OpenSound(int32_t channel);
    int32_t CloseSound(int32_t channel);
    int32_t SetVolume(int32_t channel, int32_t volume);

    // The embedded decoder (display settings, capture); null until the
    // file is open.
    StreamDecoder* Decoder();

private:
    FilePlayer() = default;
    int32_t OpenFile();  // under control_mutex_
    int32_t StartLocked(const std::array<KmVideoWindow*, kWindowCount>& windows);
    int32_t StopLocked();
    int32_t PauseLocked(int32_t pause);
    int32_t ApplyRateAndDirection(int32_t rate, int32_t direction);
    int32_t SeekBytes(int64_t value, int32_t origin);
    int32_t SeekFrames(int32_t count, bool from_start);
    int32_t SeekTime(const QwMediaTime& time);
    int32_t StepForward();
    int32_t StepBackward();

    // Moves the feeding to `target` (a frame's offset): from the key frame
    // at or before it, with the frames before the target decoded unseen.
    // Under file_mutex_.
    bool JumpToFrame(uint64_t target);
    // The key frame `target` is decoded from, and in *frames how many main
    // frames lead from it to the target (both counted). Under file_mutex_.
    LocatedFrame KeyFrameFor(const LocatedFrame& target, int* frames);
    void FeedLocked(size_t bytes);  // reads at the position and feeds
    size_t ReadAndFeedLocked(size_t bytes, bool* read_nothing);

    void Notify(int32_t code, intptr_t value);
    void NotifyNow(int32_t code, const QwMediaTime& time);  // on the calling thread
    void ReadLoop(platform::MessageThread& self);
    void OpenLoop(platform::MessageThread& self);
    // The periodic read engine of the types without a read thread: every
    // tick feeds, steps backward or shows the next key frame.
    bool UsesTimerEngine() const;
    void TimerTick();
    void FeedNextKeyFrame();    // under file_mutex_
    void RestartTimerEngine();  // under control_mutex_, with the new period
    void CheckBuffering();
    void HandleEndOfFile();
    bool AtEndOfData() const;  // under file_mutex_
    void StopThreads();
    void SetPlayersPaused(bool paused);
    bool TimeStamped() const;

    std::mutex control_mutex_;
    std::mutex file_mutex_;
    // Guarded by control_mutex_ (and file_mutex_ where the read thread reads).
    std::string file_name_;
    std::string device_file_;
    bool pending_ = false;  // a download not yet opened
    FileSource source_;
    RecordingHeader header_{};
    uint64_t data_start_ = 0;
    std::unique_ptr<StreamDecoder> decoder_;
    std::array<KmVideoWindow*, kWindowCount> stored_windows_{};
    bool windows_stored_ = false;
    std::array<bool, kChannelSlots> sound_wanted_{};
    std::atomic<bool> playing_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> buffering_{false};
    std::atomic<bool> finished_{false};  // end of file handled
    std::atomic<int> step_mode_{0};  // 0 none, 1 forward, 2 backward; the timer engine steps too
    int32_t rate_ = 0;
    std::atomic<int32_t> direction_{2};  // the timer engine reads it too
    std::atomic<bool> video_only_{false};
    int32_t interval_ms_ = 40;
    uint64_t step_frame_offset_ = 0;    // frame last shown by a backward step
    std::vector<uint8_t> read_buffer_;  // guarded by file_mutex_

    std::mutex callback_mutex_;
    QW_MEDIA_PLAYINFO_CALLBACK callback_ = nullptr;
    void* user_ = nullptr;
    // Play-info of the file's opening, made before a callback could be
    // registered; delivered when one is.
    std::vector<std::pair<int32_t, intptr_t>> early_;

    platform::MessageThread read_thread_;
    platform::MessageThread open_thread_;
    platform::PeriodicTimer engine_timer_;  // last: its ticks use the members above
};

}  // namespace kestrel::media
