// The simpler pages of the remote settings window against the in-process
// simulator: e-mail texts and numbers refused when their record cannot hold
// them, the mobile network types, the disk list in every state, and the
// settings window's tree over its pages, with a picture of each page.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

#include "CDlgAVBinding.h"
#include "CDlgChannelAlarm.h"
#include "CDlgCodeAudioPara.h"
#include "CDlgCodeVideoPara.h"
#include "CDlgDeviceAlarm.h"
#include "CDlgDiskManage.h"
#include "CDlgEmailAlarmSetting.h"
#include "CDlgLocale.h"
#include "CDlgMainSetup.h"
#include "CDlgMobilePara.h"
#include "CDlgNetworkCfg.h"
#include "CDlgRecordMode.h"
#include "CDlgSystemSetting.h"
#include "CDlgTvControl.h"
#include "device.h"
#include "live_messages.h"
#include "record_fields.h"
#include "settings_fixture.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui_test {
namespace {

using Setup = SettingsSetup;

// Stands in for the live page: keeps the snapshot requests.
struct SnapshotRequests : client::PageWindow {
    void Post(uint32_t message, intptr_t first, intptr_t second) override {
        if (message == client::UM_PANEL_COMMAND && first == ui::kPanelMotionSnapshot) {
            channels.push_back(static_cast<int>(second));
        }
    }
    std::vector<int> channels;
};

}  // namespace

class SettingsPagesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
    void EmailRefusesWhatItsRecordCannotHold();
    void MobileShowsTheNetworkKind();
    void DisksInEveryState();
    void AudioAndBindingSaveWithTheirOwnTexts();
    void TheTreeOpensEachPageOnceWithItsRecords();
    void SystemPasswordsAndTheStandardTheVideoPageFollows();
    void DeviceAlarmsEditEachEventOnItsOwn();
    void RecordScheduleCellsAndDays();
    void ChannelAlarmsPerEventPeriodsAndArea();
    void TvTunerActsAtOnce();
    void MalformedAnswersGiveEachPagesFailureText();
};

void SettingsPagesTest::EmailRefusesWhatItsRecordCannotHold() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgEmailAlarmSetting>();
    QCOMPARE(setup.Shown().size(), size_t{0});

    Type(page->ServerBox(), QString(36, QChar('s')));  // the field holds 35
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextInvalidPara));
    QCOMPARE(page->ServerBox()->text(), QString());
    QCOMPARE(client::FieldText(page->Record().smtp_server), std::string());
    Type(page->ServerBox(), QString(35, QChar('m')));
    Type(page->PortBox(), QStringLiteral("70000"));
    QCOMPARE(setup.Shown().size(), size_t{2});
    Type(page->PortBox(), QStringLiteral("587"));

    const size_t from = setup.Calls();
    page->Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_NET_SetEmailAttr", "QW_SRDK_DEV_SaveFlash"}));
    const auto stored = setup.fixture.Recorder().StoredRecord("QW_SRDK_NET_GetEmailAttr");
    QVERIFY(stored && stored->size() == sizeof(QwEmailAttr));
    QwEmailAttr saved{};
    std::memcpy(&saved, stored->data(), sizeof saved);
    QCOMPARE(client::FieldText(saved.smtp_server), std::string(35, 'm'));
    QCOMPARE(saved.smtp_port, 587u);
    SavePicture(*page, "email");
}

void SettingsPagesTest::MobileShowsTheNetworkKind() {
    const struct {
        int32_t stored;
        const char* shown;
    } kinds[] = {{0, "2.5G"},  {49, "2.5G"}, {50, "2.75G"}, {79, "2.75G"},
                 {80, "WIFI"}, {99, "WIFI"}, {100, "100"}};
    for (const auto& kind : kinds) {
        QCOMPARE(ui::CDlgMobilePara::NetworkTypeText(kind.stored), QString::fromLatin1(kind.shown));
    }
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgMobilePara>();
    QVERIFY(!page->NetworkType()->text().isEmpty());
    const size_t from = setup.Calls();
    page->Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_NET_MOBILE_SetOwspAttr",
                                       "QW_SRDK_NET_MOBILE_SetAttr", "QW_SRDK_DEV_SaveFlash"}));
    SavePicture(*page, "mobile");
}

