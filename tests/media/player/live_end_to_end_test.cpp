// The whole live path: a simulated recorder streams a channel, the protocol
// library delivers the blocks, the client's rule holds back the 512-byte
// recording header, the media library decodes and shows every frame in a
// memory window, compared with the clip's framemd5.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "clip_frames.h"
#include "kestrel_media.h"
#include "kestrel_net.h"
#include "memory_window.h"
#include "sim/recorder_sim.h"

namespace kestrel::media {
namespace {

constexpr size_t kHeldBackBytes = 512;
constexpr int kWaitMs = 30000;  // generous: sanitizer builds on a loaded machine

// What the client does with every block of a live channel.
struct LiveFeed {
    QW_DECODER_HANDLE decoder = nullptr;
    std::mutex lock;
    size_t received = 0;
    int refused = 0;
    int losses = 0;

    static void QW_CALLBACK OnData(QW_DVR_HANDLE, int32_t, int32_t, const unsigned char* data,
                                   int32_t count, void* user) {
        auto* feed = static_cast<LiveFeed*>(user);
        std::lock_guard guard(feed->lock);
        if (count < 0) {
            ++feed->losses;
            return;
        }
        size_t skip = 0;
        if (feed->received < kHeldBackBytes) {
            skip = std::min(kHeldBackBytes - feed->received, static_cast<size_t>(count));
        }
        feed->received += static_cast<size_t>(count);
        if (static_cast<size_t>(count) > skip &&
            QW_DVR_MEDIA_InputDataToDecoder(feed->decoder, 0, data + skip,
                                            count - static_cast<int32_t>(skip)) != 0) {
            ++feed->refused;
        }
    }
};

struct Case {
    int32_t buffer_mode;
    int stream;  // 0 main D1, 1 sub CIF
    const char* clip;
};

class LiveEndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(LiveEndToEnd, EveryFrameIsShownInOrder) {
    const Case c = GetParam();
    const std::vector<std::string> md5s =
        test::FrameMd5s(test::MediaFile(c.clip + std::string(".framemd5")));
    ASSERT_EQ(md5s.size(), 100u);

    sim::RecorderSim recorder{sim::RecorderConfig{}};
    ASSERT_TRUE(recorder.Start()) << recorder.LastError();
    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;
    UserRights rights{};
    QW_DVR_HANDLE device =
        QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), "admin", "admin",
                               &type, &subtype, &result, &rights, nullptr);
    ASSERT_NE(device, nullptr) << result;

    LiveFeed feed;
    feed.decoder = QW_DVR_MEDIA_OpenDecoder(static_cast<uint32_t>(type),
                                            static_cast<uint32_t>(subtype), 0, c.buffer_mode);
    ASSERT_NE(feed.decoder, nullptr);
    test::MemoryWindow window;
    KmVideoWindow* windows[] = {window.Window()};
    const int32_t channel = 2;
    ASSERT_EQ(QW_DVR_MEDIA_StartPlay(feed.decoder, windows, 1, &channel, 1, 0), 0);
    ASSERT_EQ(QW_DVR_NET_SetRealDataCallBack(device, channel, &feed, LiveFeed::OnData), 0);
    ASSERT_EQ(QW_DVR_NET_StartRealAV(device, 0, channel, 0, 0, 1, c.stream, "admin", "admin"), 0);

    // Past the clip's end, so the loop back to its first frame is checked too.
    const size_t wanted = 110;
    const bool complete = window.WaitForCount(wanted, kWaitMs);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(device, channel), 0);
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(feed.decoder, channel), 0);
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(feed.decoder), 0);
    QW_DVR_NET_Close_Device(device);
    ASSERT_TRUE(complete) << "only " << window.Count() << " pictures";

    EXPECT_EQ(feed.refused, 0);
    EXPECT_EQ(feed.losses, 0);
    const std::vector<test::PresentedPicture> pictures = window.Pictures();
    for (size_t i = 0; i < wanted; ++i) {
        ASSERT_EQ(pictures[i].md5_yuv420, md5s[i % md5s.size()])
            << "picture " << i << " is not frame " << i % md5s.size()
            << " of the clip: a frame was lost or shown out of order";
    }
    EXPECT_EQ(window.Clears(), 1) << "the channel's stop clears the window once";
}

INSTANTIATE_TEST_SUITE_P(Streams, LiveEndToEnd,
                         ::testing::Values(Case{0, 1, "clip_cif"}, Case{1, 1, "clip_cif"},
                                           Case{0, 0, "clip_d1"}, Case{1, 0, "clip_d1"}),
                         [](const auto& test_info) {
                             return std::string(test_info.param.clip) + "_buffer_mode_" +
                                    std::to_string(test_info.param.buffer_mode);
                         });

}  // namespace
}  // namespace kestrel::media
