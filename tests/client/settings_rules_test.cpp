// The rules under the remote settings pages: the encoder's frame budget with
// its frame-rate, resolution and copy checks, the bit-rate table and the
// quality it shows, the region editor's packed cells and snapping, and the
// record schedule grid's rows and columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "alarm_periods.h"
#include "region_cells.h"
#include "settings_tree.h"
#include "text_ids.h"
#include "video_capacity.h"

namespace kestrel::client {
namespace {

using Result = CapacityCheck::Result;

QwVideoAttr Channel(int32_t resolution, int32_t frameRate) {
    QwVideoAttr record{};
    record.resolution = resolution;
    record.frame_rate = frameRate;
    return record;
}

// A PAL 38418 (budget 200) with three channels at D1/15 (load 180) and the
// current one, channel 3.
std::vector<QwVideoAttr> LoadedRecorder(int32_t resolution, int32_t frameRate) {
    return {Channel(QW_RES_D1, 15), Channel(QW_RES_D1, 15), Channel(QW_RES_D1, 15),
            Channel(resolution, frameRate)};
}

TEST(VideoCapacity, FrameRateAndResolutionStayInsideTheBudget) {
    const VideoCapacity pal{38418, false};
    ASSERT_EQ(pal.Budget(), 200);
    const auto cif = LoadedRecorder(QW_RES_CIF, 10);
    EXPECT_EQ(CheckFrameRate(pal, cif, 3, 20).result, Result::kFits);
    const CapacityCheck over = CheckFrameRate(pal, cif, 3, 25);
    EXPECT_EQ(over.result, Result::kOverBudget);
    EXPECT_EQ(over.maxValue, 20);

    // D1 for 10 fps would need 40 of the 20 left: HD1 (20) is what fits.
    const CapacityCheck d1 = CheckResolution(pal, cif, 3, QW_RES_D1);
    EXPECT_EQ(d1.result, Result::kOverBudget);
    EXPECT_EQ(d1.maxValue, QW_RES_HD1);
    EXPECT_EQ(CheckResolution(pal, cif, 3, QW_RES_HD1).result, Result::kFits);
    EXPECT_EQ(CheckResolution(pal, LoadedRecorder(QW_RES_CIF, 15), 3, QW_RES_HD1).maxValue,
              QW_RES_CIF);
    // No frame rate stored: nothing to divide by and nothing to weigh.
    EXPECT_EQ(CheckResolution(pal, LoadedRecorder(QW_RES_CIF, 0), 3, QW_RES_D1).result,
              Result::kFits);

    const VideoCapacity ntsc{38418, true};
    EXPECT_EQ(ntsc.Budget(), 240);
    for (int32_t bad : {0, 31, -5}) {
        EXPECT_EQ(CheckFrameRate(ntsc, cif, 3, bad).result, Result::kInvalid) << bad;
    }
    EXPECT_EQ(CheckFrameRate(ntsc, cif, 3, 30).result, Result::kFits);
    EXPECT_EQ(CheckFrameRate(pal, cif, 4, 10).result, Result::kInvalid) << "no such channel";
}

TEST(VideoCapacity, BudgetsPerDeviceTypeAndStandard) {
    const struct {
        int32_t type;
        int32_t pal, ntsc;
    } cases[] = {{38418, 200, 240}, {38419, 200, 240}, {38420, 400, 480},
                 {38421, 400, 480}, {5395, 100, 120},  {12345, 200, 240}};
    for (const auto& c : cases) {
        EXPECT_EQ((VideoCapacity{c.type, false}.Budget()), c.pal) << c.type;
        EXPECT_EQ((VideoCapacity{c.type, true}.Budget()), c.ntsc) << c.type;
    }
}

TEST(VideoCapacity, CopyCountsTheSourceOnceForEveryTarget) {
    // Four channels at D1/25 from one source: 4 x 25 x 4 = 400 units.
    std::vector<QwVideoAttr> records(8, Channel(QW_RES_CIF, 0));
    records[0] = Channel(QW_RES_D1, 25);
    std::vector<uint32_t> flags(8, 0);
    flags[1] = flags[2] = flags[3] = 1;
    EXPECT_EQ(CheckCopy({38420, false}, records, 0, flags, 3).result, Result::kFits);
    records[5] = Channel(QW_RES_CIF, 1);  // one unit more than a 400 budget holds
    const CapacityCheck over = CheckCopy({38420, false}, records, 0, flags, 3);
    EXPECT_EQ(over.result, Result::kOverBudget);
    EXPECT_EQ(over.maxValue, (400 - 1) / 4 / 4);
    // A flagged channel's own load does not count: it is overwritten.
    records[2] = Channel(QW_RES_D1, 25);
    EXPECT_EQ(CheckCopy({38420, false}, records, 0, flags, 3).maxValue, over.maxValue);
}

TEST(VideoCapacity, BitRateTableQualityAndDefaults) {
    EXPECT_EQ(TableBitRate(38418, QW_RES_D1, VideoQuality::kBest), 1536);
    EXPECT_EQ(TableBitRate(38420, QW_RES_HD1, VideoQuality::kNormal), 512);
    EXPECT_EQ(TableBitRate(38419, QW_RES_CIF, VideoQuality::kFine), 512);
    EXPECT_EQ(TableBitRate(38421, QW_RES_CIF, VideoQuality::kBest), 2048);
    EXPECT_EQ(TableBitRate(5395, QW_RES_CIF, VideoQuality::kBest), 768);

    EXPECT_EQ(QualityOfBitRate(38418, QW_RES_D1, 2000), VideoQuality::kBest);
    EXPECT_EQ(QualityOfBitRate(38418, QW_RES_D1, 1536), VideoQuality::kBest);
    EXPECT_EQ(QualityOfBitRate(38418, QW_RES_D1, 1535), VideoQuality::kFine);
    EXPECT_EQ(QualityOfBitRate(38418, QW_RES_D1, 1024), VideoQuality::kFine);
    EXPECT_EQ(QualityOfBitRate(38418, QW_RES_D1, 1023), VideoQuality::kNormal);

    std::vector<QwVideoAttr> records(4, Channel(QW_RES_D1, 12));
    RestoreRecordStreamDefaults(38421, records);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].channel, static_cast<int32_t>(i));
        EXPECT_EQ(records[i].resolution, QW_RES_CIF);
        EXPECT_EQ(records[i].frame_rate, 25);
        EXPECT_EQ(records[i].bit_rate, 2048);
    }
}

