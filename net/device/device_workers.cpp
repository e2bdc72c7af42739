#include "device_workers.h"

#include <cstdio>
#include <vector>

#include "kestrel_net_codes.h"
#include "library_state.h"
#include "platform/clock.h"
#include "recorder_answers.h"

namespace kestrel::net {

namespace {

constexpr uint32_t kFormatRequestLength = 28;
constexpr uint32_t kFormatStartWord = 283;
constexpr uint32_t kFormatStatusWord = 284;
constexpr uint32_t kFormatDiskWord = 8;
constexpr int kFormatFirstPollDelayMs = 3000;
constexpr int kFormatPollIntervalMs = 1000;
// A recorder that reports "in progress" for two hours is treated as lost.
constexpr int kMaxFormatPolls = 7200;

constexpr uint32_t kAnnounceRequestLength = 152;
constexpr size_t kRemoteNameField = 128;
constexpr size_t kFirstPieceBytes = 1024;
constexpr size_t kUploadPieceBytes = 10240;
constexpr size_t kUploadBufferBytes = 1 << 20;
constexpr int kUploadPacingMs = 1;
constexpr int kUploadFinishDelayMs = 12000;

// Waits up to ms for a quit message; true when one arrived (stop now).
bool QuitWithin(platform::MessageThread& self, int ms) {
    platform::Message message;
    uint64_t deadline = platform::MonotonicMs() + static_cast<uint64_t>(ms);
    for (;;) {
        uint64_t now = platform::MonotonicMs();
        int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
        if (!self.Get(&message, left)) {
            return false;
        }
        if (message.id == platform::kQuitMessage) {
            return true;
        }
    }
}

}  // namespace

struct DeviceWorkers::Shared {
    std::atomic<bool> busy{false};
    DvrConnection target;  // set before the thread starts, read-only after
    std::string path;
    std::shared_ptr<NotifyTarget> notify;  // outlives an abandoned worker
};

DeviceWorkers::~DeviceWorkers() {
    StopAll();
}

void DeviceWorkers::StopAll() {
    for (auto* thread : {&format_thread_, &upload_thread_}) {
        if (*thread) {
            (*thread)->Stop(kWorkerStopWaitMs);
            thread->reset();
        }
    }
}

int32_t DeviceWorkers::StartFormat(const DvrConnection& target, const FormatDisk& disk) {
    if (format_ && format_->busy) {
        return QW_NET_ERR_FORMAT_BUSY;
    }
    disk_ = disk;  // kept with the device; the recorder is not told which disk
    if (format_thread_) {
        format_thread_->Stop(kWorkerStopWaitMs);
    }
    auto shared = std::make_shared<Shared>();
    shared->notify = notify_;
    shared->target.CopyTarget(target);
    shared->busy = true;
    auto thread = std::make_unique<platform::MessageThread>();
    if (!thread->Start([shared](platform::MessageThread& self) { RunFormat(self, shared); })) {
        return QW_NET_ERR_THREAD;
    }
    format_ = shared;
    format_thread_ = std::move(thread);
    return QW_NET_OK;
}

int32_t DeviceWorkers::StartUpload(const DvrConnection& target, const std::string& path) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr) {
        return QW_NET_ERR_FILE_OPEN;
    }
    std::fclose(probe);
    if (upload_ && upload_->busy) {
        return QW_NET_ERR_UPLOAD_BUSY;
    }
    if (upload_thread_) {
        upload_thread_->Stop(kWorkerStopWaitMs);
    }
    auto shared = std::make_shared<Shared>();
    shared->notify = notify_;
    shared->target.CopyTarget(target);
    shared->path = path;
    shared->busy = true;
    auto thread = std::make_unique<platform::MessageThread>();
    if (!thread->Start([shared](platform::MessageThread& self) { RunUpload(self, shared); })) {
        return QW_NET_ERR_UPLOAD_BUSY;
    }
    upload_ = shared;
    upload_thread_ = std::move(thread);
    return QW_NET_OK;
}

