// The controller's transfers: starting and ending them, the data callbacks
// on the protocol library's download thread, the retry worker's attempts and
// the play-info callback on the media library's play-status thread. None of
// the callbacks touches the view: they post.
#include <algorithm>
#include <utility>

#include "client_context.h"
#include "playback_controller.h"
#include "record_file_writer.h"
#include "text_ids.h"

namespace kestrel::client {
namespace {

constexpr int32_t kOtherUserConfiguring = static_cast<int32_t>(0x80F00003);
constexpr int32_t kOtherUserDownloading = 0x00020016;

}  // namespace

bool PlaybackController::StartTransfer(bool silent) {
    std::string name;
    int64_t offset = 0;
    QW_DVR_HANDLE handle = nullptr;
    bool running = false;
    {
        std::lock_guard lock(transferLock_);
        running = shared_.running;
        // A retry gives way to a stop that came after its round began.
        if (silent && (shared_.stopRequested || !shared_.autoResume)) {
            return false;
        }
        if (!running) {
            // Marked before the call: the transfer's end record may arrive
            // before the call returns.
            shared_.running = true;
            shared_.stopRequested = false;
            name = shared_.remoteName;
            // Taken now: a break reported before the call returns sets the
            // offset of the next try.
            offset = std::exchange(shared_.resumeOffset, 0);
            handle = shared_.handle;
        }
    }
    if (running) {
        if (!silent) {
            context_.NotifyText(kTextOtherUserDownloading, true);
        }
        return false;
    }
    if (!silent) {
        retry_.Arm();
    }
    const int32_t result = QW_DVR_NET_VodDownloadClipVMS(handle, name.c_str(), 0, 0, 0,
                                                         static_cast<int32_t>(offset & 0xFFFFFFFF));
    if (result != 0) {
        std::lock_guard lock(transferLock_);
        shared_.running = false;
    }
    if (result == 0) {
        return true;
    }
    if (!silent) {
        context_.NotifyText(result == kOtherUserConfiguring   ? kTextOtherUserConfiguring
                            : result == kOtherUserDownloading ? kTextOtherUserDownloading
                                                              : kTextDownloadRefused,
                            true);
    }
    return false;
}

bool PlaybackController::EndTransfer() {
    // Waits for the download thread, which delivers its end record first.
    if (QW_DVR_NET_StopDownLoadVideoFile(Handle()) != 0) {
        return false;
    }
    QW_DVR_NET_SetFileDataCallBackVMS(Handle(), nullptr, nullptr);
    std::lock_guard lock(transferLock_);
    shared_.running = false;
    return true;
}

bool PlaybackController::RetryAttempt() {
    QW_DVR_HANDLE handle = nullptr;
    {
        std::lock_guard lock(transferLock_);
        if (shared_.remoteName.empty() || shared_.handle == nullptr || shared_.stopRequested ||
            !shared_.autoResume) {
            return true;  // nothing left to retry
        }
        handle = shared_.handle;
    }
    QW_DVR_NET_StopDownLoadVideoFile(handle);
    return StartTransfer(true);
}

// ---- Download thread ---------------------------------------------------------

void QW_CALLBACK PlaybackController::OnPlayData(void* user, FileDataRecord* record) {
    if (user != nullptr && record != nullptr) {
        static_cast<PlaybackController*>(user)->OnData(Kind::kPlayback, *record);
    }
}

void QW_CALLBACK PlaybackController::OnDownloadData(void* user, FileDataRecord* record) {
    if (user != nullptr && record != nullptr) {
        static_cast<PlaybackController*>(user)->OnData(Kind::kDownload, *record);
    }
}

void PlaybackController::OnData(Kind kind, const FileDataRecord& record) {
    if (record.byte_count == -1) {
        OnTransferEnd(kind);
        return;
    }
    bool saved = false;
    int64_t received = 0;
    int32_t total = 0;
    std::unique_ptr<RecordFileWriter> finished;
    {
        std::lock_guard lock(transferLock_);
        if (record.byte_count > 0 && record.data != nullptr) {
            if (kind == Kind::kPlayback && shared_.tempFile != nullptr) {
                std::fwrite(record.data, 1, static_cast<size_t>(record.byte_count),
                            shared_.tempFile);
            } else if (kind == Kind::kDownload && shared_.writer) {
                shared_.writer->Write(record.data, static_cast<size_t>(record.byte_count));
            }
        }
        shared_.total = record.file_length;
        shared_.received += std::max(record.byte_count, 0);
        received = shared_.received;
        total = shared_.total;
        if (total > 0 && received >= total && (kind == Kind::kPlayback || shared_.downloadTask)) {
            shared_.autoResume = false;
            shared_.running = false;
            saved = shared_.downloadTask;
            shared_.downloadTask = false;
            if (saved) {
                shared_.savedPath = shared_.localPath;
                finished = std::move(shared_.writer);
            }
        }
    }
    PostProgress(received, total);
    if (finished) {
        // The file is whole (index written) before anyone is told it is saved.
        finished->Close();
    }
    if (saved) {
        context_.pages.Post(PageId::kFileListPane, UM_DOWNLOAD_STATE, kDownloadStateCode, 0);
        context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_PROGRESS, 0, 0);
        // The message box belongs to the GUI thread.
        context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_SAVED, 0, 0);
    }
}

