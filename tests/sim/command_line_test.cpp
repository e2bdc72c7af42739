// kestrel-dvrsim's command line as it lands in the recorder configuration.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/result_codes.h"

namespace {

using kestrel::sim::CommandLine;
using kestrel::sim::ParseCommandLine;

TEST(CommandLine, SwitchClipAfterTakesAFrameCount) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::optional<uint64_t> frames;
    };
    const Case cases[] = {
        {{}, true, std::nullopt},
        {{"--switch-clip-after", "3"}, true, 3},
        {{"--switch-clip-after", "0"}, true, 0},
        {{"--unpaced", "--switch-clip-after", "0x10"}, true, 16},
        {{"--switch-clip-after", "-1"}, false, std::nullopt},
        {{"--switch-clip-after", "3x"}, false, std::nullopt},
        {{"--switch-clip-after"}, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        CommandLine line;
        std::string error;
        ASSERT_EQ(ParseCommandLine(c.args, &line, &error), c.ok) << error;
        if (c.ok) {
            EXPECT_EQ(line.config.live_clip_switch_after_frames, c.frames);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_NE(kestrel::sim::CommandLineUsage().find("--switch-clip-after N"), std::string::npos);
}

TEST(CommandLine, DownloadFaultsAndRecordingLength) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(
        {"--fault", "drop-download=40000", "--fault", "drop-downloads=1", "--fault",
         "refuse-download=0x80F00003", "--recording-frames", "4500", "--download-rate", "300000"},
        &line, &error))
        << error;
    const kestrel::sim::Faults& faults = line.config.faults;
    EXPECT_EQ(faults.drop_download_after_bytes, 40000u);
    EXPECT_EQ(faults.drop_download_count, 1u);
    EXPECT_EQ(faults.refuse_download_code, static_cast<int32_t>(0x80F00003));
    EXPECT_EQ(line.config.recording_frames, 4500);
    EXPECT_EQ(line.config.download_rate_limit, 300000u);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--fault", "drop-downloads=0"},
          {"--fault", "refuse-download="},
          {"--recording-frames", "0"},
          {"--recording-frames", "100001"},
          {"--download-rate", "-5"}}) {
        CommandLine rejected;
        EXPECT_FALSE(ParseCommandLine(bad, &rejected, &error)) << bad[1];
    }
}

TEST(CommandLine, RecorderVarietyAndFailingCalls) {
    using kestrel::sim::DiskState;
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(
        {"--tv-standard", "ntsc", "--device-type", "38421", "--disk", "none:0:0", "--disk",
         "normal:500:20", "--disk", "bad:1:0", "--fault", "mctp-fail=QW_SRDK_SYS_SetSystemAttr",
         "--fault", "mctp-fail=QW_SRDK_DEV_SaveFlash:0x80F00009", "--fault",
         "mctp-only=QW_SRDK_MEDIA_GetVideoAttr"},
        &line, &error))
        << error;
    const kestrel::sim::RecorderConfig& config = line.config;
    EXPECT_EQ(config.tv_standard, kestrel::sim::TvStandard::kNtsc);
    EXPECT_EQ(config.device_type, 38421u);
    ASSERT_EQ(config.disks.size(), 3u);  // the given ones replace the defaults
    EXPECT_EQ(config.disks[0].state, DiskState::kNoDisk);
    EXPECT_EQ(config.disks[1].state, DiskState::kNormal);
    EXPECT_EQ(config.disks[1].free_bytes, 20 * kGiB);
    EXPECT_EQ(config.disks[2].state, DiskState::kBad);
    const auto& failing = config.faults.mctp.failing_calls;
    ASSERT_EQ(failing.size(), 2u);
    EXPECT_EQ(failing[0].first, "QW_SRDK_SYS_SetSystemAttr");
    EXPECT_EQ(failing[0].second, kestrel::sim::kMctpRefusedByFault);
    EXPECT_EQ(failing[1].second, static_cast<int32_t>(0x80F00009));
    EXPECT_EQ(config.faults.mctp.misanswer_only, "QW_SRDK_MEDIA_GetVideoAttr");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--tv-standard", "secam"},
          {"--device-type", "-1"},
          {"--disk", "normal:10:11"},  // more free than the disk holds
          {"--disk", "spinning:10:1"},
          {"--disk", "normal:10"},
          {"--fault", "mctp-fail="},
          {"--fault", "mctp-fail=QW_SRDK_DEV_SaveFlash:x"},
          {"--fault", "mctp-only"}}) {
        CommandLine rejected;
        EXPECT_FALSE(ParseCommandLine(bad, &rejected, &error)) << bad[1];
    }
}

}  // namespace
