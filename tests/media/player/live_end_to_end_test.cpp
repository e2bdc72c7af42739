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
#include "live_session.h"
#include "memory_window.h"
#include "sim/recorder_config.h"
#include "sim/recorder_sim.h"

namespace kestrel::media {
namespace {

constexpr int kWaitMs = 30000;  // generous: sanitizer builds on a loaded machine

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
    test::LiveSession session(sim::RecorderConfig{}, c.buffer_mode, c.stream);
    ASSERT_TRUE(session.Started());

    // Past the clip's end, so the loop back to its first frame is checked too.
    const size_t wanted = 110;
    const bool complete = session.Window().WaitForCount(wanted, kWaitMs);
    session.Stop();
    ASSERT_TRUE(complete) << "only " << session.Window().Count() << " pictures";

    EXPECT_EQ(session.Figures().refused_blocks, 0u);
    EXPECT_EQ(session.Figures().losses, 0u);
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
    test::LiveSession session(std::move(config), 0, 1);
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