void PlaybackController::OnTransferEnd(Kind kind) {
    bool retry = false;
    std::unique_ptr<RecordFileWriter> finished;
    {
        std::lock_guard lock(transferLock_);
        if (shared_.total > 0 && shared_.received >= shared_.total) {
            shared_.resumeOffset = 0;
            if (kind == Kind::kPlayback) {
                if (shared_.tempFile != nullptr) {
                    std::fclose(shared_.tempFile);
                    shared_.tempFile = nullptr;
                }
            } else {
                finished = std::move(shared_.writer);
                shared_.downloadTask = false;
            }
            shared_.localPath.clear();
        } else if (!shared_.stopRequested && shared_.autoResume) {
            shared_.resumeOffset = shared_.received;
            retry = true;
        }
        shared_.running = false;
    }
    if (finished) {
        finished->Close();  // writes the index; the side file goes
    }
    if (retry) {
        retry_.Start();
    }
}

void PlaybackController::PostProgress(int64_t received, int32_t total) {
    if (total <= 0) {
        return;
    }
    const int perMille = static_cast<int>(std::clamp<int64_t>(
        static_cast<int64_t>(static_cast<double>(received) * kSliderMax / total), 0, kSliderMax));
    bool download = false;
    {
        // Only changes go out: one post per per-mille step, not per block.
        std::lock_guard lock(transferLock_);
        if (perMille == shared_.lastProgress) {
            return;
        }
        shared_.lastProgress = perMille;
        download = shared_.downloadTask;
    }
    context_.pages.Post(PageId::kPlaybackController, UM_DOWNLOAD_PROGRESS, perMille, 0);
    if (download) {
        // The DOWNLOAD row shows it too.
        context_.pages.Post(PageId::kFileListPane, UM_DOWNLOAD_PROGRESS, perMille, 0);
    }
}

// ---- Play-status thread --------------------------------------------------------

int32_t QW_CDECL PlaybackController::OnPlayInfo(void* user, const QwPlayInfo* info) {
    if (user == nullptr || info == nullptr) {
        return 0;
    }
    auto* self = static_cast<PlaybackController*>(user);
    const intptr_t number = self->playNumber_.load();
    uint32_t message = 0;
    switch (info->code) {
        case QW_PLAYINFO_READ:
            message = UM_PLAY_POSITION;
            break;
        case QW_PLAYINFO_BUFFERING:
            message = UM_PLAY_BUFFERING;
            break;
        case QW_PLAYINFO_FIRST_FRAME:
            message = UM_PLAY_FIRST_FRAME;
            break;
        case QW_PLAYINFO_END:
            message = UM_PLAY_END;
            break;
        default:
            return 0;
    }
    self->context_.pages.Post(PageId::kPlaybackController, message, info->value, number);
    return 0;
}

}  // namespace kestrel::client
