// Recorded files on the recorder: the day search with its reply buffer,
// the month calendar and the download of one file to the file-data callback.
//
// Threading: Search uses the reply buffer without a lock (one search per
// device at a time). The download thread is owned by FileDownload, started
// by Start and joined by Stop or the destructor; it is the only reader of the
// download link while it runs and the only caller of the file-data callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <vector>

#include "dvr_connection.h"
#include "kestrel_net.h"
#include "platform/event.h"
#include "platform/thread.h"

namespace kestrel::net {

constexpr size_t kSearchReplyBytes = 1048576;
constexpr size_t kFileRecordBytes = 148;

class FileSearch {
public:
    // 0 with *out pointing into the reply buffer, the recorder's result, or a code.
    int32_t Search(DvrConnection link, int32_t channel, const std::tm& start, const std::tm& end,
                   int32_t file_type, FileList* out);

private:
    std::vector<uint8_t> reply_;  // allocated on the first search, kept until close
};

int32_t VideoFileCalendar(DvrConnection link, int32_t month, uint32_t* out_day_mask);

class FileDownload {
public:
    FileDownload() = default;
    ~FileDownload();  // stops a running download
    FileDownload(const FileDownload&) = delete;
    FileDownload& operator=(const FileDownload&) = delete;

    void SetCallback(void* user, FileDataCallback callback);
    // Connects the download link, sends the request and reads its answer;
    // then starts the download thread. A download still running is stopped
    // first (it delivers its end record), so only one thread ever reads the
    // link.
    int32_t Start(const DvrConnection& target, const char* file_name, int32_t mode,
                  int32_t first_value, int32_t second_value, int32_t third_value);
    // Ends the download (its end record is delivered); 0 also when none runs.
    int32_t Stop();

private:
    void Receive();
    void Deliver(FileDataRecord* record);

    DvrConnection link_;
    std::mutex callback_lock_;  // guards the pair, never held during a callback
    FileDataCallback callback_ = nullptr;
    void* user_ = nullptr;
    int32_t file_length_ = 0;
    platform::Event stop_{platform::Event::Reset::kManual};
    platform::MessageThread thread_;
    std::vector<unsigned char> buffer_;  // download thread only
};

}  // namespace kestrel::net