TEST(RegionCells, PackingKeepsRowsFifteenBitsApart) {
    RegionCells all{};
    all.fill(0x7FFF);
    const PackedRegion packed = PackCells(all, 12, 15);
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(packed[i], 0xFF) << i;
    }
    EXPECT_EQ(packed[22], 0x0F);
    for (int i = 23; i < 32; ++i) {
        EXPECT_EQ(packed[i], 0) << i;
    }
    // Fewer columns leave the rest of each row's 15 bits clear.
    const PackedRegion narrow = PackCells(all, 2, 11);
    EXPECT_EQ(narrow[0], 0xFF);
    EXPECT_EQ(narrow[1], 0x87);  // bits 8..10 of row 0, and bit 15: row 1 starts there
    EXPECT_EQ(narrow[2], 0xFF);
    EXPECT_EQ(narrow[3], 0x03);  // bits 24 and 25, row 1's last columns

    // Any pattern of the 180 used bits survives the round trip.
    PackedRegion pattern{};
    for (int i = 0; i < 22; ++i) {
        pattern[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    pattern[22] = 0x0A;
    EXPECT_EQ(PackCells(UnpackCells(pattern), 12, 15), pattern);
}

TEST(RegionCells, SnappingAndFlipping) {
    // 15 cells of 20 pixels: the far edge (300) and beyond are in the last cell.
    EXPECT_EQ(CellUnder(0, 20, 15), 0);
    EXPECT_EQ(CellUnder(299, 20, 15), 14);
    EXPECT_EQ(CellUnder(300, 20, 15), 14);
    EXPECT_EQ(CellUnder(-3, 20, 15), 0);
    EXPECT_EQ(CellUnder(40, 0, 15), 0);

    RegionCells cells{};
    cells[1] = 0x0004;
    FlipCells(cells, 1, 0, 3, 2, 12, 15);
    EXPECT_EQ(cells[0], 0x000E);
    EXPECT_EQ(cells[1], 0x000A);
    FlipCells(cells, 1, 0, 3, 2, 12, 15);
    EXPECT_EQ(cells[0], 0);
    EXPECT_EQ(cells[1], 0x0004) << "a second drag over the same cells restores them";
    FlipCells(cells, 10, 11, 20, 20, 12, 11);  // only column 10 of row 11 is inside
    EXPECT_EQ(cells[11], 1 << 10);
}

TEST(ScheduleGrid, RowsAndColumnsStartWithTheDayAndHourBefore) {
    EXPECT_EQ(ScheduleRowOfDay(0), 2);
    EXPECT_EQ(ScheduleRowOfDay(6), 1);
    EXPECT_EQ(ScheduleColumnOfHour(0), 2);
    EXPECT_EQ(ScheduleColumnOfHour(23), 1);
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(ScheduleDayOfRow(ScheduleRowOfDay(day)), day);
    }
    for (int hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(ScheduleHourOfColumn(ScheduleColumnOfHour(hour)), hour);
    }
    EXPECT_EQ(ScheduleDayOfRow(0), -1);
    EXPECT_EQ(ScheduleHourOfColumn(25), -1);
}

