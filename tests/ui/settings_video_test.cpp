// The video parameter page of the remote settings window against the
// in-process simulator: the frame budget's messages, REFRESH and its
// failure text, SAVE's order and its stop at the first failure, DEFAULT
// without a save, and copies checked against the budget.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CDlgCodeVideoPara.h"
#include "CDlgCopyChannelTo.h"
#include "device.h"
#include "kestrel_net_config.h"
#include "text_ids.h"
#include "theme.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

using ui::CDlgCodeVideoPara;

QwVideoAttr Channel(int32_t channel, int32_t resolution, int32_t frameRate) {
    QwVideoAttr record{};
    record.channel = channel;
    record.resolution = resolution;
    record.frame_rate = frameRate;
    record.bit_rate = 512;
    record.gop = 50;
    return record;
}

// A four-channel recorder of the given type and standard.
sim::RecorderConfig Recorder(uint32_t deviceType, sim::TvStandard standard) {
    sim::RecorderConfig config = RecorderWithChannels(4);
    config.device_type = deviceType;
    config.tv_standard = standard;
    return config;
}

// Stores the record stream on the recorder, as another client would have.
bool StoreRecordStream(UiFixture& fixture, std::vector<QwVideoAttr> records) {
    return QW_SRDK_MEDIA_SetVideoAttr(fixture.Context().device->handle, 0, records.data(),
                                      static_cast<int32_t>(records.size())) == 0;
}

std::vector<std::string> CallsSince(const sim::RecorderSim& recorder, size_t from) {
    std::vector<std::string> names;
    const auto requests = recorder.Observed().MctpRequests();
    for (size_t i = from; i < requests.size(); ++i) {
        names.push_back(requests[i].function);
    }
    return names;
}

struct PageSetup {
    explicit PageSetup(sim::RecorderConfig config) {
        ok = fixture.StartRecorder(std::move(config)) && fixture.LogIn();
    }
    // Opens the page as the settings window does when its item is chosen.
    CDlgCodeVideoPara& Open() {
        page = std::make_unique<CDlgCodeVideoPara>(fixture.Context(), nullptr);
        page->resize(740, 560);
        page->show();
        page->Open();
        return *page;
    }
    std::vector<std::string>& Shown() { return fixture.messages.shown; }
    std::string Text(int id) { return fixture.Context().LoadText(id); }

    UiFixture fixture;
    bool ok = false;
    std::unique_ptr<CDlgCodeVideoPara> page;
};

}  // namespace

class SettingsVideoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
    void TheBudgetRefusesWhatTheEncoderCannotTake();
    void RefreshIsSilentUnlessItFails();
    void SaveGoesInOrderAndStopsAtTheFirstFailure();
    void DefaultStaysInTheWindowAndCopiesRespectTheBudget();
};

void SettingsVideoTest::TheBudgetRefusesWhatTheEncoderCannotTake() {
    PageSetup setup(Recorder(38418, sim::TvStandard::kPal));
    QVERIFY(setup.ok);
    QVERIFY(
        StoreRecordStream(setup.fixture, {Channel(0, QW_RES_D1, 15), Channel(1, QW_RES_D1, 15),
                                          Channel(2, QW_RES_D1, 15), Channel(3, QW_RES_CIF, 10)}));
    CDlgCodeVideoPara& page = setup.Open();
    QCOMPARE(setup.Shown().size(), size_t{0});
    QCOMPARE(page.RecordFrameRateHint()->text(), QStringLiteral("[1,25]"));
    page.ChannelBox()->setCurrentIndex(3);
    QCOMPARE(page.RecordFrameRate()->text(), QStringLiteral("10"));

    page.RecordFrameRate()->setText(QStringLiteral("25"));
    page.CommitRecordFrameRate();
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextCapabilityNotEnough) + " 20!");
    QCOMPARE(page.RecordFrameRate()->text(), QStringLiteral("10"));
    QCOMPARE(page.Record(CDlgCodeVideoPara::kRecordStream, 3).frame_rate, 10);

    // D1 at 10 fps would need 40 of the 20 left; HD1 is what fits.
    page.RecordResolution()->setCurrentIndex(2);
    emit page.RecordResolution()->activated(2);
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextCapabilityNotEnough) + " HD1!");
    QCOMPARE(page.RecordResolution()->currentIndex(), 0);
    emit page.RecordResolution()->activated(1);
    QCOMPARE(page.Record(CDlgCodeVideoPara::kRecordStream, 3).resolution, QW_RES_HD1);
    QCOMPARE(page.Record(CDlgCodeVideoPara::kRecordStream, 3).bit_rate, 768);  // HD1, FINE

    PageSetup ntsc(Recorder(38418, sim::TvStandard::kNtsc));
    QVERIFY(ntsc.ok);
    CDlgCodeVideoPara& other = ntsc.Open();
    QCOMPARE(other.RecordFrameRateHint()->text(), QStringLiteral("[1,30]"));
    const QString stored = other.RecordFrameRate()->text();
    for (const char* typed : {"0", "31"}) {
        other.RecordFrameRate()->setText(QString::fromLatin1(typed));
        other.CommitRecordFrameRate();
        QCOMPARE(ntsc.Shown().back(),
                 std::string(typed) + "：" + ntsc.Text(client::kTextInvalidPara));
        QCOMPARE(other.RecordFrameRate()->text(), stored);
    }
}

