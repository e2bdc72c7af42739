#include "recorded_files.h"

#include <cstring>

#include "kestrel_net_codes.h"
#include "recorder_answers.h"

namespace kestrel::net {

namespace {

constexpr uint32_t kSearchRequestLength = 40;
constexpr uint32_t kCalendarRequestLength = 24;
constexpr uint32_t kDownloadRequestLength = 172;
constexpr int kSearchWaitSeconds = 30;
constexpr int kDownloadWaitSeconds = 15;
constexpr size_t kDownloadReceiveBytes = 102400;
constexpr int kMaxEmptyDownloadReceives = 4;
constexpr size_t kFileNameField = 128;
constexpr int kDownloadAnswerReceives = 0;  // three empty receives end it

uint8_t Byte(int value) {
    return static_cast<uint8_t>(value);
}

}  // namespace

int32_t FileSearch::Search(DvrConnection link, int32_t channel, const std::tm& start,
                           const std::tm& end, int32_t file_type, FileList* out) {
    if (reply_.empty()) {
        reply_.assign(kSearchReplyBytes, 0);
    }
    std::memset(reply_.data(), 0, kRequestBlockBytes);

    RequestBlock block(kCmdSearchFiles, kSearchRequestLength);
    block.PutLE32(20, static_cast<uint32_t>(file_type));
    block.PutLE32(24, static_cast<uint32_t>(channel));
    const uint8_t when[9] = {Byte(start.tm_year - 100), Byte(start.tm_mon + 1), Byte(start.tm_mday),
                             Byte(start.tm_hour),       Byte(start.tm_min),     Byte(start.tm_sec),
                             Byte(end.tm_hour),         Byte(end.tm_min),       Byte(end.tm_sec)};
    std::memcpy(block.data() + 28, when, sizeof when);

    if (!link.Connect() || !link.SendAll(block.data(), block.size())) {
        link.Close();
        return QW_NET_ERR_CONNECT;
    }
    const int32_t result = ReadFileListAnswer(
        reply_.data(), reply_.size(),
        [&](uint8_t* into, size_t* length) {
            return link.ReceiveOnce(into, length, kSearchWaitSeconds);
        },
        out);
    link.Close();
    return result;
}

int32_t VideoFileCalendar(DvrConnection link, int32_t month, uint32_t* out_day_mask) {
    RequestBlock block(kCmdCalendar, kCalendarRequestLength);
    block.PutLE32(20, static_cast<uint32_t>(month) & 0xFFFF);
    int32_t transport = link.Exchange(&block, kExchangeWaitSeconds, true);
    link.Close();
    if (transport != QW_NET_OK) {
        return transport;
    }
    int32_t result = ResponseResult(block);
    if (result == 0) {
        *out_day_mask = block.GetLE32(8);
    }
    return result;
}

FileDownload::~FileDownload() {
    Stop();
}

void FileDownload::SetCallback(void* user, FileDataCallback callback) {
    std::lock_guard<std::mutex> guard(callback_lock_);
    callback_ = callback;
    user_ = user;
}

int32_t FileDownload::Start(const DvrConnection& target, const char* file_name, int32_t mode,
                            int32_t first_value, int32_t second_value, int32_t third_value) {
    Stop();
    link_.CopyTarget(target);
    if (!link_.Connect()) {
        return QW_NET_ERR_CONNECT;
    }
    RequestBlock block(kCmdDownload, kDownloadRequestLength);
    block.PutBE32(20, 1);
    block.PutBE32(24, 0);
    block.PutBE32(28, static_cast<uint32_t>(mode));
    block.PutBE32(32, static_cast<uint32_t>(first_value));
    block.PutBE32(36, static_cast<uint32_t>(second_value));
    block.PutBE32(40, static_cast<uint32_t>(third_value));
    block.PutText(44, kFileNameField - 1, file_name);  // the field always keeps a NUL
    int32_t result = link_.Request(&block, kDownloadAnswerReceives, QW_NET_ERR_CONNECT);
    if (result != QW_NET_OK) {
        return result;
    }
    file_length_ = static_cast<int32_t>(block.GetLE32(8));
    stop_.Clear();
    buffer_.assign(kDownloadReceiveBytes, 0);
    if (!thread_.Start([this](platform::MessageThread&) { Receive(); })) {
        link_.Close();
        return QW_NET_ERR_THREAD;
    }
    return QW_NET_OK;
}

int32_t FileDownload::Stop() {
    stop_.Set();
    // Wakes a receive in progress instead of waiting out its 15 seconds.
    link_.Shutdown();
    thread_.Join(-1);
    link_.Close();
    return QW_NET_OK;
}

void FileDownload::Deliver(FileDataRecord* record) {
    FileDataCallback callback;
    void* user;
    {
        std::lock_guard<std::mutex> guard(callback_lock_);
        callback = callback_;
        user = user_;
    }
    if (callback != nullptr) {
        try {
            callback(user, record);
        } catch (...) {
            // A throwing callback loses its piece, not the download.
        }
    }
}

void FileDownload::Receive() {
    int empty_receives = 0;
    while (!stop_.IsSet()) {
        size_t got = buffer_.size();
        if (!link_.ReceiveOnce(buffer_.data(), &got, kDownloadWaitSeconds)) {
            break;
        }
        if (got == 0) {
            if (++empty_receives >= kMaxEmptyDownloadReceives) {
                break;
            }
            continue;
        }
        FileDataRecord piece{static_cast<int32_t>(got), file_length_, buffer_.data()};
        Deliver(&piece);
    }
    // Only shut down here: the link is closed by Stop, after this thread
    // has ended, so no two threads ever change the socket at once.
    link_.Shutdown();
    FileDataRecord end{-1, -3, buffer_.data()};
    Deliver(&end);
}

}  // namespace kestrel::net