TEST(AlarmPeriods, TypedPeriodsAreCheckedAndSpelledOneWay) {
    QwAlarmPeriod period{};
    ASSERT_TRUE(ParseAlarmPeriod(" 8:05 - 17:30", &period));
    EXPECT_EQ(AlarmPeriodText(period), "08:05-17:30");
    ASSERT_TRUE(ParseAlarmPeriod("", &period));
    EXPECT_EQ(AlarmPeriodText(period), "");  // start equal to end: unused
    const QwAlarmPeriod kept{1, 2, 3, 4};
    for (const char* bad : {"24:00-24:00", "10:60-11:00", "18:00-08:00", "8-9", "08:00-09:00x",
                            "123:00-124:00", "08:0-09:00"}) {
        period = kept;
        EXPECT_FALSE(ParseAlarmPeriod(bad, &period)) << bad;
        EXPECT_EQ(AlarmPeriodText(period), "01:02-03:04") << bad;
    }
}

std::vector<int> TextsOf(const std::vector<SettingsTreeItem>& items) {
    std::vector<int> texts;
    for (const SettingsTreeItem& item : items) {
        texts.push_back(item.textId);
    }
    return texts;
}

bool Offers(const std::vector<SettingsTreeItem>& items, int textId) {
    const std::vector<int> texts = TextsOf(items);
    return std::find(texts.begin(), texts.end(), textId) != texts.end();
}

TEST(SettingsTree, TheOfferFollowsTheRecorderAndTheLogin) {
    SettingsAccess admin{0x01000207, 0x02016100, 11, 1};
    const std::vector<SettingsTreeItem> all = OfferedSettingsItems(admin);
    ASSERT_EQ(all.size(), 22u);
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_LT(all[i].parent, static_cast<int>(i)) << "a branch comes before its children";
    }
    EXPECT_EQ(all[1].textId, kTextVideoParameter);
    EXPECT_EQ(all[1].parent, 0);
    EXPECT_EQ(all[0].page, SettingsPageId::kVideoParameter);

    SettingsAccess user = admin;
    user.level = 9;
    const std::vector<SettingsTreeItem> plain = OfferedSettingsItems(user);
    EXPECT_FALSE(Offers(plain, kTextUserManager));
    EXPECT_FALSE(Offers(plain, kTextAddOrDelete));
    // REMOTE UPGRADE sits right after VERSION INFO for every login.
    const std::vector<int> texts = TextsOf(plain);
    const auto version = std::find(texts.begin(), texts.end(), kTextVersionInfo);
    ASSERT_TRUE(version != texts.end() && version + 1 != texts.end());
    EXPECT_EQ(*(version + 1), kTextRemoteUpgrade);
    const SettingsTreeItem& upgrade = plain[static_cast<size_t>(version + 1 - texts.begin())];
    EXPECT_EQ(upgrade.page, SettingsPageId::kRemoteUpgrade);
    EXPECT_EQ(plain[static_cast<size_t>(upgrade.parent)].textId, kTextSystemInfo);
    user.level = 10;
    user.rightsB = 2;
    EXPECT_TRUE(Offers(OfferedSettingsItems(user), kTextModifyPasswordOrPermission));
    EXPECT_FALSE(Offers(OfferedSettingsItems(user), kTextPtzSetting));

    SettingsAccess reduced = admin;
    reduced.deviceType = 0x01000402;
    reduced.deviceSubtype = 0x04000009;
    const std::vector<SettingsTreeItem> fewer = OfferedSettingsItems(reduced);
    EXPECT_EQ(fewer.size(), all.size() - 5);
    for (int hidden :
         {kTextVideoParameter, kTextChannelAlarm, kTextPtzSetting, kTextMobile, kTextEmail}) {
        EXPECT_FALSE(Offers(fewer, hidden)) << hidden;
    }
    EXPECT_EQ(fewer[0].textId, kTextEncodeSetting);
    EXPECT_EQ(fewer[0].page, SettingsPageId::kNone);
    // Children point at their branch's new place.
    for (const SettingsTreeItem& item : fewer) {
        if (item.textId == kTextNetworkItem) {
            EXPECT_EQ(fewer[static_cast<size_t>(item.parent)].textId, kTextNetworkSetting);
        }
    }
}

}  // namespace
}  // namespace kestrel::client