void SettingsPagesTest::DisksInEveryState() {
    sim::RecorderConfig config = RecorderWithChannels(4);
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    config.disks = {{sim::DiskState::kNormal, 500 * kGiB, 120 * kGiB},
                    {sim::DiskState::kUnformatted, 250 * kGiB, 250 * kGiB},
                    {sim::DiskState::kBad, 1000 * kGiB, 0},
                    {sim::DiskState::kNoDisk, 0, 0}};
    Setup setup(config);
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgDiskManage>();
    QTreeWidget* list = page->List();
    QVERIFY(list->topLevelItemCount() >= 4);
    const auto row = [list](int i) {
        QStringList cells;
        for (int c = 0; c < 4; ++c) {
            cells << list->topLevelItem(i)->text(c);
        }
        return cells.join('|');
    };
    QCOMPARE(row(0), QStringLiteral("1|NORMAL|500G|120G"));
    QCOMPARE(row(1), QStringLiteral("2|NO FORMAT|250G|250G"));
    QCOMPARE(row(2), QStringLiteral("3|BAD DISK|1000G|0G"));
    QCOMPARE(row(3), QStringLiteral("4|NO DISK||"));
    SavePicture(*page, "disks");

    sim::RecorderConfig failing = RecorderWithChannels(4);
    failing.faults.mctp.failing_calls = {{"QW_SRDK_DEV_GetHddInfo", 1}};
    Setup refused(failing);
    QVERIFY(refused.ok);
    auto empty = refused.Open<ui::CDlgDiskManage>();
    QCOMPARE(refused.Shown(), std::vector<std::string>{"Refresh Failed!"});
    QCOMPARE(empty->List()->topLevelItemCount(), 0);
}

void SettingsPagesTest::AudioAndBindingSaveWithTheirOwnTexts() {
    Setup setup;
    QVERIFY(setup.ok);
    auto audio = setup.Open<ui::CDlgCodeAudioPara>();
    emit audio->Protocol(1)->activated(2);  // G.711A in the network stream
    QCOMPARE(audio->Record(1, 0).protocol, 2);
    size_t from = setup.Calls();
    audio->Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_MEDIA_SetAudioAttr", "QW_SRDK_MEDIA_SetAudioAttr",
                                       "QW_SRDK_DEV_SaveFlash"}));
    SavePicture(*audio, "audio");

    auto binding = setup.Open<ui::CDlgAVBinding>();
    binding->ChannelBox()->setCurrentIndex(2);
    ui::CDlgAVBinding& page = *binding;
    emit page.VideoChoice()->activated(page.VideoChoice()->count() - 1);  // "None"
    QCOMPARE(page.BoundVideo(), QW_AV_UNBOUND);
    page.DefaultBinding();
    QCOMPARE(page.BoundVideo(), 2);
    QCOMPARE(page.VideoChoice()->currentIndex(), 2);
    from = setup.Calls();
    page.Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_MEDIA_SetAVBindAttr", "QW_SRDK_DEV_SaveFlash"}));
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextSaveSuccess));

    sim::RecorderConfig failing = RecorderWithChannels(4);
    failing.faults.mctp.failing_calls = {{"QW_SRDK_MEDIA_GetAVBindAttr", 1},
                                         {"QW_SRDK_MEDIA_SetAudioAttr", 1}};
    Setup refused(failing);
    QVERIFY(refused.ok);
    refused.Open<ui::CDlgAVBinding>();
    QCOMPARE(refused.Shown(), std::vector<std::string>{"获取音视频绑定属性失败!"});
    refused.Open<ui::CDlgCodeAudioPara>()->Save();
    QCOMPARE(refused.Shown().back(), std::string("所有参数设置失败！"));
}

