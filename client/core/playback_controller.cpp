// The controller's GUI-thread side: the file list's requests, the bar's
// buttons, starting and stopping playback, and the posted notifications.
// The transfers and the library callbacks are in playback_transfer.cpp.
#include "playback_controller.h"

#include <algorithm>
#include <array>

#include "client_context.h"
#include "device.h"
#include "platform/paths.h"
#include "playback_files.h"
#include "record_file_writer.h"
#include "text_ids.h"

namespace kestrel::client {
namespace {

// Shows the wait cursor for the life of a start or stop.
class WaitCursor {
public:
    explicit WaitCursor(PlaybackView& view) : view_(view) { view_.SetWaitCursor(true); }
    ~WaitCursor() { view_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    PlaybackView& view_;
};

}  // namespace

PlaybackController::PlaybackController(ClientContext& context, PlaybackView& view)
    : context_(context), view_(view), retry_([this] { return RetryAttempt(); }) {
    platform::MakeDirectories(PlaybackTempFolder());
}

PlaybackController::~PlaybackController() {
    Close();
    {
        std::lock_guard lock(transferLock_);
        shared_.stopRequested = true;
    }
    retry_.Stop();
    if (Transferring()) {
        EndTransfer();
    }
    if (HasDevice()) {
        QW_DVR_NET_SetFileDataCallBackVMS(Handle(), nullptr, nullptr);
    }
    if (decoder_ != nullptr) {
        QW_DVR_MEDIA_CloseDecoder(decoder_);  // no play-info call runs after it
        decoder_ = nullptr;
    }
    FinishDownloadFile();
    std::lock_guard lock(transferLock_);
    if (shared_.tempFile != nullptr) {
        std::fclose(shared_.tempFile);
        shared_.tempFile = nullptr;
    }
}

bool PlaybackController::HasDevice() const {
    return context_.device != nullptr && context_.device->handle != nullptr;
}

QW_DVR_HANDLE PlaybackController::Handle() const {
    return context_.device != nullptr ? context_.device->handle : nullptr;
}

bool PlaybackController::Transferring() const {
    std::lock_guard lock(transferLock_);
    return shared_.running;
}

std::string PlaybackController::LocalPath() const {
    std::lock_guard lock(transferLock_);
    return shared_.localPath;
}

// ---- The file list's requests -------------------------------------------

int PlaybackController::Play(const std::string& remoteName, int channel, uint32_t size) {
    if (!HasDevice()) {
        return 0;
    }
    bool downloading = false;
    {
        std::lock_guard lock(transferLock_);
        // A download waiting for its retry counts as running.
        downloading = shared_.downloadTask || (shared_.running && !playing_);
    }
    if (downloading) {
        context_.NotifyText(kTextOtherUserDownloading, true);
        return 0;
    }
    if (!RoomFor(context_.Seams(), PlaybackTempFolder(), size)) {
        context_.NotifyText(kTextInsufficientDiskSpace, true);
        return 0;
    }
    if (busy_) {
        return 0;
    }
    fileSize_ = size;
    remoteName_ = remoteName;
    if (channel != -1) {
        channel_ = channel;
    }
    Stop();
    StartPlayback();
    return 1;
}

int PlaybackController::Download(const std::string& remoteName, int channel, uint32_t size) {
    if (!HasDevice()) {
        return 0;
    }
    bool busy = playing_;
    {
        std::lock_guard lock(transferLock_);
        busy = busy || shared_.running || shared_.downloadTask;
    }
    if (busy) {
        context_.NotifyText(kTextOtherUserDownloading, true);
        return 0;
    }
    if (context_.filePath.empty()) {
        // No save folder: the download would land wherever the program runs.
        context_.NotifyText(kTextCreateFileFailed, true);
        return 0;
    }
    const std::string ip = context_.device->ip;
    // Made first: the free space of a folder that does not exist cannot be read.
    platform::MakeDirectories(DownloadFolder(context_.filePath, ip));
    if (!RoomFor(context_.Seams(), context_.filePath, size)) {
        context_.NotifyText(kTextInsufficientDiskSpace, true);
        return 0;
    }
    fileSize_ = size;
    remoteName_ = remoteName;
    channel_ = channel;
    // The last transfer's end record, still to come, must not meet the new file.
    QW_DVR_NET_StopDownLoadVideoFile(Handle());

    const std::string path = DownloadFilePath(context_.filePath, ip, remoteName);
    auto writer = std::make_unique<RecordFileWriter>();
    if (path.empty() || !writer->Open(path, channel)) {
        // Nothing could keep the bytes: no transfer at all.
        context_.NotifyText(kTextCreateFileFailed, true);
        return 0;
    }
    const int64_t resume = writer->StreamPosition();
    context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_PROGRESS,
                        size > 0 ? static_cast<intptr_t>(resume * kSliderMax / size) : 0, 0);
    if (size >= 1 && resume == size) {
        writer->Close();  // complete already
        std::lock_guard lock(transferLock_);
        shared_.resumeOffset = 0;
        shared_.received = 0;
        shared_.localPath.clear();
        return 0;
    }
    {
        std::lock_guard lock(transferLock_);
        shared_.kind = Kind::kDownload;
        shared_.writer = std::move(writer);
        shared_.localPath = path;
        shared_.resumeOffset = resume;
        shared_.received = resume;
        shared_.total = 0;
        shared_.lastProgress = -1;
        shared_.handle = Handle();
        shared_.remoteName = remoteName;
        // Set before the start: a short file may be complete before it returns.
        shared_.downloadTask = true;
        shared_.autoResume = true;
    }
    context_.pages.Post(PageId::kFileListPane, UM_DOWNLOAD_STATE, kDownloadStateCode, 1);
    QW_DVR_NET_SetFileDataCallBackVMS(Handle(), this, OnDownloadData);
    if (!StartTransfer(false)) {
        FinishDownloadFile();
        {
            std::lock_guard lock(transferLock_);
            shared_.downloadTask = false;
            shared_.autoResume = false;
        }
        context_.pages.Post(PageId::kFileListPane, UM_DOWNLOAD_STATE, kDownloadStateCode, 0);
    }
    return 1;
}

void PlaybackController::StopDownload() {
    bool download = false;
    bool running = false;
    {
        // A playback's transfer is not this request's to end.
        std::lock_guard lock(transferLock_);
        download = shared_.kind == Kind::kDownload;
        running = shared_.running;
        if (download) {
            shared_.autoResume = false;
            shared_.stopRequested = true;
        }
    }
    if (download) {
        // A retry in its pause would otherwise restart the download later.
        retry_.Stop();
        if (running) {
            EndTransfer();
        }
        FinishDownloadFile();
        std::lock_guard lock(transferLock_);
        shared_.resumeOffset = 0;
        shared_.downloadTask = false;
    }
    context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_PROGRESS, 0, 0);
    context_.pages.Post(PageId::kFileListPane, UM_PLAYBACK_STATE, kDownloadStopped, 1);
}

