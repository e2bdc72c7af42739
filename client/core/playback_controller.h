// The REPLAY page's playback controller: plays a recording of the recorder
// while it streams into a local temporary file (the media library plays the
// growing file), or copies it into a local AVI file through the record
// writer, one transfer at a time; and it drives the playback for the control
// bar: stop, pause, play, fast, slow, frame steps, position and sound.
//
// Ownership
//   - The control bar owns the controller; the context, the view and the
//     target window are borrowed. The target window is lent to the media
//     library from a playback's start to its stop: stop the playback
//     (StopButton or Close) before the window's widget goes.
//   - The file decoder is opened by the first playback and reused by every
//     later one; the destructor closes it.
//   - The controller is the user value of its library callbacks: the data
//     callback until StopDownLoadVideoFile returns, the play-info callback
//     until StopPlay returns. The destructor ends both first.
//
// Threading
//   - GUI thread: every public call, OnMessage and every view call.
//   - Protocol library's download thread: the data callbacks. They write the
//     temporary file or the writer, count the bytes and post to the file
//     list (kFileListPane) and to the controller's own bar
//     (kPlaybackController) through the context's PagePoster. They never
//     touch the view and never show a message.
//   - Media library's play-status thread: the play-info callback; it posts.
//   - The retry worker's thread: restarts a broken transfer from the bytes
//     received. Every stop wakes it and waits for it.
//   - transferLock_ guards the fields those threads share with the GUI
//     thread (Shared below); it is never held across a library call, since
//     stopping a transfer waits for the download thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "playback_requests.h"
#include "playback_states.h"
#include "retry_worker.h"

namespace kestrel::client {

class ClientContext;
class RecordFileWriter;

// Posted by the controller's callbacks to its own bar (kPlaybackController),
// which hands them to OnMessage. second is the playback's number, so a report
// still queued from an earlier playback changes nothing.
constexpr uint32_t UM_PLAY_POSITION = 0xAAD4;     // first: byte position read
constexpr uint32_t UM_PLAY_BUFFERING = 0xAAD5;    // first: 0 waits for data, 1 resumed
constexpr uint32_t UM_PLAY_FIRST_FRAME = 0xAAD6;  // first: offset of the first frame
// The playback reached its end. A growing file never reports the position
// of its last 51,200 bytes, so the end has to come from here too.
constexpr uint32_t UM_PLAY_END = 0xAAD8;
// A download has all its bytes: tell the operator where it went.
constexpr uint32_t UM_DOWNLOAD_SAVED = 0xAAD7;

// What the controller shows on its bar. GUI thread.
class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    // The position slider, 0..kSliderMax.
    virtual void SetPosition(int perMille) = 0;
    // The operator holds the position slider: position reports leave it.
    virtual bool PositionHeld() const = 0;
    // The downloaded extent drawn on the position slider, 0..kSliderMax.
    virtual void SetDownloadedExtent(int perMille) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // The wait-status text; empty hides it.
    virtual void SetWaitText(const std::string& text) = 0;
    virtual void SetVolumePosition(int32_t volume) = 0;
    // The mute toggle: sound on or off.
    virtual void SetSoundShown(bool on) = 0;
    virtual void SetWaitCursor(bool on) = 0;
};

class PlaybackController : public PlaybackRequests {
public:
    static constexpr int kSliderMax = 1000;
    static constexpr int32_t kInitialVolume = 0x3FFF;
    static constexpr int32_t kMaxVolume = 0xFFFF;
    // A start offset below this is no offset.
    static constexpr int64_t kMinStartOffset = 65536;

    PlaybackController(ClientContext& context, PlaybackView& view);
    // Close(), then closes the decoder.
    ~PlaybackController() override;
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    // ---- The file list's requests
    int Play(const std::string& remoteName, int channel, uint32_t size) override;
    int Download(const std::string& remoteName, int channel, uint32_t size) override;
    void StopDownload() override;

    // The window playbacks show in (the selected pane); null for none.
    void SetTarget(KmVideoWindow* window) { target_ = window; }

