// The REPLAY page's search side against the in-process simulator: the
// calendar's marks and selection rules, the day search with its filters,
// refused searches, the marks of played and downloaded files, and a
// screenshot of the page in the main window.
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCharFormat>
#include <QTreeWidget>
#include <QtTest>

#include "CDlgFileList.h"
#include "CDlgMainWnd.h"
#include "CDlgPlayBack.h"
#include "CDlgSearchPannel.h"
#include "theme.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

constexpr int kWaitMs = 15000;
constexpr uint8_t kCommandSearch = 9;
constexpr uint8_t kCommandCalendar = 17;

using ui::CDlgFileList;
using RowIcon = CDlgFileList::RowIcon;

uint32_t LE32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The search requests the recorder got, as (channel mask, type).
std::vector<std::pair<uint32_t, uint32_t>> Searches(const sim::RecorderSim& recorder) {
    std::vector<std::pair<uint32_t, uint32_t>> found;
    for (const sim::ObservedRequest& r : recorder.Observed().Requests()) {
        if (r.command == kCommandSearch) {
            found.emplace_back(LE32(r.block.data() + 24), LE32(r.block.data() + 20));
        }
    }
    return found;
}

size_t Calendars(const sim::RecorderSim& recorder) {
    const auto requests = recorder.Observed().Requests();
    return std::count_if(requests.begin(), requests.end(), [](const sim::ObservedRequest& r) {
        return r.command == kCommandCalendar;
    });
}

// A four-channel recorder with recordings today and on one day of the
// previous month that is not today's day number.
sim::RecorderConfig TodayAndLastMonth() {
    sim::RecorderConfig config = RecorderWithChannels(4);
    const QDate today = QDate::currentDate();
    const QDate last = today.addMonths(-1);
    config.recording_days = {{today.year(), today.month(), today.day()},
                             {last.year(), last.month(), today.day() == 1 ? 2 : 1}};
    return config;
}

struct PageSetup {
    explicit PageSetup(sim::RecorderConfig config = TodayAndLastMonth()) {
        ok = fixture.StartRecorder(std::move(config)) && fixture.LogIn();
        page = std::make_unique<ui::CDlgPlayBack>(fixture.Context(), nullptr);
        page->resize(1000, 613);
        page->show();  // the first show queries the month and searches today
    }
    bool Settled() const { return !page->CalendarPane()->Busy() && !page->FileList()->Searching(); }
    CDlgFileList& List() { return *page->FileList(); }
    QCalendarWidget& Calendar() { return *page->CalendarPane()->Calendar(); }

    UiFixture fixture;
    bool ok = false;
    std::unique_ptr<ui::CDlgPlayBack> page;
};

class Requests : public ui::PlaybackRequests {
public:
    int Play(const std::string& name, int channel, uint32_t size) override {
        plays.push_back({name, channel, size});
        return 1;
    }
    int Download(const std::string& name, int channel, uint32_t size) override {
        downloads.push_back({name, channel, size});
        return 1;
    }
    void StopDownload() override { ++stops; }
    struct Call {
        std::string name;
        int channel;
        uint32_t size;
    };
    std::vector<Call> plays, downloads;
    int stops = 0;
};

}  // namespace

class ReplaySearchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
    void CalendarMarksTheDaysAndFollowsTheSelection();
    void FiltersNarrowOneSearchOnly();
    void RefusedSearchesAndQueries();
    void PlayedAndDownloadedFilesAreMarked();
    void ScreenshotOfTheReplayPage();
};