void PlaybackController::FinishDownloadFile() {
    std::unique_ptr<RecordFileWriter> writer;
    {
        std::lock_guard lock(transferLock_);
        if (shared_.kind != Kind::kDownload) {
            return;
        }
        writer = std::move(shared_.writer);
        shared_.localPath.clear();
    }
    if (writer) {
        writer->Close();  // a partial file stays playable and resumable
    }
}

void PlaybackController::Close() {
    bool download = false;
    {
        std::lock_guard lock(transferLock_);
        download = shared_.downloadTask || (shared_.running && shared_.kind == Kind::kDownload);
    }
    if (download) {
        StopDownload();
    }
    StopButton();
}

// ---- Starting and stopping playback ---------------------------------------

void PlaybackController::Stop() {
    WaitCursor cursor(view_);
    {
        std::lock_guard lock(transferLock_);
        shared_.stopRequested = true;
    }
    if (!PlayAllowed(State(), PlayOp::kStop)) {
        return;
    }
    retry_.Stop();
    busy_ = true;
    if (Transferring()) {
        EndTransfer();
    }
    {
        std::lock_guard lock(transferLock_);
        shared_.resumeOffset = 0;
        if (shared_.kind == Kind::kPlayback) {
            if (shared_.tempFile != nullptr) {
                std::fclose(shared_.tempFile);
                shared_.tempFile = nullptr;
            }
            shared_.localPath.clear();
        }
    }
    ++playNumber_;  // reports still queued belong to the playback that ends
    view_.SetWaitText({});
    bool stopped = false;
    if (decoder_ != nullptr) {
        if (channel_ != -1) {
            QW_DVR_MEDIA_CloseSound(decoder_, channel_);
        }
        stopped = QW_DVR_MEDIA_StopPlay(decoder_, 0) == QW_MEDIA_OK;
        QW_DVR_MEDIA_RegistFilePlayInfoCallBack(decoder_, this, nullptr);
        startOffset_ = 0;
    }
    busy_ = false;
    if (stopped) {
        playing_ = false;
        sound_ = false;
        view_.SetSoundShown(false);
        view_.SetPosition(0);
        context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_PROGRESS, 0, 0);
    }
    controls_.Stopped();
}