    // ---- The bar's controls
    void StopButton();
    void PauseButton();
    void PlayButton();
    void FastButton();
    void SlowButton();
    void NextFrameButton();
    void PrevFrameButton();
    // The position slider was released at sliderPosition (0..kSliderMax):
    // moves within the downloaded part only.
    void Seek(int sliderPosition);
    void SetSound(bool on);
    void SetVolume(int32_t volume);
    // The page closes: a download ends (the file list is told), then
    // playback stops.
    void Close();

    // A notification posted to kPlaybackController; false when it is not one
    // of the controller's.
    bool OnMessage(uint32_t message, intptr_t first, intptr_t second);

    // ---- For the bar and tests
    int32_t State() const { return controls_.State(); }
    bool Playing() const { return playing_; }
    bool SoundOn() const { return sound_; }
    int DownloadProgress() const { return progress_; }
    // A transfer (playback or download) runs.
    bool Transferring() const;
    // The file the current transfer writes; empty when none.
    std::string LocalPath() const;

private:
    enum class Kind { kPlayback, kDownload };

    // ---- GUI thread
    void Stop();
    void StartPlayback();
    bool OpenTempFile();
    bool StartPlayer();
    // Starts a transfer of remoteName_ from the resume offset. Not silent:
    // a refusal is shown to the operator.
    bool StartTransfer(bool silent);
    // Ends the transfer and unregisters the data callback: true when it
    // ended (then no data callback runs any more).
    bool EndTransfer();
    void FinishDownloadFile();
    void ShowRate();
    void ShowStatus(PlayStatus status);
    void OnPlayPosition(int64_t position);
    void OnBuffering(intptr_t value);
    bool HasDevice() const;
    QW_DVR_HANDLE Handle() const;

    // ---- Download thread
    static void QW_CALLBACK OnPlayData(void* user, FileDataRecord* record);
    static void QW_CALLBACK OnDownloadData(void* user, FileDataRecord* record);
    void OnData(Kind kind, const FileDataRecord& record);
    // The transfer ended (end record): complete, or broken and to be resumed.
    void OnTransferEnd(Kind kind);
    void PostProgress(int64_t received, int32_t total);
    // ---- Retry thread
    bool RetryAttempt();
    // ---- Play-status thread
    static int32_t QW_CDECL OnPlayInfo(void* user, const QwPlayInfo* info);

    ClientContext& context_;
    PlaybackView& view_;

    // ---- GUI thread only
    KmVideoWindow* target_ = nullptr;
    QW_DECODER_HANDLE decoder_ = nullptr;
    PlayControls controls_;
    std::string remoteName_;
    int32_t channel_ = -1;
    uint32_t fileSize_ = 0;
    int32_t volume_ = kInitialVolume;
    int64_t startOffset_ = 0;
    int progress_ = 0;  // downloaded extent, per mille
    bool playing_ = false;
    bool sound_ = false;
    bool busy_ = false;  // a start or stop runs (message boxes spin the event loop)
    // ---- GUI thread writes, play-status thread reads
    std::atomic<uint32_t> playNumber_{0};

    // ---- Shared with the download and retry threads, under transferLock_
    struct Shared {
        Kind kind = Kind::kPlayback;
        bool running = false;       // a VodDownloadClip transfer runs
        bool downloadTask = false;  // the transfer writes a download file
        bool autoResume = true;     // a break may be resumed
        bool stopRequested = true;  // set by every stop, cleared by a start
        int64_t resumeOffset = 0;   // where the next transfer starts
        int64_t received = 0;       // bytes of the file held locally
        int32_t total = 0;          // the file's length, as the transfer reports it
        int lastProgress = -1;      // per mille last posted
        std::FILE* tempFile = nullptr;
        std::unique_ptr<RecordFileWriter> writer;
        std::string localPath;
        std::string savedPath;  // a finished download's file, for the message
        // Copies for the retry thread.
        QW_DVR_HANDLE handle = nullptr;
        std::string remoteName;
    };
    mutable std::mutex transferLock_;
    Shared shared_;

    // Declared last: it is stopped first, while everything it uses exists.
    RetryWorker retry_;
};

}  // namespace kestrel::client
