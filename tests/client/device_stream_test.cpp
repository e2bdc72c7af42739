// Live channels of the device object: the 512-byte header hold-back, the
// reconnect worker after a stream break, and stopping while it waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "clip_frames.h"
#include "device_fixture.h"
#include "memory_window.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"

namespace kestrel::client::test {
namespace {

using media::test::MemoryWindow;

constexpr int kWaitMs = 30000;  // generous: sanitizer builds on a loaded machine

struct Clip {
    sim::MediaClip units;
    std::vector<std::string> md5s;
};

std::optional<Clip> LoadCif() {
    std::string error;
    auto units = sim::MediaClip::Load(media::test::MediaFile("clip_cif.h264"), &error);
    if (!units) {
        ADD_FAILURE() << error;
        return std::nullopt;
    }
    return Clip{std::move(*units),
                media::test::FrameMd5s(media::test::MediaFile("clip_cif.framemd5"))};
}

// A recording header that hides a video record header claiming 60000 bytes:
// should any of the 512 bytes reach the decoder, that record swallows the
// real frames behind it and the pictures no longer match the clip.
std::vector<uint8_t> BaitedHeader() {
    sim::RecordingHeaderInfo info;
    info.model_code = "KSR9613-08CH";
    info.channels = {{0, 25}};
    const auto built = sim::BuildRecordingHeader(info);
    std::vector<uint8_t> header(built.begin(), built.end());
    std::vector<uint8_t> bait;
    const std::vector<uint8_t> payload(60000, 0);
    sim::VideoFrame frame;
    frame.payload = payload;
    sim::AppendVideoRecord(bait, frame);
    for (size_t at : {size_t{8}, size_t{300}, size_t{480}}) {
        std::copy_n(bait.begin(), sim::kVideoHeaderSize, header.begin() + static_cast<long>(at));
    }
    return header;
}

// Frame records first..last-1 of the clip, time-stamped 40 ms apart.
std::vector<uint8_t> FrameRecords(const sim::MediaClip& clip, size_t first, size_t last) {
    std::vector<uint8_t> out;
    for (size_t i = first; i < last; ++i) {
        sim::VideoFrame frame;
        frame.pts_us = i * sim::kFrameIntervalUs;
        frame.payload = clip.AccessUnit(i);
        sim::AppendVideoRecord(out, frame);
    }
    return out;
}

void Deliver(CDevice& device, int32_t channel, std::span<const uint8_t> bytes,
             std::vector<size_t> pieces, size_t restPiece) {
    size_t at = 0;
    for (size_t i = 0; at < bytes.size(); ++i) {
        const size_t piece = std::min(i < pieces.size() ? pieces[i] : restPiece, bytes.size() - at);
        CDevice::OnRealData(device.handle, channel, 2, bytes.data() + at,
                            static_cast<int32_t>(piece), &device);
        at += piece;
    }
}

void ExpectClipFrames(const std::vector<media::test::PresentedPicture>& pictures,
                      const std::vector<std::string>& md5s, size_t count) {
    ASSERT_GE(pictures.size(), count);
    for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(pictures[i].md5_yuv420, md5s.at(i)) << "picture " << i;
    }
}

size_t LiveStarts(const sim::RecorderSim& recorder) {
    return recorder.Observed().StreamIds().size();
}

// A recorder whose streams send nothing, so the test alone feeds the channel.
sim::RecorderConfig SilentStreams() {
    sim::RecorderConfig config;
    config.faults.stall_live_after_bytes = 0;
    return config;
}

class DeviceStream : public DeviceTest {};

TEST_F(DeviceStream, HeaderSplitOverBlocksIsHeldBackAgainAfterABreak) {
    const std::optional<Clip> clip = LoadCif();
    ASSERT_TRUE(clip);
    ASSERT_TRUE(OpenDevice(SilentStreams()));
    MemoryWindow window;
    ASSERT_EQ(StartLive(window.Window(), 0), 0);

    const std::vector<uint8_t> header = BaitedHeader();
    std::vector<uint8_t> first = header;
    const std::vector<uint8_t> frames = FrameRecords(clip->units, 0, 20);
    first.insert(first.end(), frames.begin(), frames.end());
    // 100 + 150 + 200 stay inside the header; the fourth block crosses it.
    Deliver(Device(), 0, first, {100, 150, 200, 100}, 997);
    ASSERT_TRUE(window.WaitForCount(20, kWaitMs)) << window.Count() << " pictures";

    // The stream breaks; the next one brings its own header, cut differently.
    CDevice::OnRealData(Device().handle, 0, 2, nullptr, -3, &Device());
    std::vector<uint8_t> second = header;
    const std::vector<uint8_t> more = FrameRecords(clip->units, 20, 40);
    second.insert(second.end(), more.begin(), more.end());
    Deliver(Device(), 0, second, {511, 2}, 4093);
    ASSERT_TRUE(window.WaitForCount(40, kWaitMs)) << window.Count() << " pictures";
    ExpectClipFrames(window.Pictures(), clip->md5s, 40);

    // Stopped while the worker still waits: it ends and restarts nothing.
    EXPECT_EQ(Device().StopRealPlay(0), 1);
    EXPECT_FALSE(Device().LiveStarted(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(ReconnectWorker::kDefaultWaitMs + 500));
    EXPECT_EQ(LiveStarts(Recorder()), 1u);
    EXPECT_NE(LogText().find("重新连接视频:0\r\n"), std::string::npos);
}

TEST_F(DeviceStream, BrokenStreamIsRestartedByOneWorker) {
    sim::RecorderConfig config;
    config.unpaced_live = true;
    // Every connection closes after the start answer, the header and 30000
    // stream bytes: each stream breaks.
    config.faults.close_after_bytes = 16 + 512 + 30000;
    const std::optional<Clip> clip = LoadCif();
    ASSERT_TRUE(clip);
    ASSERT_TRUE(OpenDevice(config));
    MemoryWindow window;
    ASSERT_EQ(StartLive(window.Window(), 0), 0);

    ASSERT_TRUE(WaitUntil([&] { return LiveStarts(Recorder()) >= 2; }, kWaitMs))
        << "no restart after the break";
    EXPECT_TRUE(Device().LiveStarted(0));
    // The first stream ends long before the clip does, so a clip frame shown
    // a second time came from a restarted stream, decoded from its own
    // records.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto pictures = window.Pictures();
            return std::any_of(clip->md5s.begin(), clip->md5s.end(), [&](const std::string& md5) {
                return std::count_if(pictures.begin(), pictures.end(),
                                     [&](const auto& p) { return p.md5_yuv420 == md5; }) >= 2;
            });
        },
        kWaitMs))
        << window.Count() << " pictures";
    EXPECT_EQ(Device().StopRealPlay(0), 1);
    const size_t starts = LiveStarts(Recorder());
    std::this_thread::sleep_for(std::chrono::milliseconds(ReconnectWorker::kDefaultWaitMs + 500));
    EXPECT_EQ(LiveStarts(Recorder()), starts) << "a worker outlived the stop";
    EXPECT_TRUE(WaitUntil([&] { return Recorder().Observed().RunningStreams() == 0; }, kWaitMs));
}

TEST_F(DeviceStream, BreaksReportedWhileTheWorkerWaitsStartNoSecondWorker) {
    ASSERT_TRUE(OpenDevice(SilentStreams()));
    MemoryWindow window;
    ASSERT_EQ(StartLive(window.Window(), 3), 0);
    for (int i = 0; i < 3; ++i) {
        CDevice::OnRealData(Device().handle, 3, 2, nullptr, -3, &Device());
    }
    ASSERT_TRUE(WaitUntil([&] { return LiveStarts(Recorder()) >= 2; }, kWaitMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(ReconnectWorker::kDefaultWaitMs + 500));
    EXPECT_EQ(LiveStarts(Recorder()), 2u) << "one restart for one break";
    EXPECT_TRUE(Device().LiveStarted(3));
    EXPECT_EQ(Device().StopRealPlay(3), 1);
}

}  // namespace
}  // namespace kestrel::client::test
