#include "file_search.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "client_context.h"
#include "text_ids.h"

namespace kestrel::client {

DayWindow MakeDayWindow(const SearchDate& date) {
    DayWindow window;
    window.start.tm_mday = date.day;
    window.start.tm_mon = date.month - 1;
    window.start.tm_year = date.year - 1900;
    window.end = window.start;
    window.end.tm_hour = 23;
    window.end.tm_min = 59;
    window.end.tm_sec = 59;
    return window;
}

int32_t CalendarMonthArgument(int32_t year, int32_t month) {
    return ((year - 2000) & 0xFF) | (month & 0xFF) << 8;
}

bool DayMarked(uint32_t dayMask, int32_t day) {
    return day >= 1 && day <= 32 && (dayMask >> (day - 1) & 1) != 0;
}

uint32_t ChannelFilterMask(int entry, int entryCount) {
    if (entry < 0 || entry >= entryCount - 1 || entry >= 16) {
        return kAllChannelsMask;
    }
    return uint32_t{1} << entry;
}

int32_t TypeFilterType(int entry) {
    return entry < 0 || entry > 2 ? kSearchAllTypes : entry + 1;
}

int32_t ChannelIndexOf(uint32_t channelMask) {
    for (int32_t bit = 0; bit < 16; ++bit) {
        if ((channelMask >> bit & 1) != 0) {
            return bit;
        }
    }
    return -1;
}

FileRow CopyRow(const FileRecord& record) {
    FileRow row;
    row.channel = ChannelIndexOf(record.channel_mask);
    row.size = record.file_size;
    row.kind = record.kind;
    // The recorder's name is not trusted to end inside its field.
    row.name.assign(record.name, strnlen(record.name, sizeof record.name));
    std::memcpy(row.start, record.start_time, sizeof row.start);
    std::memcpy(row.end, record.end_time, sizeof row.end);
    return row;
}

std::string RowTimeText(const FileRow& row) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d-%02d:%02d:%02d", row.start[0], row.start[1],
                  row.start[2], row.end[0], row.end[1], row.end[2]);
    return text;
}

std::string RowChannelText(int32_t channel) {
    return channel < 0 ? "-" : std::to_string(channel + 1);
}

std::string SizeText(uint32_t size) {
    char text[32];
    std::snprintf(text, sizeof text, "%0.1fM", size / 1048576.0);
    return text;
}

std::string SearchFailureText(const ClientContext& context, int32_t code) {
    if (code == QW_NET_ERR_FORMAT_BUSY) {
        return context.LoadText(kTextOtherUserConfiguring);
    }
    const char* blank = context.language == kLanguageSimplifiedChinese ? "" : " ";
    return context.LoadText(kTextSearch) + blank + context.LoadText(kTextFailed);
}

// ---- DaySearch ---------------------------------------------------------------

DaySearch::DaySearch(PagePoster& poster, PageId target, uint32_t message)
    : poster_(poster), target_(target), message_(message) {}

DaySearch::~DaySearch() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool DaySearch::Start(QW_DVR_HANDLE handle, const SearchRequest& request) {
    if (running_) {
        return false;
    }
    try {
        worker_ = std::thread(&DaySearch::Run, this, handle, request);
    } catch (const std::system_error&) {
        return false;
    }
    running_ = true;
    return true;
}

std::optional<SearchResult> DaySearch::Take() {
    std::optional<SearchResult> result;
    {
        std::lock_guard guard(lock_);
        result.swap(finished_);
    }
    if (result) {
        worker_.join();
        running_ = false;
    }
    return result;
}

void DaySearch::Run(QW_DVR_HANDLE handle, SearchRequest request) {
    const DayWindow window = MakeDayWindow(request.date);
    FileList list{0, nullptr};
    SearchResult result;
    result.code =
        QW_DVR_NET_SearchAVFileList(handle, static_cast<int32_t>(request.channelMask),
                                    &window.start, &window.end, 0, 0, request.type, &list);
    if (result.code == QW_NET_OK && list.records != nullptr && list.count > 0) {
        result.rows.reserve(static_cast<size_t>(list.count));
        for (int32_t i = 0; i < list.count; ++i) {
            result.rows.push_back(CopyRow(list.records[i]));
        }
    }
    result.request = request;
    {
        std::lock_guard guard(lock_);
        finished_ = std::move(result);
    }
    poster_.Post(target_, message_, 0, 0);
}

}  // namespace kestrel::client