void SettingsPagesTest::TheTreeOpensEachPageOnceWithItsRecords() {
    Setup setup;
    QVERIFY(setup.ok);
    ui::CDlgMainSetup window(setup.fixture.Context(), nullptr);
    window.resize(1000, 613);
    window.show();
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    window.OnMessage(0x703, 0x705, 0);  // shown by the main window
    QCOMPARE(window.Tree()->currentItem()->text(0), QStringLiteral("ENCODE SETTING"));
    const size_t afterFirst = setup.Calls();
    QVERIFY(afterFirst > 0);
    window.Choose(client::SettingsPageId::kEmail);
    window.Choose(client::SettingsPageId::kVideoParameter);  // read once already
    const std::vector<std::string> calls = setup.CallsSince(afterFirst);
    QCOMPARE(calls, std::vector<std::string>{"QW_SRDK_NET_GetEmailAttr"});
    QCOMPARE(setup.Shown().size(), size_t{0});
    window.grab().save(QCoreApplication::applicationDirPath() + "/settings-window.png");
}

void SettingsPagesTest::SystemPasswordsAndTheStandardTheVideoPageFollows() {
    const QStringList zones = ui::CDlgSystemSetting::TimeZoneTexts();
    QCOMPARE(zones.size(), 26);
    QCOMPARE(zones[0], QStringLiteral("GMT-12:00"));
    QCOMPARE(zones[11], QStringLiteral("GMT-01:00"));
    QCOMPARE(zones[12], QStringLiteral("GMT"));
    QCOMPARE(zones[22], QStringLiteral("GMT+10:00"));
    QCOMPARE(zones[25], QStringLiteral("GMT+13:00"));

    Setup setup;
    QVERIFY(setup.ok);
    ui::CDlgMainSetup window(setup.fixture.Context(), nullptr);
    window.resize(1000, 613);
    window.show();
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    window.Choose(client::SettingsPageId::kVideoParameter);
    auto* video =
        qobject_cast<ui::CDlgCodeVideoPara*>(window.Page(client::SettingsPageId::kVideoParameter));
    QVERIFY(video != nullptr);
    QCOMPARE(video->RecordFrameRateHint()->text(), QStringLiteral("[1,25]"));
    window.Choose(client::SettingsPageId::kSystem);
    auto* system = qobject_cast<ui::CDlgSystemSetting*>(window.CurrentPage());
    QVERIFY(system != nullptr);

    // A confirmation that differs sends nothing.
    system->SuperPassword()->setText(QStringLiteral("abc"));
    system->SuperConfirmation()->setText(QStringLiteral("abd"));
    size_t from = setup.Calls();
    system->Save();
    QCOMPARE(setup.CallsSince(from), std::vector<std::string>{});
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextAdminPasswordMismatch));
    system->UserConfirmation()->setText(QStringLiteral("x"));
    system->Save();
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextUserPasswordMismatch));

    system->UserConfirmation()->setText(system->UserPassword()->text());
    system->SuperConfirmation()->setText(QStringLiteral("abc"));
    emit system->Standard()->activated(1);  // NTSC
    system->Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_SYS_SetSystemAttr", "QW_SRDK_SYS_SetDaylightAttr",
                                       "QW_SRDK_DEV_SaveFlash"}));
    const auto stored = setup.fixture.Recorder().StoredRecord("QW_SRDK_SYS_GetSystemAttr");
    QVERIFY(stored && stored->size() == sizeof(QwSystemAttr));
    QwSystemAttr saved{};
    std::memcpy(&saved, stored->data(), sizeof saved);
    QCOMPARE(client::FieldText(saved.super_password), std::string("abc"));
    QCOMPARE(saved.tv_standard, 1);
    // The window hears of it and the video page takes the new standard.
    QTRY_COMPARE(video->RecordFrameRateHint()->text(), QStringLiteral("[1,30]"));
    SavePicture(*system, "system");
}

