// File search, calendar and download through the library exports against the
// simulated recorder's recordings.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace kestrel::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint8_t kCommandDownload = 7;
constexpr uint8_t kCommandSearch = 9;
constexpr uint8_t kCommandCalendar = 17;
constexpr int32_t kNoSuchFile = 20;  // the simulator's refusal of an unknown name

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

// Everything the file-data callback received for one download.
struct Download {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<uint8_t> bytes;
    int pieces = 0;
    int end_records = 0;
    int after_end = 0;   // callbacks after the end record
    int bad_length = 0;  // data records whose file length was not expected_length
    int32_t expected_length = 0;

    bool WaitForEnd(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit, [&] { return end_records > 0; });
    }
    bool WaitForPieces(int n, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit, [&] { return pieces >= n || end_records > 0; });
    }
};

void QW_CALLBACK OnFileData(void* user, FileDataRecord* record) {
    auto* download = static_cast<Download*>(user);
    std::lock_guard<std::mutex> guard(download->lock);
    if (download->end_records > 0) {
        ++download->after_end;
    }
    if (record->byte_count == -1 && record->file_length == -3) {
        ++download->end_records;
    } else {
        ++download->pieces;
        if (record->file_length != download->expected_length) {
            ++download->bad_length;
        }
        download->bytes.insert(download->bytes.end(), record->data,
                               record->data + record->byte_count);
    }
    download->changed.notify_all();
}

class RecordedFiles : public ::testing::Test {
protected:
    void Open(sim::RecorderConfig config = {}) {
        recorder_ = StartSim(std::move(config));
        OpenResult opened = OpenSim(*recorder_);
        ASSERT_NE(opened.handle, nullptr) << std::hex << opened.result;
        handle_ = opened.handle;
        channels_ = sim::EffectiveChannelCount(recorder_->Config());
    }
    void TearDown() override {
        if (handle_ != nullptr) {
            QW_DVR_NET_Close_Device(handle_);
        }
    }
    int32_t Search(uint32_t mask, int32_t type, const std::tm& start, const std::tm& end,
                   FileList* list) {
        *list = FileList{-1, nullptr};
        return QW_DVR_NET_SearchAVFileList(handle_, static_cast<int32_t>(mask), &start, &end, 0, 0,
                                           type, list);
    }
    int32_t SearchDay(uint32_t mask, int32_t type, FileList* list) {
        return Search(mask, type, Time(2011, 3, 5, 0, 0, 0), Time(2011, 3, 5, 23, 59, 59), list);
    }
    std::vector<std::string> Names(const FileList& list) {
        std::vector<std::string> names;
        for (int i = 0; i < list.count; ++i) {
            names.emplace_back(list.records[i].name);
        }
        return names;
    }
    std::vector<std::string> SimNames(int channel, int32_t only_kind = -1) {
        std::vector<std::string> names;
        for (const sim::RecordingFile& f : recorder_->Recordings(channel, 2011, 3, 5)) {
            if (only_kind < 0 || f.kind == only_kind) {
                names.push_back(f.name);
            }
        }
        return names;
    }
    // Starts a download into *download and returns the library's result.
    int32_t StartDownload(Download* download, const std::string& name, int32_t offset = 0) {
        download->expected_length = static_cast<int32_t>(recorder_->RecordingBytes(name).size());
        EXPECT_EQ(QW_DVR_NET_SetFileDataCallBackVMS(handle_, download, OnFileData), 0);
        return QW_DVR_NET_VodDownloadClipVMS(handle_, name.c_str(), 0, 0, 0, offset);
    }

    std::unique_ptr<sim::RecorderSim> recorder_;
    QW_DVR_HANDLE handle_ = nullptr;
    int channels_ = 0;
};