void ReplaySearchTest::CalendarMarksTheDaysAndFollowsTheSelection() {
    PageSetup setup;
    QVERIFY(setup.ok);
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    const QDate today = QDate::currentDate();
    QCOMPARE(setup.Calendar().dateTextFormat(today).fontWeight(), int(QFont::Bold));
    QCOMPARE(setup.Calendar().dateTextFormat(today.addDays(1)).fontWeight(), int(QFont::Normal));
    // Three files a channel; the fourth channel's come tenth to twelfth.
    QTreeWidget* list = setup.List().List();
    QCOMPARE(list->topLevelItemCount(), 12);
    QCOMPARE(list->topLevelItem(9)->text(CDlgFileList::kColumnChannel), QStringLiteral("4"));
    QCOMPARE(list->topLevelItem(9)->text(CDlgFileList::kColumnTime),
             QStringLiteral("08:00:00-08:10:00"));
    QCOMPARE(setup.List().IconOf(9), RowIcon::kNormal);
    QCOMPARE(setup.List().IconOf(10), RowIcon::kAlarm);
    QCOMPARE(setup.List().Rows()[9].channel, 3);
    QCOMPARE(Searches(setup.fixture.Recorder()),
             (std::vector<std::pair<uint32_t, uint32_t>>{{0xFFFF, 3}}));

    // The same day again starts nothing.
    const size_t calendars = Calendars(setup.fixture.Recorder());
    QMetaObject::invokeMethod(&setup.Calendar(), "selectionChanged");
    QVERIFY(!setup.page->CalendarPane()->Busy());
    QCOMPARE(Calendars(setup.fixture.Recorder()), calendars);

    // Last month: asked anew; the same day number has nothing, so the list
    // empties without a search.
    setup.Calendar().showPreviousMonth();
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    QCOMPARE(Calendars(setup.fixture.Recorder()), calendars + 1);
    QCOMPARE(Searches(setup.fixture.Recorder()).size(), size_t{1});
    QCOMPARE(list->topLevelItemCount(), 0);
    const QDate last = today.addMonths(-1);
    QCOMPARE(setup.Calendar().selectedDate().month(), last.month());
    const QDate marked(last.year(), last.month(), today.day() == 1 ? 2 : 1);
    QCOMPARE(setup.Calendar().dateTextFormat(marked).fontWeight(), int(QFont::Bold));
    QCOMPARE(setup.Calendar().dateTextFormat(today).fontWeight(), int(QFont::Normal));
    QVERIFY(setup.fixture.messages.shown.empty());
}

void ReplaySearchTest::FiltersNarrowOneSearchOnly() {
    PageSetup setup;
    QVERIFY(setup.ok);
    setup.List().OnMessage(ui::UM_FILL_FILTERS, 0, 0);
    QCOMPARE(setup.List().ChannelFilter()->count(), 5);
    QCOMPARE(setup.List().ChannelFilter()->itemText(4), QStringLiteral("ALL CHANNEL"));
    QCOMPARE(setup.List().TypeFilter()->currentIndex(), -1);
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);

    // The last channel entry and no type: every channel, every type.
    setup.List().ChannelFilter()->setCurrentIndex(4);
    setup.List().SearchButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!setup.List().Searching(), kWaitMs);
    QCOMPARE(Searches(setup.fixture.Recorder()).back(), (std::pair<uint32_t, uint32_t>{0xFFFF, 3}));

    setup.List().ChannelFilter()->setCurrentIndex(1);
    setup.List().TypeFilter()->setCurrentIndex(1);
    setup.List().SearchButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!setup.List().Searching(), kWaitMs);
    QCOMPARE(Searches(setup.fixture.Recorder()).back(), (std::pair<uint32_t, uint32_t>{2, 2}));
    QCOMPARE(setup.List().List()->topLevelItemCount(), 1);
    QCOMPARE(setup.List().List()->topLevelItem(0)->text(CDlgFileList::kColumnChannel),
             QStringLiteral("2"));

    // The calendar's next search lists every channel again.
    setup.page->CalendarPane()->Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    QCOMPARE(Searches(setup.fixture.Recorder()).back(), (std::pair<uint32_t, uint32_t>{0xFFFF, 3}));
    QCOMPARE(setup.List().List()->topLevelItemCount(), 12);
}

void ReplaySearchTest::RefusedSearchesAndQueries() {
    const std::pair<int32_t, std::vector<std::string>> cases[] = {
        {0x00020014, {}},
        {static_cast<int32_t>(0x80F00003), {"Other User Configuring..."}},
        {0x0001, {"SEARCH FAILED"}},
    };
    for (const auto& [code, shown] : cases) {
        sim::RecorderConfig config = TodayAndLastMonth();
        config.faults.refuse_search_code = code;
        PageSetup setup(config);
        QVERIFY(setup.ok);
        QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
        QCOMPARE(setup.List().List()->topLevelItemCount(), 0);
        QCOMPARE(setup.fixture.messages.shown, shown);
    }

    // A recorder that is gone: the query fails and the marks stay; the day,
    // still marked, is searched and fails too.
    PageSetup setup;
    QVERIFY(setup.ok);
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    setup.fixture.Recorder().Stop();
    setup.page->CalendarPane()->Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(setup.fixture.messages.shown,
                              (std::vector<std::string>{"SEARCH FAILED", "SEARCH FAILED"}),
                              kWaitMs);
    QCOMPARE(setup.Calendar().dateTextFormat(QDate::currentDate()).fontWeight(), int(QFont::Bold));
    QCOMPARE(setup.page->CalendarPane()->RefreshButton()->text(), QStringLiteral("REFRESH"));
}

