// The command-line upgrade, run in-process against simulated recorders.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "command_line.h"
#include "fleet_fixture.h"
#include "headless_run.h"

namespace kestrel::flash {
namespace {

using testing::ExportNetwork;
using testing::kNewerImage;
using testing::StartFleet;
using testing::WriteImage;

struct RunResult {
    int exit = -1;
    std::string out;
    std::string err;
};

RunResult RunWith(const std::vector<std::string>& args) {
    RunResult run;
    HeadlessOptions options;
    std::string error;
    if (!ParseHeadless(args, &options, &error)) {
        run.exit = kExitBadInput;
        run.err = error;
        return run;
    }
    std::ostringstream out, err;
    run.exit = RunHeadless(options, out, err, false);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(FlashCommandLine, RefusesBadImagesAndArgumentsWithStatusTwo) {
    EXPECT_TRUE(WantsHeadless({"--image", "x"}));
    EXPECT_FALSE(WantsHeadless({"--open", "x", "--host", "127.0.0.1"}));
    const std::string valid = WriteImage(kNewerImage, 10);
    const std::string wrong_type =
        WriteImage("Qw6100V100R003B010_V100001V100001V100001V100001V100001.bin", 10);
    struct Case {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"--image", ""}, "Not empty file path!\n"},
        {{"--image", wrong_type}, "Please select valid the type of file for upgrading!\n"},
        {{"--image", valid + ".missing.sw"}, "File Name check failed!\n"},
        {{"--image", valid, "--timeout", "0"}, "--timeout needs whole seconds from 1 to 86400"},
        {{"--image", valid, "--only", "127.0.0.2,"},
         "--only needs dotted IPv4 addresses separated by commas"},
        {{"--image", valid, "--host", "localhost"},
         "--host needs a dotted IPv4 address, not \"localhost\""},
        {{"--search-only"}, "--image FILE is required"},
        {{"--image", valid, "--fast"}, "unknown argument \"--fast\""},
    };
    for (const Case& c : cases) {
        const RunResult run = RunWith(c.args);
        EXPECT_EQ(run.exit, kExitBadInput) << c.error;
        EXPECT_EQ(run.err, c.error);
    }
}

TEST(FlashCommandLine, ReportsSilenceAndMissingAddresses) {
    auto fleet = StartFleet(2, [](int i, sim::FlashRecorderConfig& c) {
        c.verdict = sim::FlashVerdict::kUploadEnd;
        c.versions.fill(i == 0 ? "V100001" : "T000001");  // the first is up to date
    });
    ASSERT_TRUE(fleet);
    ExportNetwork(*fleet);
    const std::string image = WriteImage(kNewerImage, 3000);

    RunResult run = RunWith({"--image", image, "--host", "127.0.0.1", "--search-only", "--json"});
    EXPECT_EQ(run.exit, kExitDone);
    EXPECT_NE(run.out.find("\"state\": \"Upgrade Refused\", \"comment\": \"The same system "
                           "version\", \"progress\": 0, \"size\": 3000}"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(fleet->Recorder(1).UpgradeRequests(), 0u);

    // Only the second recorder, and one that does not exist.
    run = RunWith({"--image", image, "--host", "127.0.0.1", "--only", "127.0.0.3,127.0.0.99"});
    EXPECT_EQ(run.exit, kExitUploadFailed);
    EXPECT_NE(run.err.find("No recorder answered from 127.0.0.99"), std::string::npos);
    EXPECT_NE(run.out.find("127.0.0.3\tUpload succeeded\t\n"), std::string::npos) << run.out;
    EXPECT_EQ(fleet->Recorder(0).UpgradeRequests(), 0u);

    setenv("KESTREL_BROADCAST_ADDR", "127.0.0.200", 1);  // nobody answers there
    run = RunWith({"--image", image, "--host", "127.0.0.1"});
    EXPECT_EQ(run.exit, kExitNoRecorder);
    EXPECT_NE(run.err.find("Device search failed, Please review net connections"),
              std::string::npos);
}

TEST(FlashCommandLine, UploadsToEveryPermittedRecorderAndPrintsEachRow) {
    auto fleet = StartFleet(3, [](int i, sim::FlashRecorderConfig& c) {
        c.verdict = sim::FlashVerdict::kUploadEnd;
        c.busy = i == 1;
        if (i == 2) {
            c.reply_status_at_chunk = 1;
            c.scripted_status = 8;
        }
    });
    ASSERT_TRUE(fleet);
    ExportNetwork(*fleet);
    RunResult run = RunWith({"--image", WriteImage(kNewerImage, 5000), "--host", "127.0.0.1"});
    EXPECT_EQ(run.exit, kExitUploadFailed);
    std::istringstream lines(run.out);
    std::map<std::string, std::string> by_ip;
    for (std::string line; std::getline(lines, line);) {
        by_ip[line.substr(0, line.find('\t'))] = line;
    }
    EXPECT_EQ(by_ip["127.0.0.2"], "127.0.0.2\tUpload succeeded\t");
    EXPECT_EQ(by_ip["127.0.0.3"], "127.0.0.3\tUpgrade Failed\tCurrent device is upgrading");
    EXPECT_EQ(by_ip["127.0.0.4"], "127.0.0.4\tUpgrade failed\tFile name of upgrading check failed");
    EXPECT_NE(run.err.find("[####################] 100%  Upload succeeded"), std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace kestrel::flash