TEST_F(RecordedFiles, SearchSendsTheDayAndWindowAndListsTheMatchingFiles) {
    Open();
    FileList list;
    ASSERT_EQ(Search(0xFFFF, 3, Time(2011, 3, 5, 8, 0, 0), Time(2011, 3, 5, 9, 30, 0), &list), 0);

    const auto sent = RequestsOf(*recorder_, kCommandSearch);
    ASSERT_EQ(sent.size(), 1u);
    const uint8_t* block = sent[0].block.data();
    EXPECT_EQ(BE32(block + 16), 40u);
    EXPECT_EQ(LE32(block + 20), 3u);
    EXPECT_EQ(LE32(block + 24), 0xFFFFu);
    const std::vector<uint8_t> when(block + 28, block + 37);
    EXPECT_EQ(when, (std::vector<uint8_t>{0x0B, 0x03, 0x05, 0x08, 0x00, 0x00, 0x09, 0x1E, 0x00}));

    // Only the 08:00 file of each channel overlaps the window.
    ASSERT_EQ(list.count, channels_);
    for (int c = 0; c < channels_; ++c) {
        const FileRecord& r = list.records[c];
        const sim::RecordingFile expected = recorder_->Recordings(c, 2011, 3, 5).at(0);
        EXPECT_EQ(std::string(r.name), expected.name);
        EXPECT_EQ(r.channel_mask, 1u << c);
        EXPECT_EQ(r.kind, 0);
        EXPECT_EQ(r.file_size, recorder_->RecordingBytes(expected.name).size());
        EXPECT_EQ((std::vector<int>{r.start_time[0], r.start_time[1], r.start_time[2],
                                    r.end_time[0], r.end_time[1], r.end_time[2]}),
                  (std::vector<int>{8, 0, 0, 8, 10, 0}));
    }
}

TEST_F(RecordedFiles, SearchFiltersByChannelMaskTypeAndWindow) {
    Open();
    FileList list;
    ASSERT_EQ(SearchDay(0xFFFF, 3, &list), 0);
    EXPECT_EQ(list.count, channels_ * 3);

    ASSERT_EQ(SearchDay(1u << 2, 3, &list), 0);
    EXPECT_EQ(Names(list), SimNames(2));
    for (int i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.records[i].channel_mask, 1u << 2);
    }

    ASSERT_EQ(SearchDay(1u << 1, 1, &list), 0);
    EXPECT_EQ(Names(list), SimNames(1, 0));
    ASSERT_EQ(SearchDay(1u << 1, 2, &list), 0);
    EXPECT_EQ(Names(list), SimNames(1, 1));
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.records[0].kind, 1);

    // A window reaching from inside the first file into the second: two
    // records, an answer of 8 + 2 * 148 bytes.
    ASSERT_EQ(Search(1, 3, Time(2011, 3, 5, 8, 5, 0), Time(2011, 3, 5, 12, 1, 0), &list), 0);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{SimNames(0)[0], SimNames(0)[1]}));
}