void SettingsPagesTest::DeviceAlarmsEditEachEventOnItsOwn() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgDeviceAlarm>();
    auto* buzzer = page->findChildren<QComboBox*>()[2];  // event, enable, buzzer, ...
    page->EventChoice()->setCurrentIndex(2);             // DISK ERROR
    const uint8_t before = page->Inputs().device_event[1].buzzer;
    buzzer->setCurrentIndex(1);
    emit buzzer->activated(1);
    QCOMPARE(page->Inputs().device_event[2].buzzer, uint8_t{1});
    QCOMPARE(page->Inputs().device_event[1].buzzer, before);
    page->EventChoice()->setCurrentIndex(1);
    QCOMPARE(buzzer->currentIndex(), before != 0 ? 1 : 0);

    const size_t from = setup.Calls();
    page->Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_ALARM_SetAlarmInAttr",
                                       "QW_SRDK_ALARM_SetAlarmOutAttr", "QW_SRDK_DEV_SaveFlash"}));
    const auto stored = setup.fixture.Recorder().StoredRecord("QW_SRDK_ALARM_GetAlarmInAttr");
    QVERIFY(stored && stored->size() == sizeof(QwAlarmInAttr));
    QwAlarmInAttr saved{};
    std::memcpy(&saved, stored->data(), sizeof saved);
    QCOMPARE(saved.device_event[2].buzzer, uint8_t{1});
    SavePicture(*page, "device-alarm");
}

void SettingsPagesTest::RecordScheduleCellsAndDays() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgRecordMode>();
    page->ChannelBox()->setCurrentIndex(1);
    QTableWidget* grid = page->Grid7x24();
    // The first row shows day 6, the first column hour slot 23.
    grid->setCurrentCell(0, 0, QItemSelectionModel::ClearAndSelect);
    page->ApplyType(2);
    QCOMPARE(page->Schedule(1).slot[6][23], uint8_t{2});
    QCOMPARE(grid->item(0, 0)->data(Qt::UserRole).toInt(), 2);
    page->CopyDay(6, -1);  // EVERYDAY
    for (int day = 0; day < 7; ++day) {
        QCOMPARE(page->Schedule(1).slot[day][23], uint8_t{2});
    }

    const size_t from = setup.Calls();
    page->Save();
    QCOMPARE(setup.CallsSince(from), (std::vector<std::string>{"QW_SRDK_RECORDER_SetRecordAttr",
                                                               "QW_SRDK_RECORDER_SetRecordSchedule",
                                                               "QW_SRDK_DEV_SaveFlash"}));
    const auto stored = setup.fixture.Recorder().StoredRecord("QW_SRDK_RECORDER_GetRecordSchedule");
    QVERIFY(stored && stored->size() >= 2 * sizeof(QwRecordSchedule));
    const uint8_t* second = stored->data() + sizeof(QwRecordSchedule);
    QCOMPARE(second[2 + 24 * 6 + 23], uint8_t{2});
    QCOMPARE(second[2 + 24 * 0 + 23], uint8_t{2});
    SavePicture(*page, "record-mode");
}

