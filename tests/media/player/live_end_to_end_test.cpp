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
#include "sim/recorder_config.h"
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

// One live channel from a simulated recorder into a memory window.
class LiveSession {
public:
    LiveSession(sim::RecorderConfig config, int32_t buffer_mode, int stream)
        : recorder_(std::move(config)) {
        if (!recorder_.Start()) {
            ADD_FAILURE() << recorder_.LastError();
            return;
        }
        int32_t type = 0;
        int32_t subtype = 0;
        int32_t result = 0;
        UserRights rights{};
        device_ =
            QW_DVR_NET_Open_Device(recorder_.Address().c_str(), recorder_.CommandPort(), "admin",
                                   "admin", &type, &subtype, &result, &rights, nullptr);
        if (device_ == nullptr) {
            ADD_FAILURE() << "open failed: " << result;
            return;
        }
        feed_.decoder = QW_DVR_MEDIA_OpenDecoder(static_cast<uint32_t>(type),
                                                 static_cast<uint32_t>(subtype), 0, buffer_mode);
        KmVideoWindow* windows[] = {window_.Window()};
        started_ =
            feed_.decoder != nullptr &&
            QW_DVR_MEDIA_StartPlay(feed_.decoder, windows, 1, &kChannel, 1, 0) == 0 &&
            QW_DVR_NET_SetRealDataCallBack(device_, kChannel, &feed_, LiveFeed::OnData) == 0 &&
            QW_DVR_NET_StartRealAV(device_, 0, kChannel, 0, 0, 1, stream, "admin", "admin") == 0;
        EXPECT_TRUE(started_);
    }
    ~LiveSession() { Stop(); }

    bool Started() const { return started_; }
    test::MemoryWindow& Window() { return window_; }
    const LiveFeed& Feed() const { return feed_; }

    void Stop() {
        if (device_ != nullptr) {
            EXPECT_EQ(QW_DVR_NET_StopRealAV(device_, kChannel), 0);
        }
        if (feed_.decoder != nullptr) {
            EXPECT_EQ(QW_DVR_MEDIA_StopPlay(feed_.decoder, kChannel), 0);
            EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(feed_.decoder), 0);
            feed_.decoder = nullptr;
        }
        if (device_ != nullptr) {
            QW_DVR_NET_Close_Device(device_);
            device_ = nullptr;
        }
    }

private:
    static constexpr int32_t kChannel = 2;
    sim::RecorderSim recorder_;
    QW_DVR_HANDLE device_ = nullptr;
    LiveFeed feed_;
    test::MemoryWindow window_;
    bool started_ = false;
};

std::vector<std::string> ClipMd5s(const std::string& clip) {
    return test::FrameMd5s(test::MediaFile(clip + ".framemd5"));
}

struct Case {
    int32_t buffer_mode;
    int stream;  // 0 main D1, 1 sub CIF
    const char* clip;
};

class LiveEndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(LiveEndToEnd, EveryFrameIsShownInOrder) {
    const Case c = GetParam();
    const std::vector<std::string> md5s = ClipMd5s(c.clip);
    ASSERT_EQ(md5s.size(), 100u);
    LiveSession session(sim::RecorderConfig{}, c.buffer_mode, c.stream);
    ASSERT_TRUE(session.Started());

    // Past the clip's end, so the loop back to its first frame is checked too.
    const size_t wanted = 110;
    const bool complete = session.Window().WaitForCount(wanted, kWaitMs);
    session.Stop();
    ASSERT_TRUE(complete) << "only " << session.Window().Count() << " pictures";

    EXPECT_EQ(session.Feed().refused, 0);
    EXPECT_EQ(session.Feed().losses, 0);
    const std::vector<test::PresentedPicture> pictures = session.Window().Pictures();
    for (size_t i = 0; i < wanted; ++i) {
        ASSERT_EQ(pictures[i].md5_yuv420, md5s[i % md5s.size()])
            << "picture " << i << " is not frame " << i % md5s.size()
            << " of the clip: a frame was lost or shown out of order";
    }
    EXPECT_EQ(session.Window().Clears(), 1) << "the channel's stop clears the window once";
}

TEST(LiveEndToEndSizeChange, ASwitchToALargerPictureReopensOnceAndKeepsPlaying) {
    const std::vector<std::string> cif = ClipMd5s("clip_cif");
    const std::vector<std::string> d1 = ClipMd5s("clip_d1");
    ASSERT_EQ(cif.size(), 100u);
    ASSERT_EQ(d1.size(), 100u);
    sim::RecorderConfig config;
    config.live_clip_switch_after_frames = 30;  // the sub-stream goes on with the D1 clip
    LiveSession session(std::move(config), 0, 1);
    ASSERT_TRUE(session.Started());

    const size_t wanted = 80;
    const bool complete = session.Window().WaitForCount(wanted, kWaitMs);
    const int clears_while_playing = session.Window().Clears();
    session.Stop();
    ASSERT_TRUE(complete) << "only " << session.Window().Count() << " pictures";
    EXPECT_EQ(clears_while_playing, 1) << "one renderer re-open for the new size";

    const std::vector<test::PresentedPicture> pictures = session.Window().Pictures();
    for (size_t i = 0; i < wanted; ++i) {
        const bool before = i < 30;
        EXPECT_EQ(pictures[i].width, before ? 352 : 704) << i;
        EXPECT_EQ(pictures[i].height, before ? 288 : 576) << i;
        ASSERT_EQ(pictures[i].md5_yuv420, before ? cif[i] : d1[i - 30]) << "picture " << i;
    }
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