void SettingsVideoTest::RefreshIsSilentUnlessItFails() {
    PageSetup good(Recorder(38420, sim::TvStandard::kPal));
    QVERIFY(good.ok);
    good.Open().Refresh();
    QCOMPARE(good.Shown().size(), size_t{0});

    sim::RecorderConfig config = Recorder(38420, sim::TvStandard::kPal);
    config.faults.mctp.failing_calls = {{"QW_SRDK_MEDIA_GetVideoAttr", 1}};
    PageSetup refused(config);
    QVERIFY(refused.ok);
    refused.Open();
    QCOMPARE(refused.Shown(), std::vector<std::string>{"Video para:Refresh Failed!"});
}

void SettingsVideoTest::SaveGoesInOrderAndStopsAtTheFirstFailure() {
    PageSetup setup(Recorder(38420, sim::TvStandard::kPal));
    QVERIFY(setup.ok);
    CDlgCodeVideoPara& page = setup.Open();
    size_t from = setup.fixture.Recorder().Observed().MctpRequests().size();
    page.Save();
    QCOMPARE(CallsSince(setup.fixture.Recorder(), from),
             (std::vector<std::string>{"QW_SRDK_MEDIA_SetVideoAttr", "QW_SRDK_MEDIA_SetVideoAttr",
                                       "QW_SRDK_MEDIA_SetVideoAttr", "QW_SRDK_DEV_SaveFlash"}));
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextSaveSuccess));

    sim::RecorderConfig config = Recorder(38420, sim::TvStandard::kPal);
    config.faults.mctp.failing_calls = {{"QW_SRDK_MEDIA_SetVideoAttr", 1}};
    PageSetup refused(config);
    QVERIFY(refused.ok);
    CDlgCodeVideoPara& failing = refused.Open();
    from = refused.fixture.Recorder().Observed().MctpRequests().size();
    failing.Save();
    QCOMPARE(CallsSince(refused.fixture.Recorder(), from),
             std::vector<std::string>{"QW_SRDK_MEDIA_SetVideoAttr"});
    QCOMPARE(refused.Shown().back(), refused.Text(client::kTextSaveFailed));
}

void SettingsVideoTest::DefaultStaysInTheWindowAndCopiesRespectTheBudget() {
    PageSetup setup(Recorder(38420, sim::TvStandard::kPal));  // budget 400
    QVERIFY(setup.ok);
    QVERIFY(
        StoreRecordStream(setup.fixture, {Channel(0, QW_RES_D1, 25), Channel(1, QW_RES_CIF, 5),
                                          Channel(2, QW_RES_CIF, 5), Channel(3, QW_RES_CIF, 5)}));
    const auto before = setup.fixture.Recorder().StoredRecords();
    setup.Open().RestoreDefault();
    QCOMPARE(setup.page->Record(CDlgCodeVideoPara::kRecordStream, 0).resolution, QW_RES_CIF);
    QCOMPARE(setup.page->RecordFrameRate()->text(), QStringLiteral("25"));
    setup.page.reset();  // the window closes without SAVE
    QVERIFY(setup.fixture.Recorder().StoredRecords() == before);

    // D1/25 to the three others: 4 x 25 x 4 = 400 fits exactly.
    CDlgCodeVideoPara& page = setup.Open();
    const auto tickAll = [](ui::CDlgCopyChannelTo& dialog) {
        QCOMPARE(dialog.Boxes().size(), size_t{4});
        QVERIFY(!dialog.Boxes()[0]->isEnabled());
        dialog.AllButton()->click();
        QCOMPARE(dialog.Targets(), 3);
        dialog.ApplyButton()->click();
    };
    page.SetCopyDialogHook(tickAll);
    page.CopySettings();
    for (int channel = 1; channel < 4; ++channel) {
        const QwVideoAttr& copy = page.Record(CDlgCodeVideoPara::kRecordStream, channel);
        QCOMPARE(copy.resolution, QW_RES_D1);
        QCOMPARE(copy.frame_rate, 25);
        QCOMPARE(copy.channel, channel);
    }

    // The same on a 200-unit encoder: each copy could have 200 / 4 / 4 fps.
    PageSetup small(Recorder(38418, sim::TvStandard::kPal));
    QVERIFY(small.ok);
    QVERIFY(
        StoreRecordStream(small.fixture, {Channel(0, QW_RES_D1, 25), Channel(1, QW_RES_CIF, 5),
                                          Channel(2, QW_RES_CIF, 5), Channel(3, QW_RES_CIF, 5)}));
    CDlgCodeVideoPara& refused = small.Open();
    refused.SetCopyDialogHook(tickAll);
    refused.CopySettings();
    QCOMPARE(small.Shown().back(), small.Text(client::kTextCapabilityNotEnough) + " 12!");
    QCOMPARE(refused.Record(CDlgCodeVideoPara::kRecordStream, 1).resolution, QW_RES_CIF);
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::SettingsVideoTest)
#include "settings_video_test.moc"
