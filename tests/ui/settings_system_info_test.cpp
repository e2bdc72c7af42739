// PTZ SETTING, VERSION INFO and REMOTE UPGRADE in the settings window against
// the in-process simulator: what the PTZ page sends and when, how the device
// information shows, and which upgrade tool the launcher starts for whom.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "CDlgMainSetup.h"
#include "CDlgPTZConfig.h"
#include "CDlgRemoteUpgrade.h"
#include "CDlgVersionInfo.h"
#include "device.h"
#include "page_messages.h"
#include "settings_fixture.h"
#include "theme.h"

namespace kestrel::ui_test {
namespace {

using client::SettingsPageId;
using Ptz = ui::CDlgPTZConfig;
using Info = ui::CDlgVersionInfo;

// The whole settings window, as the operator sees it.
struct Setup : SettingsSetup {
    explicit Setup(sim::RecorderConfig config = RecorderWithChannels(4),
                   const std::string& user = "admin")
        : SettingsSetup(std::move(config), user) {
        window.resize(1000, 613);
        window.show();
        window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    }
    template <typename Page>
    Page* Choose(SettingsPageId id) {
        window.Choose(id);
        return qobject_cast<Page*>(window.Page(id));
    }

    ui::CDlgMainSetup window{fixture.Context(), nullptr};
};

// An upgrade tool that notes its argument count; the marker is renamed into
// place so it never shows up empty.
void WriteStandIn(const QString& folder) {
    QFile script(folder + "/KestrelFlash");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        "#!/bin/sh\necho \"$#\" > \"${0%/*}/new\" && mv \"${0%/*}/new\" \"${0%/*}/ran\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

}  // namespace

class SettingsSystemInfoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
    void PtzDefaultsAndCopiesGoOutOnlyWithSetup();
    void PtzRefusesWhatItCannotShowOrSend();
    void VersionInfoFormatsTheDevice();
    void UpgradeToolForAdministratorsOnly();
};

void SettingsSystemInfoTest::PtzDefaultsAndCopiesGoOutOnlyWithSetup() {
    Setup setup;
    QVERIFY(setup.ok);
    Ptz* page = setup.Choose<Ptz>(SettingsPageId::kPtzConfig);
    QVERIFY(page != nullptr);
    page->ChannelBox()->setCurrentIndex(2);
    QCOMPARE(page->Choice(Ptz::kAddress)->currentText(), QStringLiteral("3"));
    SavePicture(*page, "ptz");

    const size_t from = setup.fixture.Recorder().Observed().MctpRequests().size();
    page->RestoreDefault();
    page->ChannelBox()->setCurrentIndex(0);
    emit page->Choice(Ptz::kAddress)->activated(6);
    emit page->Choice(Ptz::kProtocol)->activated(1);
    setup.fixture.Context().device->copyFlags[3] = 1;
    page->OnMessage(ui::UM_COPY_SETTINGS, ui::kCopyChannelsCode, 1);
    QCOMPARE(setup.CallsSince(from), std::vector<std::string>{});
    page->Save();
    QCOMPARE(setup.CallsSince(from),
             (std::vector<std::string>{"QW_SRDK_DEV_SetPtzAttr", "QW_SRDK_DEV_SaveFlash"}));
    QCOMPARE(setup.Shown(), std::vector<std::string>{"Save Success!"});  // REFRESH was silent
    const auto stored = setup.fixture.Recorder().StoredRecord("QW_SRDK_DEV_GetPtzAttr");
    QVERIFY(stored && stored->size() == 4 * sizeof(QwPtzAttr));
    for (int32_t channel = 0; channel < 4; ++channel) {
        QwPtzAttr record{};
        std::memcpy(&record, stored->data() + static_cast<size_t>(channel) * sizeof record,
                    sizeof record);
        const bool copied = channel == 0 || channel == 3;
        QCOMPARE(record.channel, channel);
        QCOMPARE(record.protocol, int32_t{copied ? QW_PTZ_PELCO_P : QW_PTZ_PELCO_D});
        QCOMPARE(record.address, uint8_t(copied ? 7 : 1));
        QCOMPARE(std::vector<int>({record.baud, record.data_bits, record.stop_bits, record.parity}),
                 std::vector<int>({QW_BAUD_9600, QW_DATA_BITS_8, QW_STOP_BITS_1, QW_PARITY_ODD}));
    }

    setup.fixture.Context().SetLanguage(client::kLanguageSimplifiedChinese);
    Ptz chinese(setup.fixture.Context(), nullptr);
    chinese.resize(740, 560);
    chinese.Open();
    SavePicture(chinese, "ptz-zh");
}

void SettingsSystemInfoTest::PtzRefusesWhatItCannotShowOrSend() {
    // After a failed first read SETUP must not send the empty records.
    sim::RecorderConfig failing = RecorderWithChannels(4);
    failing.faults.mctp.failing_calls = {{"QW_SRDK_DEV_GetPtzAttr", 1}};
    Setup refused(failing);
    QVERIFY(refused.ok);
    Ptz* page = refused.Choose<Ptz>(SettingsPageId::kPtzConfig);
    const size_t from = refused.fixture.Recorder().Observed().MctpRequests().size();
    page->Save();
    QCOMPARE(refused.CallsSince(from), std::vector<std::string>{});
    QCOMPARE(refused.Shown(),
             (std::vector<std::string>{"PTZ Cfg:Refresh Failed!", "Save Failed!"}));

    // Two records for four channels: the third has none.
    sim::RecorderConfig shortAnswer = RecorderWithChannels(4);
    shortAnswer.faults.mctp.array_records = 2;
    shortAnswer.faults.mctp.misanswer_only = "QW_SRDK_DEV_GetPtzAttr";
    Setup few(shortAnswer);
    QVERIFY(few.ok);
    page = few.Choose<Ptz>(SettingsPageId::kPtzConfig);
    page->ChannelBox()->setCurrentIndex(2);
    QCOMPARE(few.Shown().size(), size_t{0});
    page->Refresh();
    QCOMPARE(few.Shown(), std::vector<std::string>{"PTZ Cfg:Invalid Channel!"});
}

void SettingsSystemInfoTest::VersionInfoFormatsTheDevice() {
    sim::RecorderConfig config = RecorderWithChannels(4);
    config.device_type = 38420;
    Setup setup(config);
    QVERIFY(setup.ok);
    Info* page = setup.Choose<Info>(SettingsPageId::kVersionInfo);
    QVERIFY(page != nullptr);
    QCOMPARE(setup.Shown().size(), size_t{0});
    QCOMPARE(page->Box(Info::kDeviceType)->text(), QStringLiteral("0x9614"));
    QCOMPARE(page->Box(Info::kDeviceId)->text(), QStringLiteral("1"));
    for (int field = 0; field < Info::kFields; ++field) {
        const auto which = static_cast<Info::Field>(field);
        const bool shown = field <= Info::kSoftwareVersion;
        QVERIFY(!page->Box(which)->text().isEmpty());
        QCOMPARE(page->Box(which)->isVisible(), shown);
        QCOMPARE(page->Caption(which)->isVisible(), shown);
    }
    SavePicture(*page, "version-info");
    SavePicture(setup.window, "system-info-window");

    sim::RecorderConfig failing = RecorderWithChannels(4);
    failing.faults.mctp.failing_calls = {{"QW_SRDK_DEV_GetDeviceInfo", 1}};
    Setup refused(failing);
    QVERIFY(refused.ok);
    page = refused.Choose<Info>(SettingsPageId::kVersionInfo);
    QCOMPARE(refused.Shown(), std::vector<std::string>{"Get info of Device Failed!"});
    QCOMPARE(page->Box(Info::kName)->text(), QString());
}

void SettingsSystemInfoTest::UpgradeToolForAdministratorsOnly() {
    Setup plain(RecorderWithChannels(4), "user");
    QVERIFY(plain.ok);
    QCOMPARE(plain.fixture.Context().rights.level, 9);
    auto* page = plain.Choose<ui::CDlgRemoteUpgrade>(SettingsPageId::kRemoteUpgrade);
    QVERIFY(page != nullptr && page->UpgradeButton()->isHidden());

    Setup admin;
    QVERIFY(admin.ok);
    page = admin.Choose<ui::CDlgRemoteUpgrade>(SettingsPageId::kRemoteUpgrade);
    QVERIFY(page->UpgradeButton()->isVisible());
    SavePicture(*page, "remote-upgrade");

    // The program's own folder wins over the search path, which serves when
    // the folder has no tool.
    QTemporaryDir onPath, beside, empty;
    WriteStandIn(onPath.path());
    WriteStandIn(beside.path());
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(onPath.path()) + ":" + oldPath);
    for (const QTemporaryDir* folder : {&empty, &beside}) {
        const QString ran = (folder == &empty ? onPath : beside).filePath("ran");
        page->SetProgramFolder(folder->path());
        page->UpgradeButton()->click();
        QTRY_VERIFY(QFile::exists(ran));
        QFile marker(ran);
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll(), QByteArray("0\n"));  // no arguments
    }
    qputenv("PATH", oldPath);
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::SettingsSystemInfoTest)
#include "settings_system_info_test.moc"
