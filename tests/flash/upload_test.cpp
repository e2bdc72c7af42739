// The search and the uploads against simulated recorders on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>

#include "device_search.h"
#include "flash_packet.h"
#include "fleet_fixture.h"
#include "upgrade_fleet.h"

namespace kestrel::flash {
namespace {

using testing::Image;
using testing::kNewerImage;
using testing::NetworkOf;
using testing::StartFleet;

UpgradeOptions QuickOptions(const sim::FlashFleet& fleet) {
    UpgradeOptions options;
    options.network = NetworkOf(fleet);
    options.connected_pause_ms = 0;
    options.write_step_ms = 1;
    options.empty_read_pause_ms = 1;
    return options;
}

class FinishCounter : public FleetListener {
public:
    void RowChanged(int) override {}
    void UploadsFinished() override { ++finished; }
    std::atomic<int> finished{0};
};

// Searches, ticks every row and uploads; returns the rows at the end.
std::vector<DeviceRow> UpgradeAll(sim::FlashFleet& fleet, std::shared_ptr<const UpgradeImage> image,
                                  UpgradeOptions options, FinishCounter* counter = nullptr) {
    SearchReport report = SearchDevices("127.0.0.1", image->name, options.network);
    EXPECT_EQ(report.rows.size(), static_cast<size_t>(fleet.Size()));
    UpgradeFleet upgrade(options);
    upgrade.SetListener(counter);
    upgrade.SetRows(std::move(report.rows));
    upgrade.TickRange(0, upgrade.RowCount());
    EXPECT_EQ(upgrade.Start(image).started, fleet.Size());
    EXPECT_TRUE(upgrade.WaitIdle(120000));
    EXPECT_EQ(upgrade.RunningCount(), -1);
    return upgrade.Rows();
}

std::map<std::string, DeviceRow> ByAddress(const std::vector<DeviceRow>& rows) {
    std::map<std::string, DeviceRow> out;
    for (const DeviceRow& row : rows) {
        out[row.ip] = row;
    }
    return out;
}

TEST(FlashSearch, JudgesEachReplyAndListsEveryOne) {
    // 2: busy although older; 3: eight segments, only the eighth older;
    // 4: five segments, the eighth older but not compared; 5: answers twice.
    auto fleet = StartFleet(4, [](int i, sim::FlashRecorderConfig& c) {
        c.busy = i == 0;
        c.versions.fill(i == 0 ? "T000001" : "V200000");
        if (i == 1 || i == 2) {
            c.segment_count = i == 1 ? 8 : 5;
            c.versions[7] = "V000001";
        }
        c.replies_per_search = i == 3 ? 2 : 1;
    });
    ASSERT_TRUE(fleet);
    const std::string image =
        "Qw6200V100R003B010_V100001V100001V100001V100001V100001V100001"
        "V100001V100001.sw";
    SearchReport report = SearchDevices("127.0.0.1", image, NetworkOf(*fleet));
    ASSERT_EQ(report.outcome, SearchOutcome::kFound);
    ASSERT_EQ(report.rows.size(), 5u);
    for (size_t i = 0; i < report.rows.size(); ++i) {
        EXPECT_EQ(report.rows[i].index, static_cast<int>(i));
    }
    auto rows = ByAddress(report.rows);
    EXPECT_EQ(rows["127.0.0.2"].comment, "Current device is upgrading");
    EXPECT_TRUE(rows["127.0.0.2"].busy);
    EXPECT_EQ(rows["127.0.0.3"].state, "Upgrade Permission");
    EXPECT_EQ(rows["127.0.0.4"].comment, "The same system version");
    EXPECT_FALSE(rows["127.0.0.5"].permitted);

    // The request on the wire: command 2002, length 0, nothing else.
    std::vector<uint8_t> request = fleet->Recorder(0).LastSearchRequest();
    ASSERT_EQ(request.size(), kPacketBytes);
    EXPECT_EQ(ReadBE32(request.data()), 2002u);
    for (size_t i = 4; i < request.size(); ++i) {
        ASSERT_EQ(request[i], 0) << "byte " << i;
    }
}

TEST(FlashSearch, SilenceAndSocketFailuresAreReported) {
    auto fleet = StartFleet(1);
    ASSERT_TRUE(fleet);
    FlashNetwork nobody = NetworkOf(*fleet);
    nobody.broadcast_address = "127.0.0.200";  // no recorder there
    SearchReport report = SearchDevices("127.0.0.1", kNewerImage, nobody);
    EXPECT_EQ(report.outcome, SearchOutcome::kNothingFound);
    EXPECT_EQ(report.message, kNothingFoundMessage);

    // The port is taken on the host address by someone else.
    platform::Socket squatter = platform::Socket::Udp();
    ASSERT_TRUE(squatter.Bind("127.0.0.1", 0));
    nobody.udp_port = squatter.LocalPort();
    report = SearchDevices("127.0.0.1", kNewerImage, nobody);
    EXPECT_EQ(report.outcome, SearchOutcome::kSocketFailed);
    EXPECT_EQ(report.message, "socket bind failed, Socket address in use\n");
}

TEST(FlashUpload, SendsExactPacketsAndEndsGreenAfterTheWritePhase) {
    for (size_t size : {size_t{2048}, size_t{1}, size_t{2500}}) {
        auto fleet = StartFleet(1);
        ASSERT_TRUE(fleet);
        auto image = Image(size);
        UpgradeOptions options = QuickOptions(*fleet);
        options.write_step_ms = 5;
        const auto start = std::chrono::steady_clock::now();
        const DeviceRow row = UpgradeAll(*fleet, image, options).at(0);
        // 100 pauses between the 101 steps of the write phase.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_EQ(row.state, "Upgrade succeeded");
        EXPECT_EQ(row.colour, kColourDarkGreen);
        EXPECT_EQ(row.progress, size);

        const sim::FlashUploadObservation seen = fleet->Recorder(0).LastUpload();
        ASSERT_EQ(seen.request.size(), kPacketBytes);
        EXPECT_EQ(ReadBE32(seen.request.data()), 2000u);
        EXPECT_EQ(ReadLE32(seen.request.data() + 4), 132u);
        EXPECT_EQ(ReadBE32(seen.request.data() + 8), size);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(seen.request.data() + 12)),
                  kNewerImage);
        for (size_t i = 12 + kNewerImage.size(); i < 12 + 128; ++i) {
            ASSERT_EQ(seen.request[i], 0);
        }
        std::vector<uint32_t> expected(size / 1024, 1024);
        if (size % 1024 != 0) {
            expected.push_back(size % 1024);
        }
        EXPECT_EQ(seen.chunk_lengths, expected) << size << " bytes";
        EXPECT_EQ(seen.image, image->bytes);
    }
}