void ReplaySearchTest::PlayedAndDownloadedFilesAreMarked() {
    PageSetup setup;
    QVERIFY(setup.ok);
    Requests requests;
    widgets::VideoSurface* target = nullptr;
    setup.page->SetRequests(&requests);
    setup.page->SetTargetHook([&](widgets::VideoSurface* surface) { target = surface; });
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    CDlgFileList& list = setup.List();

    list.List()->setCurrentItem(list.List()->topLevelItem(9));
    list.PlaySelected();
    QCOMPARE(requests.plays.size(), size_t{1});
    QCOMPARE(requests.plays[0].name, list.Rows()[9].name);
    QCOMPARE(requests.plays[0].channel, 3);
    QCOMPARE(requests.plays[0].size, list.Rows()[9].size);
    QCOMPARE(target, setup.page->TargetSurface());
    QCOMPARE(list.IconOf(9), RowIcon::kPlaying);
    QVERIFY(!list.PlayButton()->isEnabled());
    QTRY_VERIFY(list.PlayButton()->isEnabled());

    // A filtered list of the same day numbers its rows anew; the played file
    // keeps its mark there and in the full list after it.
    list.OnMessage(ui::UM_FILL_FILTERS, 0, 0);
    list.ChannelFilter()->setCurrentIndex(3);
    list.SearchButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!list.Searching(), kWaitMs);
    QCOMPARE(list.IconOf(0), RowIcon::kPlaying);
    setup.page->CalendarPane()->Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(setup.Settled(), kWaitMs);
    QCOMPARE(list.IconOf(9), RowIcon::kPlaying);
    list.OnMessage(ui::UM_PLAYBACK_STATE, ui::kPlaybackStopped, 0);
    QCOMPARE(list.IconOf(9), RowIcon::kNormal);

    // A download shows its progress in its row until it is stopped.
    list.List()->setCurrentItem(list.List()->topLevelItem(10));
    list.DownloadButton()->click();
    QCOMPARE(requests.downloads.size(), size_t{1});
    list.OnMessage(ui::UM_DOWNLOAD_STATE, ui::kDownloadStateCode, 1);
    list.ShowDownloadProgress(450);
    QCOMPARE(list.DownloadButton()->text(), QStringLiteral("STOP"));
    QVERIFY(list.DownloadProgress() != nullptr);
    QCOMPARE(list.DownloadProgress()->value(), 450);
    QTRY_VERIFY(list.DownloadButton()->isEnabled());
    list.DownloadButton()->click();
    QCOMPARE(requests.stops, 1);
    QCOMPARE(list.IconOf(10), RowIcon::kAlarm);
    list.OnMessage(ui::UM_PLAYBACK_STATE, ui::kDownloadStopped, 1);
    QCOMPARE(list.DownloadButton()->text(), QStringLiteral("DOWNLOAD"));
    QVERIFY(list.DownloadProgress() == nullptr);
}

void ReplaySearchTest::ScreenshotOfTheReplayPage() {
    UiFixture fixture;
    sim::RecorderConfig config = TodayAndLastMonth();
    const QDate today = QDate::currentDate();
    for (int day : {3, 12, 20, 27}) {
        if (day != today.day()) {
            config.recording_days.push_back({today.year(), today.month(), day});
        }
    }
    QVERIFY(fixture.StartRecorder(config));
    QVERIFY(fixture.LogIn());
    ui::CDlgMainWnd window(fixture.Context());
    window.show();
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    window.ShowPage(ui::kPageReplay);
    ui::CDlgPlayBack* page = window.PlaybackPage();
    QTRY_VERIFY_WITH_TIMEOUT(page->FileList()->List()->topLevelItemCount() == 12, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!page->CalendarPane()->Busy(), kWaitMs);

    // A file downloading, another selected.
    Requests requests;
    page->SetRequests(&requests);
    CDlgFileList& list = *page->FileList();
    list.List()->setCurrentItem(list.List()->topLevelItem(4));
    list.DownloadOrStop();
    list.OnMessage(ui::UM_DOWNLOAD_STATE, ui::kDownloadStateCode, 1);
    list.ShowDownloadProgress(420);
    list.List()->setCurrentItem(list.List()->topLevelItem(1));
    QTest::qWait(50);

    const QString path = qEnvironmentVariable("KESTREL_REPLAY_SCREENSHOT");
    const QPixmap shot = window.grab();
    QVERIFY(!shot.isNull());
    if (!path.isEmpty()) {
        QVERIFY(shot.save(path));
    }
    page->SetRequests(nullptr);
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::ReplaySearchTest)
#include "replay_search_test.moc"