void SettingsPagesTest::ChannelAlarmsPerEventPeriodsAndArea() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgChannelAlarm>();
    QCOMPARE(setup.Shown().size(), size_t{0});
    page->ChannelBox()->setCurrentIndex(1);
    // The enable drop-down follows the chosen event's record.
    auto* enable = page->findChildren<QComboBox*>()[2];  // channel, event, enable
    emit enable->activated(1);
    QCOMPARE(page->Motion(1).enable, 1);
    QCOMPARE(page->Inputs().enable[1], uint8_t{0});
    page->EventChoice()->setCurrentIndex(ui::CDlgChannelAlarm::kInput);
    QCOMPARE(enable->currentIndex(), 0);
    QVERIFY(page->AreaButton()->isHidden());

    // A period typed loosely is kept in one spelling; a wrong one comes back.
    QTableWidget* periods = page->Periods();
    periods->item(1, QW_PLAN_RECORD)->setText(QStringLiteral("19:00 - 21:15"));
    QCOMPARE(periods->item(1, QW_PLAN_RECORD)->text(), QStringLiteral("19:00-21:15"));
    QCOMPARE(page->Schedule(1).plan[QW_PLAN_RECORD][1].end_minute, uint8_t{15});
    periods->item(0, QW_PLAN_SNAP)->setText(QStringLiteral("18:00-08:00"));
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextInvalidPara));
    QCOMPARE(periods->item(0, QW_PLAN_SNAP)->text(), QStringLiteral("08:00-18:00"));

    // MD AREA: the live page is asked for a snapshot before the editor opens.
    SnapshotRequests live;
    setup.fixture.Context().pages.Register(client::PageId::kLiveView, &live);
    page->EventChoice()->setCurrentIndex(ui::CDlgChannelAlarm::kMotion);
    bool snapshotFirst = false;
    page->SetRegionEditorHook([&](ui::CDlgLocale& editor) {
        snapshotFirst = live.channels == std::vector<int>{1};
        editor.show();
        ui::CSelectStatic& grid = *editor.Grid();
        const QPoint first(grid.CellWidth() / 2, grid.CellHeight() / 2);
        const QPoint last(grid.CellWidth() * 3 / 2, grid.CellHeight() * 3 / 2);
        QTest::mousePress(&grid, Qt::LeftButton, {}, first);
        QTest::mouseRelease(&grid, Qt::LeftButton, {}, last);
        editor.Confirm();
    });
    page->AreaButton()->click();
    QTRY_VERIFY(snapshotFirst);
    setup.fixture.Context().pages.Unregister(client::PageId::kLiveView, &live);
    // Cells (0,0), (0,1), (1,0), (1,1): bits 0, 1, 15 and 16.
    QTRY_COMPARE(page->Motion(1).area[0], uint8_t{0x03});
    QCOMPARE(page->Motion(1).area[1], uint8_t{0x80});
    QCOMPARE(page->Motion(1).area[2], uint8_t{0x01});

    const size_t from = setup.Calls();
    page->Save();
    std::vector<std::string> expected{"QW_SRDK_ALARM_SetAlarmInAttr",
                                      "QW_SRDK_ALARM_SetAlarmOutAttr", "QW_SRDK_ALARM_SetMDAttr"};
    expected.insert(expected.end(), 4, "QW_SRDK_ALARM_SetAlarmInSchedule");
    expected.push_back("QW_SRDK_DEV_SaveFlash");
    QCOMPARE(setup.CallsSince(from), expected);
    const auto stored = setup.fixture.Recorder().StoredRecord("QW_SRDK_ALARM_GetMDAttr");
    QVERIFY(stored && stored->size() >= 2 * sizeof(QwMdAttr));
    QwMdAttr second{};
    std::memcpy(&second, stored->data() + sizeof(QwMdAttr), sizeof second);
    QCOMPARE(second.enable, 1);
    QCOMPARE(second.area[1], uint8_t{0x80});
    SavePicture(*page, "channel-alarm");
}