TEST_F(RecordedFiles, EmptyAnswerGivesNoRecords) {
    Open();
    FileList list;
    EXPECT_EQ(Search(0xFFFF, 3, Time(2011, 3, 6, 0, 0, 0), Time(2011, 3, 6, 23, 59, 59), &list), 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(Search(0xFFFF, 3, Time(2011, 3, 5, 13, 0, 0), Time(2011, 3, 5, 19, 59, 59), &list),
              0);
    EXPECT_EQ(list.count, 0);
}

TEST_F(RecordedFiles, RefusedAndOversizedSearchesReportTheirCode) {
    for (int32_t code : {0x00020014, static_cast<int32_t>(0x80F00003)}) {
        sim::RecorderConfig config;
        config.faults.refuse_search_code = code;
        Open(config);
        FileList list;
        EXPECT_EQ(SearchDay(0xFFFF, 3, &list), code);
        EXPECT_EQ(list.count, -1) << "a refused search leaves the list alone";
        TearDown();
        handle_ = nullptr;
    }
    sim::RecorderConfig config;
    config.faults.oversized_search_answer = true;
    Open(config);
    FileList list;
    EXPECT_EQ(SearchDay(0xFFFF, 3, &list), QW_NET_ERR_RESPONSE);
    EXPECT_EQ(list.count, -1);
}

TEST_F(RecordedFiles, CalendarMarksTheDaysOfTheMonth) {
    sim::RecorderConfig config;
    config.recording_days = {{2011, 3, 5}, {2011, 3, 31}, {2011, 4, 1}, {2012, 3, 7}};
    Open(config);
    uint32_t mask = 0xDEAD;
    ASSERT_EQ(QW_DVR_NET_GetVideoFileCalendar(handle_, 11 | 3 << 8, 0, nullptr, &mask), 0);
    EXPECT_EQ(mask, 1u << 4 | 1u << 30);
    const auto sent = RequestsOf(*recorder_, kCommandCalendar);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(LE32(sent[0].block.data() + 20), 0x030Bu);

    ASSERT_EQ(QW_DVR_NET_GetVideoFileCalendar(handle_, 11 | 4 << 8, 0, nullptr, &mask), 0);
    EXPECT_EQ(mask, 1u);
    ASSERT_EQ(QW_DVR_NET_GetVideoFileCalendar(handle_, 11 | 5 << 8, 0, nullptr, &mask), 0);
    EXPECT_EQ(mask, 0u);
}

TEST_F(RecordedFiles, DownloadDeliversTheWholeFileInPiecesThenOneEndRecord) {
    sim::RecorderConfig config;
    config.download_rate_limit = 1 << 20;  // pieces of about 20 KiB
    Open(config);
    const std::string name = SimNames(1).at(2);
    const std::vector<uint8_t> file = recorder_->RecordingBytes(name);
    ASSERT_GT(file.size(), 100000u);

    Download download;
    ASSERT_EQ(StartDownload(&download, name), 0);
    ASSERT_TRUE(download.WaitForEnd(10s));
    EXPECT_EQ(QW_DVR_NET_StopDownLoadVideoFile(handle_), 0);  // joins the finished thread

    std::lock_guard<std::mutex> guard(download.lock);
    EXPECT_GE(download.pieces, 4);
    EXPECT_EQ(download.end_records, 1);
    EXPECT_EQ(download.after_end, 0);
    EXPECT_EQ(download.bad_length, 0);
    EXPECT_TRUE(download.bytes == file) << download.bytes.size() << " of " << file.size();

    const auto sent = RequestsOf(*recorder_, kCommandDownload);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(BE32(sent[0].block.data() + 16), 172u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent[0].block.data() + 44)), name);
}

TEST_F(RecordedFiles, DownloadFromAnOffsetAndDroppedDownloadDeliverTheirBytes) {
    sim::RecorderConfig config;
    config.faults.drop_download_after_bytes = 70000;
    Open(config);
    const std::string name = SimNames(0).at(0);
    const std::vector<uint8_t> file = recorder_->RecordingBytes(name);
    ASSERT_GT(file.size(), 90000u);

    // From 30000 on, the fault cuts the connection 70000 bytes later.
    Download download;
    ASSERT_EQ(StartDownload(&download, name, 30000), 0);
    ASSERT_TRUE(download.WaitForEnd(10s));
    EXPECT_EQ(QW_DVR_NET_StopDownLoadVideoFile(handle_), 0);
    std::lock_guard<std::mutex> guard(download.lock);
    EXPECT_EQ(download.end_records, 1);
    EXPECT_EQ(download.after_end, 0);
    EXPECT_EQ(download.bad_length, 0);
    const std::vector<uint8_t> expected(file.begin() + 30000, file.begin() + 100000);
    EXPECT_TRUE(download.bytes == expected) << download.bytes.size();
    EXPECT_EQ(BE32(RequestsOf(*recorder_, kCommandDownload).at(0).block.data() + 40), 30000u);
}

