// Finding video records in real recording files, with markers across read
// boundaries, garbage between records and files cut short.
#include "frame_locator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "file_source.h"
#include "media_result.h"
#include "recording_files.h"

namespace {

using namespace kestrel::media;
using file_test::Bytes;
using file_test::TempFile;

file_test::RecordingPlan Plan(int frames) {
    file_test::RecordingPlan plan;
    plan.header = file_test::CurrentHeader(0x9602, "KSR9602-04CH");
    plan.frames = frames;
    return plan;
}

uint64_t Pts(int frame) {
    return 1'000'000 + static_cast<uint64_t>(frame) * 40000;
}

class FrameLocatorTest : public ::testing::Test {
protected:
    FileSource& Open(const Bytes& bytes) {
        source_.Close();
        file_.Write(bytes);
        EXPECT_EQ(source_.Open(file_.path()), kMediaOk);
        return source_;
    }

    TempFile file_;
    FileSource source_;
};

TEST_F(FrameLocatorTest, FirstAndLastAmongAudioSubStreamAndGarbage) {
    auto plan = Plan(12);
    plan.audio_between = true;
    plan.sub_between = true;
    plan.garbage_between = 37;  // keeps records off their 8-byte grid
    std::vector<uint64_t> offsets;
    FileSource& source = Open(file_test::BuildRecording(plan, &offsets));

    const auto first = FindFirstMainFrame(source);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->offset, 512u);
    EXPECT_EQ(first->kind, kMarkerMainVideo);
    EXPECT_EQ(first->header.pts_us, Pts(0));

    const auto last = FindLastVideoFrame(source);  // the sub-stream record behind frame 11
    ASSERT_TRUE(last);
    EXPECT_EQ(last->kind, kMarkerSubVideo);
    EXPECT_EQ(last->header.pts_us, Pts(11) + 1);
    EXPECT_GT(last->offset, offsets[11]);

    // Stepping: the next video record is the sub-stream one, the next main
    // one the record after it; backwards the sub-stream record is passed over.
    const auto next_any = FindVideoFrameAtOrAfter(source, offsets[4] + 1);
    ASSERT_TRUE(next_any);
    EXPECT_EQ(next_any->kind, kMarkerSubVideo);
    const auto next_main = FindVideoFrameAtOrAfter(source, offsets[4] + 1, kMarkerMainVideo);
    ASSERT_TRUE(next_main);
    EXPECT_EQ(next_main->offset, offsets[5]);
    EXPECT_EQ(FindVideoFrameAtOrAfter(source, offsets[5], kMarkerMainVideo)->offset, offsets[5]);
    const auto before = FindMainFrameBefore(source, offsets[5]);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->offset, offsets[4]);
    EXPECT_EQ(before->header.pts_us, Pts(4));
    EXPECT_FALSE(FindMainFrameBefore(source, offsets[0]));
    EXPECT_FALSE(FindVideoFrameAtOrAfter(source, source.Size()));
}

TEST_F(FrameLocatorTest, FirstMarkerAcrossEveryForwardReadBoundaryPosition) {
    const Bytes records = file_test::BuildRecording(Plan(2));
    const Bytes header(records.begin(), records.begin() + 512);
    const Bytes body(records.begin() + 512, records.end());
    // The first record starts from 40 bytes before to 8 past the end of the
    // first 4 KiB read, so its marker and header cross it in every way.
    for (size_t start = 4096 - 40; start <= 4096 + 8; ++start) {
        Bytes bytes = header;
        Bytes garbage = file_test::Pattern(start - 512, static_cast<uint8_t>(start));
        std::memcpy(garbage.data() + 100, "00dcH265", 8);  // almost a marker
        bytes.insert(bytes.end(), garbage.begin(), garbage.end());
        bytes.insert(bytes.end(), body.begin(), body.end());
        FileSource& source = Open(bytes);
        const auto first = FindFirstMainFrame(source);
        ASSERT_TRUE(first) << start;
        EXPECT_EQ(first->offset, start);
        EXPECT_EQ(first->header.pts_us, Pts(0)) << start;
    }
}

TEST_F(FrameLocatorTest, LastMarkerAcrossEveryBackwardReadBoundaryPosition) {
    const Bytes records = file_test::BuildRecording(Plan(3));
    // Garbage behind the last record moves it through a whole 512-byte read.
    for (size_t tail = 0; tail <= 530; ++tail) {
        Bytes bytes = records;
        const Bytes garbage = file_test::Pattern(tail, static_cast<uint8_t>(tail));
        bytes.insert(bytes.end(), garbage.begin(), garbage.end());
        FileSource& source = Open(bytes);
        const auto last = FindLastVideoFrame(source);
        ASSERT_TRUE(last) << tail;
        EXPECT_EQ(last->header.pts_us, Pts(2)) << tail;
    }
}

TEST_F(FrameLocatorTest, CutFilesGiveNoFrameOrTheLastWholeHeader) {
    std::vector<uint64_t> offsets;
    const Bytes records = file_test::BuildRecording(Plan(3), &offsets);

    // The last record's header is cut 10 bytes in: its stamp cannot be read.
    Bytes cut(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(offsets[2] + 10));
    FileSource& source = Open(cut);
    auto last = FindLastVideoFrame(source);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->offset, offsets[1]);
    EXPECT_FALSE(FindVideoFrameAtOrAfter(source, offsets[1] + 1));

    // Whole header, payload cut: still the file's last frame.
    cut.assign(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(offsets[2] + 24));
    last = FindLastVideoFrame(Open(cut));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->offset, offsets[2]);
    EXPECT_EQ(last->header.pts_us, Pts(2));

    // Header and part of one record header; shorter than a header; empty.
    for (size_t size : {size_t{512 + 23}, size_t{300}, size_t{0}}) {
        cut.assign(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(size));
        FileSource& small = Open(cut);
        EXPECT_FALSE(FindFirstMainFrame(small)) << size;
        EXPECT_FALSE(FindLastVideoFrame(small)) << size;
        EXPECT_FALSE(FindMainFrameBefore(small, small.Size())) << size;
    }
}

TEST_F(FrameLocatorTest, SearchesStopAtTheirReadLimits) {
    // A record behind 2001 reads of garbage is out of reach forwards, and
    // one in front of 8000 backward reads of garbage out of reach backwards.
    const Bytes records = file_test::BuildRecording(Plan(1));
    Bytes bytes(records.begin(), records.begin() + 512);
    const Bytes far = file_test::Pattern(2001 * 4096, 1);
    bytes.insert(bytes.end(), far.begin(), far.end());
    bytes.insert(bytes.end(), records.begin() + 512, records.end());
    bytes.insert(bytes.end(), far.begin(), far.end());
    FileSource& source = Open(bytes);
    EXPECT_FALSE(FindFirstMainFrame(source));
    EXPECT_FALSE(FindLastVideoFrame(source));
    // From nearer, both find it.
    const uint64_t record = 512 + far.size();
    EXPECT_EQ(FindVideoFrameAtOrAfter(source, record - 1000)->offset, record);
    EXPECT_EQ(FindMainFrameBefore(source, record + 1000)->offset, record);
}

}  // namespace