TEST(FlashUpload, EveryEndingShowsItsTexts) {
    using sim::FlashVerdict;
    auto fleet = StartFleet(6, [](int i, sim::FlashRecorderConfig& c) {
        switch (i) {
            case 0:  // an unknown status on the second chunk
                c.reply_status_at_chunk = 2;
                c.scripted_status = 3;
                break;
            case 1:
                c.verdict_status = 9;
                break;
            case 2:
                c.verdict = FlashVerdict::kUploadEnd;
                break;
            case 3:
                c.close_after_request = true;
                break;
            case 4:
                c.silent = true;
                break;
            default:  // answers the request with status 5
                c.reply_status_at_chunk = 0;
                c.scripted_status = 5;
        }
    });
    ASSERT_TRUE(fleet);
    UpgradeOptions options = QuickOptions(*fleet);
    options.silence_timeout_s = 1;
    FinishCounter counter;
    auto rows = ByAddress(UpgradeAll(*fleet, Image(5000), options, &counter));
    EXPECT_EQ(counter.finished.load(), 1);
    auto texts = [&](const char* ip) { return rows[ip].state + " / " + rows[ip].comment; };
    EXPECT_EQ(texts("127.0.0.2"), "Upgrade failed / Please review network connection");
    EXPECT_EQ(rows["127.0.0.2"].progress, 2048u);
    EXPECT_EQ(texts("127.0.0.3"), "Upgrade failed / Device has the newest system version");
    EXPECT_EQ(texts("127.0.0.4"), "Upload succeeded / ");
    EXPECT_EQ(texts("127.0.0.5"),
              "Uploading file / Please keep device and network running normally");
    EXPECT_EQ(texts("127.0.0.6"), "Upload failed / Please review network connection");
    EXPECT_EQ(texts("127.0.0.7"), "Upgrade failed / The application of upgrading is running");
    for (auto& [ip, row] : rows) {
        EXPECT_TRUE(row.idle && row.finished) << ip;
    }
}

