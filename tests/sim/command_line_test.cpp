// kestrel-dvrsim's command line as it lands in the recorder configuration.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

}  // namespace