void PlaybackController::StartPlayback() {
    WaitCursor cursor(view_);
    const int32_t state = State();
    if ((playing_ || Transferring()) && (state == kPlayStopped || state == kPlayPlaying)) {
        Stop();
        view_.SetPosition(0);
        view_.SetDownloadedExtent(progress_);
    }
    if (PlayAllowed(State(), PlayOp::kPlay) && !playing_ && !Transferring() && OpenTempFile()) {
        {
            std::lock_guard lock(transferLock_);
            shared_.autoResume = true;
        }
        QW_DVR_NET_SetFileDataCallBackVMS(Handle(), this, OnPlayData);
        if (StartTransfer(false)) {
            busy_ = true;
            const bool started = StartPlayer();
            busy_ = false;
            controls_.Started();
            if (!started) {
                Stop();  // nothing would show what arrives
            }
        }
    }
    ShowRate();
}

bool PlaybackController::OpenTempFile() {
    // The last transfer's end record, still to come, must not meet the new file.
    QW_DVR_NET_StopDownLoadVideoFile(Handle());
    const std::string path = PlaybackTempFile();
    {
        std::lock_guard lock(transferLock_);
        shared_.kind = Kind::kPlayback;
        shared_.resumeOffset = 0;
        shared_.received = 0;
        shared_.total = 0;
        shared_.lastProgress = -1;
        shared_.handle = Handle();
        shared_.remoteName = remoteName_;
        if (shared_.tempFile != nullptr) {
            std::fclose(shared_.tempFile);
        }
        shared_.tempFile = std::fopen(path.c_str(), "w+b");
        if (shared_.tempFile != nullptr) {
            // The media library reads the file as it grows: no bytes may wait
            // in a buffer here.
            std::setvbuf(shared_.tempFile, nullptr, _IONBF, 0);
            shared_.localPath = path;
        } else {
            shared_.localPath.clear();
        }
    }
    if (LocalPath().empty()) {
        context_.NotifyText(kTextCreateFileFailed, true);
        return false;
    }
    context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_PROGRESS, 0, 0);
    return true;
}

bool PlaybackController::StartPlayer() {
    if (decoder_ == nullptr) {
        decoder_ = QW_DVR_MEDIA_OpenFileDecoderRP3(PlaybackTempFile().c_str(), remoteName_.c_str());
        controls_.SetDecoder(decoder_);
        if (decoder_ == nullptr) {
            return false;
        }
    }
    ++playNumber_;
    // The length first: it takes the new file, also on a decoder that played
    // before. The start after it holds the windows until the file opens; a
    // stopped decoder shows nothing without a new start.
    if (QW_DVR_MEDIA_SetFileLengthRP3(decoder_, static_cast<int32_t>(fileSize_),
                                      remoteName_.c_str()) != QW_MEDIA_OK) {
        return false;
    }
    // A recording of channel c shows in window c % 4: the one target takes
    // every slot, whichever channel the file holds.
    std::array<KmVideoWindow*, 4> windows{target_, target_, target_, target_};
    constexpr std::array<int32_t, 4> kChannels{0, 1, 2, 3};
    if (QW_DVR_MEDIA_StartPlay(decoder_, windows.data(), 4, kChannels.data(), 4, 0) !=
        QW_MEDIA_OK) {
        return false;
    }
    QW_DVR_MEDIA_RegistFilePlayInfoCallBack(decoder_, this, OnPlayInfo);
    if (channel_ != -1) {
        QW_DVR_MEDIA_OpenSound(decoder_, channel_);
        sound_ = true;
        QW_DVR_MEDIA_SetVolume(decoder_, channel_, volume_);
        view_.SetVolumePosition(volume_);
        view_.SetSoundShown(true);
    }
    playing_ = true;
    return true;
}

// ---- The bar's controls ------------------------------------------------------

void PlaybackController::ShowRate() {
    view_.SetStatusText(controls_.Label());
}

void PlaybackController::ShowStatus(PlayStatus status) {
    switch (status) {
        case PlayStatus::kUnchanged:
            break;
        case PlayStatus::kRate:
            ShowRate();
            break;
        case PlayStatus::kPause:
            view_.SetStatusText(context_.LoadText(kTextPause));
            break;
        case PlayStatus::kNextFrame:
            view_.SetStatusText(context_.LoadText(kTextNextFrame));
            break;
    }
}

void PlaybackController::StopButton() {
    if (!PlayAllowed(State(), PlayOp::kStop)) {
        return;
    }
    if (playing_ || Transferring()) {
        Stop();
        view_.SetStatusText(context_.LoadText(kTextStop));
    }
    context_.pages.Post(PageId::kFileListPane, UM_PLAYBACK_STATE, kPlaybackStopped, 0);
}

void PlaybackController::PauseButton() {
    ShowStatus(controls_.Pause());
}

void PlaybackController::PlayButton() {
    if (remoteName_.empty()) {
        return;
    }
    bool downloading = false;
    {
        std::lock_guard lock(transferLock_);
        downloading = shared_.downloadTask;
    }
    if (downloading) {
        // Starting here would stop the download and lose its file.
        context_.NotifyText(kTextOtherUserDownloading, true);
        return;
    }
    if (State() == kPlayPaused) {
        ShowStatus(controls_.Resume());
        return;
    }
    if (PlayAllowed(State(), PlayOp::kPlay)) {
        StartPlayback();
        if (playing_) {
            ShowStatus(controls_.Restarted());
        }
    }
}