void DeviceWorkers::RunFormat(platform::MessageThread& self,
                              const std::shared_ptr<Shared>& shared) {
    NotifyTarget* notify = shared->notify.get();
    // One request on a fresh link: true with up to 4 answer bytes, false
    // when a notification already told why not.
    auto ask = [&](uint32_t word, uint32_t* status, size_t* got) {
        DvrConnection link;
        link.CopyTarget(shared->target);
        if (!link.Connect()) {
            notify->Send(QW_NOTIFY_FORMAT_CONNECT, 0);
            return false;
        }
        RequestBlock block(kCmdFormat, kFormatRequestLength);
        block.PutBE32(20, word);
        block.PutBE32(24, kFormatDiskWord);
        if (!link.SendAll(block.data(), block.size())) {
            link.Close();
            notify->Send(QW_NOTIFY_SEND_FAILED, 0);
            return false;
        }
        block.Fill(0);
        *got = 4;
        if (!link.ReceiveOnce(block.data(), got, kExchangeWaitSeconds)) {
            *got = 0;
        }
        link.Close();
        *status = FormatStatusWord(block.data(), *got);
        if (*got == 0) {
            notify->Send(QW_NOTIFY_FORMAT, QW_FORMAT_NO_ANSWER);
            return false;
        }
        return true;
    };

    uint32_t status = 0;
    size_t got = 0;
    if (ask(kFormatStartWord, &status, &got)) {
        notify->Send(QW_NOTIFY_FORMAT, QW_FORMAT_STARTED);
        bool stop = QuitWithin(self, kFormatFirstPollDelayMs);
        for (int poll = 0; !stop && poll < kMaxFormatPolls; ++poll) {
            if (!ask(kFormatStatusWord, &status, &got)) {
                break;
            }
            notify->Send(QW_NOTIFY_FORMAT, FormatStatusNotification(status));
            if (status != 8) {
                break;
            }
            stop = QuitWithin(self, kFormatPollIntervalMs);
            if (poll + 1 == kMaxFormatPolls) {
                notify->Send(QW_NOTIFY_FORMAT, QW_FORMAT_STATUS_OTHER);
            }
        }
    }
    shared->busy = false;
}

void DeviceWorkers::RunUpload(platform::MessageThread& self,
                              const std::shared_ptr<Shared>& shared) {
    NotifyTarget* notify = shared->notify.get();
    std::FILE* file = std::fopen(shared->path.c_str(), "rb");
    if (file == nullptr) {
        notify->Send(QW_NOTIFY_UPLOAD_NO_FILE, 0);
        shared->busy = false;
        return;
    }
    std::fseek(file, 0, SEEK_END);
    long end = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    auto length = static_cast<int32_t>(end < 0 ? 0 : end);
    notify->Send(QW_NOTIFY_UPLOAD_STARTED, length);

    bool all_sent = false;
    DvrConnection link;
    link.CopyTarget(shared->target);
    std::vector<unsigned char> buffer;
    auto finish = [&]() {
        link.Close();
        std::fclose(file);
        shared->busy = false;
    };
    if (!link.Connect()) {
        notify->Send(QW_NOTIFY_UPLOAD_CONNECT, 0);
        finish();
        return;
    }
    try {
        buffer.resize(kUploadBufferBytes);
    } catch (const std::bad_alloc&) {
        notify->Send(QW_NOTIFY_NO_MEMORY, 0);
        finish();
        return;
    }

    RequestBlock announce(kCmdFirmwareAnnounce, kAnnounceRequestLength);
    announce.PutText(20, kRemoteNameField, kFirmwareRemoteName);
    announce.PutBE32(148, static_cast<uint32_t>(length));
    int32_t rc = link.Exchange(&announce, kExchangeWaitSeconds, false);
    if (rc == QW_NET_OK) {
        rc = ResponseResult(announce);
    }
    if (rc != QW_NET_OK) {
        notify->Send(rc, 0);
        finish();
        return;
    }

    // The first 1024 bytes go ahead as a request of their own.
    size_t first = std::fread(buffer.data(), 1, kFirstPieceBytes, file);
    if (first < kFirstPieceBytes) {
        notify->Send(QW_NOTIFY_UPLOAD_SHORT_FILE, length);
        finish();
        return;
    }
    RequestBlock answer(0, 0);
    if (!link.SendAll(buffer.data(), first)) {
        rc = QW_NET_ERR_SEND;
    } else {
        rc = link.ReadResponse(&answer, kExchangeWaitSeconds, kStandardResponseHeader, 0);
        if (rc == QW_NET_OK) {
            rc = ResponseResult(answer);
        }
    }
    if (rc != QW_NET_OK) {
        notify->Send(rc, 0);
        finish();
        return;
    }

    std::fseek(file, 0, SEEK_SET);
    int64_t sent = 0;
    platform::Message message;
    while (sent < length) {
        if (self.Peek(&message) && message.id == platform::kQuitMessage) {
            break;
        }
        size_t got = std::fread(buffer.data(), 1, kUploadPieceBytes, file);
        if (got == 0) {
            break;  // the file shrank under us: not everything can be sent
        }
        if (!link.SendAll(buffer.data(), got)) {
            notify->Send(QW_NOTIFY_SEND_FAILED, length);
            break;
        }
        sent += static_cast<int64_t>(got);
        platform::SleepMs(kUploadPacingMs);
        notify->Send(QW_NOTIFY_UPLOAD_PROGRESS, static_cast<int32_t>(sent));
    }
    all_sent = sent == length;
    finish();
    // The recorder writes its flash before the upload counts as done.
    if (all_sent && !QuitWithin(self, kUploadFinishDelayMs)) {
        notify->Send(QW_NOTIFY_UPLOAD_FINISHED, length);
    }
}

}  // namespace kestrel::net
