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

}  // namespace