void PlaybackController::FastButton() {
    ShowStatus(controls_.Fast(playing_));
}

void PlaybackController::SlowButton() {
    ShowStatus(controls_.Slow(playing_));
}

void PlaybackController::NextFrameButton() {
    ShowStatus(controls_.NextFrame());
}

void PlaybackController::PrevFrameButton() {
    ShowStatus(controls_.PrevFrame());
}

void PlaybackController::Seek(int sliderPosition) {
    if (decoder_ == nullptr || target_ == nullptr) {
        return;
    }
    const int64_t slider = std::clamp(sliderPosition, 0, kSliderMax);
    const int64_t size = fileSize_;
    const int64_t wanted = startOffset_ + (size - startOffset_) / kSliderMax * slider;
    const int64_t downloaded = int64_t{progress_} * size / kSliderMax;
    // Bytes not yet here cannot be shown: the position stays.
    if (wanted < downloaded) {
        QW_DVR_MEDIA_PCSetPos(decoder_, static_cast<int32_t>(wanted), nullptr, QW_MEDIA_POS_BYTES,
                              0);
    }
}

void PlaybackController::SetSound(bool on) {
    if (decoder_ != nullptr && channel_ != -1) {
        if (on) {
            QW_DVR_MEDIA_OpenSound(decoder_, channel_);
            sound_ = true;
            QW_DVR_MEDIA_SetVolume(decoder_, channel_, volume_);
        } else {
            QW_DVR_MEDIA_CloseSound(decoder_, channel_);
            sound_ = false;
        }
    }
    view_.SetSoundShown(sound_);  // a press that could not act springs back
}

void PlaybackController::SetVolume(int32_t volume) {
    volume_ = std::clamp(volume, 0, kMaxVolume);
    if (sound_ && decoder_ != nullptr && channel_ != -1) {
        QW_DVR_MEDIA_SetVolume(decoder_, channel_, volume_);
    }
}

// ---- Posted notifications ------------------------------------------------------

bool PlaybackController::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    const bool current = static_cast<uint32_t>(second) == playNumber_.load();
    switch (message) {
        case UM_DOWNLOAD_PROGRESS:
            progress_ = static_cast<int>(std::clamp<intptr_t>(first, 0, kSliderMax));
            view_.SetDownloadedExtent(progress_);
            return true;
        case UM_PLAY_POSITION:
            if (current) {
                OnPlayPosition(first);
            }
            return true;
        case UM_PLAY_BUFFERING:
            if (current) {
                OnBuffering(first);
            }
            return true;
        case UM_PLAY_END:
            if (current && playing_) {
                StopButton();
            }
            return true;
        case UM_PLAY_FIRST_FRAME:
            if (current) {
                startOffset_ = first >= kMinStartOffset ? first : 0;
            }
            return true;
        case UM_DOWNLOAD_SAVED: {
            std::string path;
            {
                std::lock_guard lock(transferLock_);
                path = shared_.savedPath;
            }
            if (context_.ui != nullptr) {
                context_.ui->ShowMessage(context_.LoadText(kTextSavePath) + ": " + path + " ");
            }
            return true;
        }
        case UM_PLAYBACK_STATE:
            if (first == kDownloadStopped) {
                StopDownload();
            }
            return true;
        default:
            return false;
    }
}

void PlaybackController::OnPlayPosition(int64_t position) {
    {
        std::lock_guard lock(transferLock_);
        if (shared_.stopRequested) {
            return;
        }
    }
    if (!playing_ || view_.PositionHeld()) {
        return;
    }
    const int64_t size = fileSize_;
    int64_t perMille = 0;
    if (startOffset_ != 0 && size > startOffset_) {
        perMille = (position - startOffset_) * kSliderMax / (size - startOffset_);
    } else if (size > 0) {
        perMille = position * kSliderMax / size;
    }
    perMille = std::clamp<int64_t>(perMille, 0, kSliderMax);
    view_.SetPosition(static_cast<int>(perMille));
    view_.SetDownloadedExtent(progress_);
    if (perMille == kSliderMax) {
        StopButton();  // the recording has played to its end
    }
}

void PlaybackController::OnBuffering(intptr_t value) {
    if (value == 0 && target_ != nullptr) {
        view_.SetWaitText(context_.LoadText(kTextWaitingForDownload));
    } else if (value != 0) {
        view_.SetWaitText({});
    }
    startOffset_ = value >= kMinStartOffset ? value : 0;
}

}  // namespace kestrel::client