void SettingsPagesTest::TvTunerActsAtOnce() {
    Setup setup;
    QVERIFY(setup.ok);
    ui::CDlgTvControl dialog(setup.fixture.Context());
    QCOMPARE(dialog.ProgramLabel()->text(), QStringLiteral("1"));
    QCOMPARE(dialog.StandardChoice()->currentIndex(), 0);
    const size_t from = setup.Calls();
    dialog.IncButton()->click();
    dialog.IncButton()->click();
    QCOMPARE(dialog.ProgramLabel()->text(), QStringLiteral("3"));
    dialog.DecButton()->click();
    emit dialog.StandardChoice()->activated(4);
    dialog.OutputButton()->click();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_TV_ProgramInc", "QW_SRDK_TV_ProgramInc",
                                       "QW_SRDK_TV_ProgramDec", "QW_SRDK_TV_SetTVAttr",
                                       "QW_SRDK_TV_OutPutSwitch", "QW_SRDK_DEV_SaveFlash"}));
    dialog.Refresh();
    QCOMPARE(dialog.StandardChoice()->currentIndex(), 4);
    QCOMPARE(dialog.ProgramLabel()->text(), QStringLiteral("2"));
    QCOMPARE(setup.Shown().size(), size_t{0});
    dialog.resize(dialog.sizeHint());
    SavePicture(dialog, "tv-control");

    sim::RecorderConfig failing = RecorderWithChannels(4);
    failing.faults.mctp.failing_calls = {{"QW_SRDK_TV_GetTVAttr", 1}};
    Setup refused(failing);
    QVERIFY(refused.ok);
    ui::CDlgTvControl empty(refused.fixture.Context());
    QCOMPARE(refused.Shown(), std::vector<std::string>{refused.Text(client::kTextRefreshFailed)});
    QCOMPARE(empty.ProgramLabel()->text(), QString());
}

void SettingsPagesTest::MalformedAnswersGiveEachPagesFailureText() {
    using Opener = std::function<std::unique_ptr<ui::SettingsPage>(Setup&)>;
    const struct {
        const char* call;  // answered with one segment too many
        std::string tag;
        Opener open;
    } cases[] = {
        {"QW_SRDK_MEDIA_GetVideoAttr",
         "Video para:", [](Setup& s) { return s.Open<ui::CDlgCodeVideoPara>(); }},
        {"QW_SRDK_MEDIA_GetAudioAttr",
         "Audio para:", [](Setup& s) { return s.Open<ui::CDlgCodeAudioPara>(); }},
        {"QW_SRDK_RECORDER_GetRecordSchedule",
         "Record Cfg:", [](Setup& s) { return s.Open<ui::CDlgRecordMode>(); }},
        {"QW_SRDK_ALARM_GetAlarmInSchedule",
         "Channel Alarm:", [](Setup& s) { return s.Open<ui::CDlgChannelAlarm>(); }},
        {"QW_SRDK_ALARM_GetAlarmOutAttr",
         "Device Alarm:", [](Setup& s) { return s.Open<ui::CDlgDeviceAlarm>(); }},
        {"QW_SRDK_NET_GetDdnsAttr",
         "Network Cfg:", [](Setup& s) { return s.Open<ui::CDlgNetworkCfg>(); }},
        {"QW_SRDK_NET_MOBILE_GetOwspAttr",
         "Mobile Para:", [](Setup& s) { return s.Open<ui::CDlgMobilePara>(); }},
        {"QW_SRDK_NET_GetEmailAttr",
         "Email:", [](Setup& s) { return s.Open<ui::CDlgEmailAlarmSetting>(); }},
        {"QW_SRDK_SYS_GetDaylightAttr",
         "System Setting:", [](Setup& s) { return s.Open<ui::CDlgSystemSetting>(); }},
        {"QW_SRDK_DEV_GetHddInfo", "", [](Setup& s) { return s.Open<ui::CDlgDiskManage>(); }},
    };
    for (const auto& malformed : cases) {
        sim::RecorderConfig config = RecorderWithChannels(4);
        config.faults.mctp.wrong_segment_count = true;
        config.faults.mctp.misanswer_only = malformed.call;
        Setup setup(config);
        QVERIFY(setup.ok);
        const std::string failed = malformed.tag + setup.Text(client::kTextRefreshFailed);
        std::unique_ptr<ui::SettingsPage> page = malformed.open(setup);
        QVERIFY2(setup.Shown() == std::vector<std::string>{failed}, malformed.call);
        // The page still answers: another refresh fails the same way.
        page->Refresh();
        QCOMPARE(setup.Shown().size(), size_t{2});
        QCOMPARE(setup.Shown().back(), failed);
    }
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::SettingsPagesTest)
#include "settings_pages_test.moc"