TEST_F(RecordedFiles, StopEndsARunningDownloadPromptlyAndIsHarmlessWithout) {
    sim::RecorderConfig config;
    config.download_rate_limit = 20000;  // the file would take seconds
    Open(config);

    auto started = Clock::now();
    EXPECT_EQ(QW_DVR_NET_StopDownLoadVideoFile(handle_), 0);
    EXPECT_LT(Clock::now() - started, 1s);  // nothing to wait for

    const std::string name = SimNames(0).at(2);
    Download download;
    ASSERT_EQ(StartDownload(&download, name), 0);
    ASSERT_TRUE(download.WaitForPieces(2, 5s));
    started = Clock::now();
    EXPECT_EQ(QW_DVR_NET_StopDownLoadVideoFile(handle_), 0);
    EXPECT_LT(Clock::now() - started, 5s);  // far below the 15 s receive wait
    {
        std::lock_guard<std::mutex> guard(download.lock);
        EXPECT_EQ(download.end_records, 1) << "delivered before the stop returns";
        EXPECT_LT(download.bytes.size(), recorder_->RecordingBytes(name).size());
    }
    // The recorder sees the client go and ends the transfer unfinished.
    const auto deadline = Clock::now() + 3s;
    while (recorder_->Observed().Downloads().empty() && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    const auto seen = recorder_->Observed().Downloads();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].completed);
    std::lock_guard<std::mutex> guard(download.lock);
    EXPECT_EQ(download.end_records, 1);
}

TEST_F(RecordedFiles, BadDownloadArgumentsAreRefusedWithoutTraffic) {
    Open();
    const uint64_t connections = recorder_->Observed().AcceptedConnections();
    const std::string name = SimNames(0).at(0);
    EXPECT_EQ(QW_DVR_NET_VodDownloadClipVMS(handle_, name.c_str(), 4, 0, 0, 0),
              QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_VodDownloadClipVMS(handle_, "", 0, 0, 0, 0), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_VodDownloadClipVMS(handle_, nullptr, 0, 0, 0, 0), QW_NET_ERR_BAD_ARGUMENT);
    const std::string too_long(128, 'a');
    EXPECT_EQ(QW_DVR_NET_VodDownloadClipVMS(handle_, too_long.c_str(), 0, 0, 0, 0),
              QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(recorder_->Observed().AcceptedConnections(), connections);

    // A name the recorder does not hold: its refusal comes back unchanged
    // and no download thread runs.
    Download download;
    EXPECT_EQ(StartDownload(&download, "no_such_file.rec"), kNoSuchFile);
    EXPECT_EQ(QW_DVR_NET_StopDownLoadVideoFile(handle_), 0);
    std::lock_guard<std::mutex> guard(download.lock);
    EXPECT_EQ(download.pieces + download.end_records, 0);
}

TEST_F(RecordedFiles, HostileNamesPassThroughUnchanged) {
    sim::RecorderConfig config;
    config.hostile_file_names = true;
    Open(config);
    FileList list;
    ASSERT_EQ(Search(1, 3, Time(2011, 3, 5, 21, 0, 0), Time(2011, 3, 5, 23, 0, 0), &list), 0);
    const std::vector<std::string> names = Names(list);
    ASSERT_EQ(names.size(), 3u);
    const std::vector<std::string> all = SimNames(0);
    EXPECT_EQ(names, (std::vector<std::string>(all.end() - 3, all.end())));
    EXPECT_EQ(names[0].rfind("../", 0), 0u);
    EXPECT_EQ(names[1].front(), '/');
    EXPECT_EQ(names[2].size(), 127u);

    for (const std::string& name : names) {
        Download download;
        ASSERT_EQ(StartDownload(&download, name), 0) << name;
        ASSERT_TRUE(download.WaitForEnd(10s));
        EXPECT_EQ(QW_DVR_NET_StopDownLoadVideoFile(handle_), 0);
        std::lock_guard<std::mutex> guard(download.lock);
        EXPECT_TRUE(download.bytes == recorder_->RecordingBytes(name)) << name;
    }
    const auto sent = RequestsOf(*recorder_, kCommandDownload);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent[2].block.data() + 44)), names[2]);
    EXPECT_EQ(sent[2].block[44 + 127], 0);
}

}  // namespace
}  // namespace kestrel::test
