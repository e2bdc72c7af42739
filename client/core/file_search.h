// The search for a recorder's recordings: which days of a month hold any,
// which files one day holds (optionally only some channels or one kind), and
// the texts the file list shows for them. DaySearch runs one day's search on
// a thread of its own.
//
// Threading: the free functions are plain computations (SearchFailureText
// reads the context, so GUI thread). DaySearch: Start, Running, Take and the
// destructor on the GUI thread; the worker only calls the protocol library,
// copies the answer and posts one notification through the PagePoster.
#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_net.h"
#include "page_poster.h"

namespace kestrel::client {

class ClientContext;

// A day as the operator picked it: full year, month 1..12, day 1..31.
struct SearchDate {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    friend bool operator==(const SearchDate&, const SearchDate&) = default;
};

// Every channel of a recorder, as the search's channel mask.
constexpr uint32_t kAllChannelsMask = 0xFFFF;
// File types a search asks for.
constexpr int32_t kSearchCommon = 1;
constexpr int32_t kSearchAlarm = 2;
constexpr int32_t kSearchAllTypes = 3;
// Kinds a listed file reports.
constexpr int32_t kFileNormal = 0;
constexpr int32_t kFileAlarm = 1;
// The recorder's answer for a day search that found nothing to list: the
// list stays empty and the operator is not told.
constexpr int32_t kSearchNothingListed = 0x00020014;
// Posted by DaySearch to its target when a search has ended; the result
// waits in the DaySearch object (Take).
constexpr uint32_t UM_SEARCH_FINISHED = 0x3404;

// The whole day, 00:00:00 to 23:59:59, as the library's time records.
struct DayWindow {
    std::tm start{};
    std::tm end{};
};
DayWindow MakeDayWindow(const SearchDate& date);

// The month argument of QW_DVR_NET_GetVideoFileCalendar: the first bytes of
// the recorder's date, year - 2000 and month.
int32_t CalendarMonthArgument(int32_t year, int32_t month);
// Whether a day mask (bit d-1 for day d) marks day.
bool DayMarked(uint32_t dayMask, int32_t day);

// The filter drop-downs: entry -1 is no selection. The channel list holds one
// entry per channel and "all" as its last, entryCount in all.
uint32_t ChannelFilterMask(int entry, int entryCount);
// The type list: common, alarm, all.
int32_t TypeFilterType(int entry);

// What one search asks for.
struct SearchRequest {
    SearchDate date;
    uint32_t channelMask = kAllChannelsMask;
    int32_t type = kSearchAllTypes;
    bool filtered = false;  // started by SEARCH with the drop-downs' choice
};

// One listed file, copied out of the library's answer.
struct FileRow {
    int32_t channel = -1;  // 0-based; -1 when the entry names none of channels 1..16
    uint32_t size = 0;     // bytes
    int32_t kind = kFileNormal;
    std::string name;       // the remote name, for playing and downloading
    uint8_t start[3] = {};  // hour, minute, second
    uint8_t end[3] = {};
};
FileRow CopyRow(const FileRecord& record);

// The lowest of channels 1..16 in a record's channel mask, 0-based; -1 when
// none of those bits is set.
int32_t ChannelIndexOf(uint32_t channelMask);
// "08:00:00-08:10:00"
std::string RowTimeText(const FileRow& row);
// The 1-based channel, or "-" for a file of no known channel.
std::string RowChannelText(int32_t channel);
// Megabytes with one decimal: 1572864 -> "1.5M".
std::string SizeText(uint32_t size);

// The operator's text for a failed calendar query or day search:
// "Other User Configuring..." while the recorder formats a disk, else the
// search failure text ("SEARCH FAILED"; in Simplified Chinese without the
// blank).
std::string SearchFailureText(const ClientContext& context, int32_t code);

struct SearchResult {
    SearchRequest request;
    int32_t code = 0;  // the library's result
    std::vector<FileRow> rows;
};

// One day search at a time on its own thread. The worker copies the rows out
// of the library's answer (which the next search on the handle overwrites),
// keeps them here and posts message to target; the GUI thread then takes
// them. The rows never travel in the notification, so a notification dropped
// because the target is gone loses nothing that needs freeing.
class DaySearch {
public:
    DaySearch(PagePoster& poster, PageId target, uint32_t message = UM_SEARCH_FINISHED);
    // Waits for a running search (bounded by the library's search time-out).
    ~DaySearch();
    DaySearch(const DaySearch&) = delete;
    DaySearch& operator=(const DaySearch&) = delete;

    // Starts the search on handle: false when one runs (not yet taken) or
    // the thread cannot be made.
    bool Start(QW_DVR_HANDLE handle, const SearchRequest& request);
    // Started and its result not yet taken.
    bool Running() const { return running_; }
    // The finished search's result, its thread joined; nothing while the
    // worker is still busy or none ran.
    std::optional<SearchResult> Take();

private:
    void Run(QW_DVR_HANDLE handle, SearchRequest request);

    PagePoster& poster_;
    const PageId target_;
    const uint32_t message_;
    std::thread worker_;
    bool running_ = false;  // GUI thread
    std::mutex lock_;
    std::optional<SearchResult> finished_;  // set by the worker, guarded by lock_
};

}  // namespace kestrel::client