TEST(FlashUpload, RefusedRowsAndUnreachableRecordersFailWithoutHangingTheCount) {
    auto fleet = StartFleet(1);
    ASSERT_TRUE(fleet);
    UpgradeOptions options = QuickOptions(*fleet);
    options.connect_timeout_ms = 2000;
    DeviceRow gone;
    gone.ip = "127.0.0.250";  // nobody listens there
    gone.permitted = gone.ticked = true;
    DeviceRow refused;
    refused.index = 1;
    refused.ticked = refused.busy = true;
    refused.state = "Upgrade Refused";
    UpgradeFleet upgrade(options);
    FinishCounter counter;
    upgrade.SetListener(&counter);
    upgrade.SetRows({gone, refused});
    const StartReport report = upgrade.Start(Image(10));
    EXPECT_EQ(report.started, 1);
    EXPECT_EQ(report.refused, 1);
    ASSERT_TRUE(upgrade.WaitIdle(60000));
    EXPECT_EQ(upgrade.Row(0).state, "Connect failed");
    EXPECT_EQ(upgrade.Row(1).state + "/" + upgrade.Row(1).comment,
              "Upgrade Failed/Current device is upgrading");
    // The failed connect still ends the run, so the window enables its buttons.
    EXPECT_EQ(upgrade.RunningCount(), -1);
    EXPECT_EQ(counter.finished.load(), 1);
}

TEST(FlashUpload, RunningRowsKeepTheirTicksAndStopEndsThemAtOnce) {
    auto fleet = StartFleet(2, [](int i, sim::FlashRecorderConfig& c) { c.silent = i == 0; });
    ASSERT_TRUE(fleet);
    auto image = Image(100);
    UpgradeOptions options = QuickOptions(*fleet);
    UpgradeFleet upgrade(options);
    SearchReport report = SearchDevices("127.0.0.1", image->name, options.network);
    upgrade.SetRows(std::move(report.rows));
    upgrade.TickRange(0, 2);
    ASSERT_EQ(upgrade.Start(image).started, 2);
    EXPECT_EQ(upgrade.RunningCount(), 2);
    EXPECT_EQ(upgrade.InvertRange(0, 2), TickResult::kRowUpgrading);
    EXPECT_EQ(upgrade.SetTicked(0, false), TickResult::kRowUpgrading);
    EXPECT_TRUE(upgrade.Row(0).ticked);
    EXPECT_FALSE(upgrade.SetRows({}));  // not while uploads run

    const auto start = std::chrono::steady_clock::now();
    upgrade.Stop();
    EXPECT_FALSE(upgrade.AnyRunning());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(FlashUpload, TwentyRecordersAtOnceAllSucceed) {
    auto fleet = StartFleet(20);
    ASSERT_TRUE(fleet);
    auto image = Image(300 * 1024 + 17);
    for (const DeviceRow& row : UpgradeAll(*fleet, image, QuickOptions(*fleet))) {
        EXPECT_EQ(row.state, "Upgrade succeeded") << row.ip;
    }
    for (int i = 0; i < fleet->Size(); ++i) {
        EXPECT_EQ(fleet->Recorder(i).LastUpload().image, image->bytes);
    }
}

}  // namespace
}  // namespace kestrel::flash
