// The recording header in both layouts, read from real files.
#include "recording_header.h"

#include <gtest/gtest.h>

#include "file_result.h"
#include "file_source.h"
#include "media_result.h"
#include "recording_files.h"

namespace {

using namespace kestrel::media;
using file_test::Bytes;
using file_test::TempFile;

struct ReadResult {
    int32_t code;
    RecordingHeader header;
};

ReadResult ReadFile(const Bytes& bytes) {
    TempFile file;
    file.Write(bytes);
    FileSource source;
    EXPECT_EQ(source.Open(file.path()), kMediaOk);
    ReadResult result{};
    result.header.type_code = 0xDEADBEEF;  // must be cleared on failure
    result.header.channel_mask = 0xFF;
    result.code = ReadRecordingHeader(source, &result.header);
    return result;
}

ReadResult ReadRecording(const kestrel::sim::RecordingHeaderInfo& info) {
    file_test::RecordingPlan plan;
    plan.header = info;
    plan.frames = 3;
    return ReadFile(file_test::BuildRecording(plan));
}

bool Same(const RecordingTime& t, int year, int month, int day, int hour, int minute, int second) {
    return t.year == year && t.month == month && t.day == day && t.hour == hour &&
           t.minute == minute && t.second == second;
}

TEST(RecordingHeaderCurrent, SimulatorRecordingReadsBack) {
    const auto [code, header] = ReadRecording(file_test::CurrentHeader(0x9602, "KSR9602-04CH"));
    ASSERT_EQ(code, kMediaOk);
    EXPECT_EQ(header.layout, HeaderLayout::kCurrent);
    EXPECT_EQ(header.type_code, 0x01000207u);
    EXPECT_EQ(header.subtype_code, 0x02079602u);
    EXPECT_TRUE(Same(header.start, 24, 3, 14, 8, 0, 0));
    EXPECT_TRUE(Same(header.end, 24, 3, 14, 8, 10, 30));
    EXPECT_EQ(RecordingTimeToSeconds(header.end) - RecordingTimeToSeconds(header.start), 630);
    EXPECT_TRUE(header.twenty_five_frame_family);
    EXPECT_EQ(header.channel_mask, 1u);
    EXPECT_EQ(header.frame_interval_ms, 40u);
}

TEST(RecordingHeaderCurrent, ChannelMaskAndFrameInterval) {
    using Channels = std::vector<kestrel::sim::HeaderChannel>;  // 0-based, written from 1
    struct Case {
        uint16_t model;  // 0x9602 counts frames per second, 0x2232 uses frame-rate codes
        bool pal;
        Channels channels;
        uint32_t mask, interval;
    } cases[] = {
        {0x9602, true, {{0, 25}, {2, 12}}, 0b101, 1000 / 12},  // the last used record counts
        {0x9602, true, {{5, 0}}, 1u << 5, 40},                 // 0 reads as 25
        {0x9602, true, {{40, 12}, {31, 5}}, 1u << 31, 200},    // number 41 ignored, 32 kept
        {0x9602, true, {{40, 12}}, 0, 1000},                   // nothing used: 1 a second
        {0x2232, false, {{0, 2}}, 1, 133},
        {0x2232, true, {{0, 5}}, 1, 1280},
        {0x2232, true, {{0, 9}}, 1, 40},  // beyond the table
    };
    for (const Case& c : cases) {
        auto info = file_test::CurrentHeader(c.model, "");
        info.pal = c.pal;
        info.channels = c.channels;
        const auto [code, header] = ReadRecording(info);
        ASSERT_EQ(code, kMediaOk);
        EXPECT_EQ(header.twenty_five_frame_family, c.pal);
        EXPECT_EQ(header.channel_mask, c.mask) << c.model << " " << c.interval;
        EXPECT_EQ(header.frame_interval_ms, c.interval) << c.model << " " << c.mask;
    }
}

TEST(RecordingHeaderCurrent, OutOfRangeTimesAreClampedAsRead) {
    auto info = file_test::CurrentHeader(0x9602, "KSR9602-04CH");
    info.start = {2024, 0, 5, 30, 59, 59};
    info.end = {2024, 13, 5, 12, 61, 200};
    const auto [code, header] = ReadRecording(info);
    ASSERT_EQ(code, kMediaOk);
    EXPECT_TRUE(Same(header.start, 24, 1, 5, 23, 59, 59));
    EXPECT_TRUE(IsValidRecordingTime(header.start));
    EXPECT_TRUE(Same(header.end, 24, 12, 5, 12, 60, 60));
    EXPECT_FALSE(IsValidRecordingTime(header.end));  // 60 is kept, and is not a valid minute
}

TEST(RecordingHeaderCurrent, NumberOrCodeIsEnough) {
    auto result = ReadRecording(file_test::CurrentHeader(0x9602, "WRONG-CODE00"));
    ASSERT_EQ(result.code, kMediaOk);
    EXPECT_EQ(result.header.type_code, 0x01000207u);

    result = ReadRecording(file_test::CurrentHeader(0x7777, "KSR2232-04CH"));
    ASSERT_EQ(result.code, kMediaOk);
    EXPECT_EQ(result.header.type_code, 0x01000203u);
}

TEST(RecordingHeaderRefused, ShortFileAndUnknownModel) {
    Bytes bytes = file_test::BuildRecording(
        {.header = file_test::CurrentHeader(0x9602, "KSR9602-04CH"), .frames = 0});
    bytes.resize(511);
    auto result = ReadFile(bytes);
    EXPECT_EQ(result.code, kMediaShortHeader);
    EXPECT_EQ(result.header.type_code, 0u);
    EXPECT_EQ(result.header.layout, HeaderLayout::kNone);

    result = ReadRecording(file_test::CurrentHeader(0x7777, "NO-SUCH-CODE"));
    EXPECT_EQ(result.code, kMediaFileFormat);
    EXPECT_EQ(result.header.type_code, 0u);
    EXPECT_EQ(result.header.channel_mask, 0u);
    EXPECT_EQ(result.header.layout, HeaderLayout::kNone);
}

TEST(RecordingHeaderFirstGeneration, NeedsNumberAndCode) {
    Bytes bytes = file_test::BuildOldHeader({0, '0', 0x1002, "KSR1002-04CH"});
    file_test::AppendOldFrame(bytes, {});
    auto result = ReadFile(bytes);
    ASSERT_EQ(result.code, kMediaOk);
    EXPECT_EQ(result.header.layout, HeaderLayout::kFirstGeneration);
    EXPECT_EQ(result.header.type_code, 0x01000101u);
    EXPECT_EQ(result.header.channel_mask, 1u);

    bytes = file_test::BuildOldHeader({0, '0', 0x1002, "KSR1003-08CH"});
    file_test::AppendOldFrame(bytes, {});
    result = ReadFile(bytes);
    EXPECT_EQ(result.code, kMediaFileFormat);
    EXPECT_EQ(result.header.type_code, 0u);
}

TEST(RecordingHeaderFirstGeneration, TimesComeFromFirstAndLastMainFrames) {
    Bytes bytes = file_test::BuildOldHeader({1, '1', 0x1260, "KSR1260-16CH"});
    file_test::AppendOldFrame(bytes, {.kind = "1wb", .hour = 6});
    file_test::AppendOldFrame(bytes, {.kind = "1dc", .hour = 6, .minute = 30});
    file_test::AppendOldFrame(bytes, {.month = 2, .day = 29, .hour = 7, .minute = 1, .second = 2});
    for (int n = 0; n < 40; ++n) {
        file_test::AppendOldFrame(bytes, {.channel = n % 3,
                                          .month = 2,
                                          .day = 29,
                                          .hour = 7,
                                          .minute = 2,
                                          .second = n,
                                          .length = 900});
    }
    file_test::AppendOldFrame(bytes, {.month = 2, .day = 29, .hour = 26, .minute = 3, .second = 4});
    file_test::AppendOldFrame(bytes, {.kind = "1dc", .hour = 9});
    file_test::AppendOldFrame(bytes, {.kind = "1wb", .hour = 9});
    const auto [code, header] = ReadFile(bytes);
    ASSERT_EQ(code, kMediaOk);
    EXPECT_EQ(header.type_code, 0x01000103u);
    EXPECT_TRUE(Same(header.start, 24, 2, 29, 7, 1, 2));
    EXPECT_TRUE(Same(header.end, 24, 2, 29, 23, 3, 4));  // hour 26 clamped
    EXPECT_EQ(header.channel_mask, 0xFu);
    EXPECT_FALSE(header.twenty_five_frame_family);
    EXPECT_EQ(header.frame_interval_ms, 67u);
}

TEST(RecordingHeaderFirstGeneration, ChannelsAreScannedForLaterTypes) {
    Bytes bytes = file_test::BuildOldHeader({0, '0', 0x2061, "KSR2061-04CH"});
    for (int channel : {1, 2, 5, 2}) {  // 5 folds onto 1
        file_test::AppendOldFrame(bytes, {.channel = channel, .length = 30000});
    }
    auto result = ReadFile(bytes);
    ASSERT_EQ(result.code, kMediaOk);
    EXPECT_EQ(result.header.type_code, 0x01000201u);
    EXPECT_EQ(result.header.channel_mask, 0b0110u);
    EXPECT_EQ(result.header.frame_interval_ms, 40u);

    // No frames: nothing seen, and no times (refused by the validity check).
    result = ReadFile(file_test::BuildOldHeader({0, '0', 0x2061, "KSR2061-04CH"}));
    ASSERT_EQ(result.code, kMediaOk);
    EXPECT_EQ(result.header.channel_mask, 0u);
    EXPECT_FALSE(IsValidRecordingTime(result.header.start));
    EXPECT_FALSE(IsValidRecordingTime(result.header.end));
}

TEST(RecordingTimeSeconds, CountsCalendarDays) {
    EXPECT_EQ(
        RecordingTimeToSeconds({24, 3, 1, 0, 0, 0}) - RecordingTimeToSeconds({24, 2, 29, 0, 0, 0}),
        86400);
    EXPECT_EQ(
        RecordingTimeToSeconds({25, 3, 1, 0, 0, 0}) - RecordingTimeToSeconds({24, 3, 1, 0, 0, 0}),
        365 * 86400);
    EXPECT_EQ(RecordingTimeToSeconds({0, 1, 1, 1, 2, 3}), 3723);
    EXPECT_FALSE(IsValidRecordingTime({24, 1, 0, 0, 0, 0}));
    EXPECT_TRUE(IsValidRecordingTime({24, 12, 31, 23, 59, 59}));
}

}  // namespace
