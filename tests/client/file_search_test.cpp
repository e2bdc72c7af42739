// The file search's arithmetic: filters to masks and types, the day window,
// the calendar's month argument and the texts of a listed file.
#include <gtest/gtest.h>

#include <algorithm>

#include "client_context.h"
#include "client_test_support.h"
#include "file_search.h"

namespace kestrel::client_test {
namespace {

using namespace client;

TEST(FileSearch, FiltersGiveMasksAndTypes) {
    // Four channels and "all": no choice and the last entry search every channel.
    EXPECT_EQ(ChannelFilterMask(-1, 5), kAllChannelsMask);
    EXPECT_EQ(ChannelFilterMask(4, 5), kAllChannelsMask);
    EXPECT_EQ(ChannelFilterMask(0, 5), 1u);
    EXPECT_EQ(ChannelFilterMask(3, 5), 8u);
    EXPECT_EQ(TypeFilterType(-1), kSearchAllTypes);
    EXPECT_EQ(TypeFilterType(0), kSearchCommon);
    EXPECT_EQ(TypeFilterType(1), kSearchAlarm);
    EXPECT_EQ(TypeFilterType(2), kSearchAllTypes);
}

TEST(FileSearch, DayWindowAndMonthArgument) {
    const DayWindow window = MakeDayWindow({2011, 3, 5});
    EXPECT_EQ(window.start.tm_year, 111);
    EXPECT_EQ(window.start.tm_mon, 2);
    EXPECT_EQ(window.start.tm_mday, 5);
    EXPECT_EQ(window.start.tm_hour * 3600 + window.start.tm_min * 60 + window.start.tm_sec, 0);
    EXPECT_EQ(window.end.tm_mday, 5);
    EXPECT_EQ(window.end.tm_hour * 3600 + window.end.tm_min * 60 + window.end.tm_sec, 86399);
    EXPECT_EQ(CalendarMonthArgument(2011, 3), 0x030B);
    EXPECT_TRUE(DayMarked(1u << 30, 31));
    EXPECT_FALSE(DayMarked(1u << 30, 30));
}

TEST(FileSearch, RowTexts) {
    FileRecord record{};
    record.file_size = 1572864;
    record.kind = 1;
    record.channel_mask = 0x18;  // channels 4 and 5: the lowest counts
    std::fill(std::begin(record.name), std::end(record.name), 'a');  // no NUL at all
    const uint8_t times[6] = {8, 0, 5, 23, 59, 59};
    std::copy(times, times + 3, record.start_time);
    std::copy(times + 3, times + 6, record.end_time);
    const FileRow row = CopyRow(record);
    EXPECT_EQ(row.channel, 3);
    EXPECT_EQ(RowChannelText(row.channel), "4");
    EXPECT_EQ(SizeText(row.size), "1.5M");
    EXPECT_EQ(RowTimeText(row), "08:00:05-23:59:59");
    EXPECT_EQ(row.name, std::string(128, 'a'));
    // Only channels 1..16 are known; a file of none shows a dash.
    record.channel_mask = 0x10000;
    EXPECT_EQ(CopyRow(record).channel, -1);
    EXPECT_EQ(RowChannelText(-1), "-");
}

TEST(FileSearch, FailureTexts) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    EXPECT_EQ(SearchFailureText(context, QW_NET_ERR_FORMAT_BUSY), "Other User Configuring...");
    EXPECT_EQ(SearchFailureText(context, QW_NET_ERR_CONNECT), "SEARCH FAILED");
    context.SetLanguage(kLanguageSimplifiedChinese);
    EXPECT_EQ(SearchFailureText(context, QW_NET_ERR_CONNECT), "搜索失败");
    context.SetLanguage(kLanguageTraditionalChinese);
    EXPECT_EQ(SearchFailureText(context, QW_NET_ERR_CONNECT), "搜尋 失敗");
}

}  // namespace
}  // namespace kestrel::client_test
