// The REPLAY page's control bar against the in-process simulator: a playback
// shows in the target surface while the slider draws the arrived part
// growing, the buttons drive it, and a picture of the bar goes into the build
// tree for people to look at. Then the page with its list, bar and pane
// working together.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include "CDlgFileList.h"
#include "CDlgPlayBack.h"
#include "CDlgPlayBkCtrl.h"
#include "picture_button.h"
#include "position_slider.h"
#include "text_ids.h"
#include "theme.h"
#include "ui_fixture.h"
#include "video_surface.h"

namespace kestrel::ui_test {
namespace {

constexpr int kWaitMs = 15000;
using Button = ui::CDlgPlayBkCtrl::Button;

}  // namespace

class PlaybackBarTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        widgets::Theme::Apply(*qApp);
    }
    void PlaybackShowsWhileTheExtentGrowsAndTheButtonsDriveIt();
    void ThePageConnectsItsListBarAndPane();
};

void PlaybackBarTest::PlaybackShowsWhileTheExtentGrowsAndTheButtonsDriveIt() {
    UiFixture fixture;
    sim::RecorderConfig config;
    config.recording_frames = 1500;
    config.download_rate_limit = 300000;
    QVERIFY(fixture.StartRecorder(config));
    QVERIFY(fixture.LogIn());
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* surface = new widgets::VideoSurface(&window);
    auto* bar = new ui::CDlgPlayBkCtrl(fixture.Context(), &window);
    column->addWidget(surface, 1);
    column->addWidget(bar);
    window.resize(700, 460);
    window.show();
    bar->SetTarget(surface);

    const sim::RecordingFile file = fixture.Recorder().Recordings(0, 2011, 3, 5).at(0);
    QCOMPARE(bar->Requests()->Play(file.name, file.channel, static_cast<uint32_t>(file.size)), 1);
    QTRY_VERIFY_WITH_TIMEOUT(surface->HasPicture(), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(bar->Position()->Extent() > 0, kWaitMs);
    const int early = bar->Position()->Extent();
    QTRY_VERIFY_WITH_TIMEOUT(bar->Position()->Extent() > early, kWaitMs);
    QVERIFY(bar->Controller().Transferring());
    QVERIFY(bar->Position()->Extent() < 1000);
    QCOMPARE(bar->StatusLabel()->text(), QStringLiteral("1x"));
    QVERIFY(bar->SoundToggle()->isChecked());
    const auto text = [&](int id) {
        return QString::fromStdString(fixture.Context().LoadText(id));
    };

    QTest::mouseClick(bar->ButtonOf(Button::kPause), Qt::LeftButton);
    QCOMPARE(bar->StatusLabel()->text(), text(client::kTextPause));
    QTest::mouseClick(bar->ButtonOf(Button::kPlay), Qt::LeftButton);
    QCOMPARE(bar->StatusLabel()->text(), QStringLiteral("1x"));
    QTest::mouseClick(bar->ButtonOf(Button::kFast), Qt::LeftButton);
    QTest::mouseClick(bar->ButtonOf(Button::kFast), Qt::LeftButton);
    QCOMPARE(bar->StatusLabel()->text(), QStringLiteral("4x"));
    QTRY_VERIFY_WITH_TIMEOUT(bar->Position()->value() > 0, kWaitMs);
    bar->grab().save(QCoreApplication::applicationDirPath() + "/playback_bar.png");

    QTest::mouseClick(bar->ButtonOf(Button::kStop), Qt::LeftButton);
    QCOMPARE(bar->StatusLabel()->text(), text(client::kTextStop));
    QVERIFY(!bar->Controller().Transferring());
    QCOMPARE(bar->Position()->value(), 0);
    QVERIFY(!bar->SoundToggle()->isChecked());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void PlaybackBarTest::ThePageConnectsItsListBarAndPane() {
    UiFixture fixture;
    sim::RecorderConfig config = RecorderWithChannels(4);
    const QDate today = QDate::currentDate();
    config.recording_days = {{today.year(), today.month(), today.day()}};
    config.recording_frames = 1500;
    config.download_rate_limit = 300000;
    QVERIFY(fixture.StartRecorder(config));
    QVERIFY(fixture.LogIn());
    auto page = std::make_unique<ui::CDlgPlayBack>(fixture.Context(), nullptr);
    page->resize(1000, 613);
    page->show();
    ui::CDlgFileList& list = *page->FileList();
    ui::CDlgPlayBkCtrl& bar = *page->ControlBar();
    QTRY_VERIFY_WITH_TIMEOUT(list.List()->topLevelItemCount() == 12, kWaitMs);

    // PLAY: the page's own pane shows the recording; LIVE stops it.
    const ui::CDlgFileList::RowIcon unplayed = list.IconOf(0);
    list.List()->setCurrentItem(list.List()->topLevelItem(0));
    list.PlaySelected();
    QTRY_VERIFY_WITH_TIMEOUT(page->TargetSurface()->HasPicture(), kWaitMs);
    QCOMPARE(bar.StatusLabel()->text(), QStringLiteral("1x"));
    QCOMPARE(list.IconOf(0), ui::CDlgFileList::RowIcon::kPlaying);
    page->StopPlayback();
    QVERIFY(!bar.Controller().Transferring());
    QTRY_COMPARE(list.IconOf(0), unplayed);

    // DOWNLOAD: the row shows what the transfer reports, and the page can
    // go in the middle of it.
    QTRY_VERIFY(list.DownloadButton()->isEnabled());
    list.List()->setCurrentItem(list.List()->topLevelItem(1));
    list.DownloadButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        list.DownloadProgress() != nullptr && list.DownloadProgress()->value() > 0, kWaitMs);
    QCOMPARE(list.DownloadButton()->text(), QStringLiteral("STOP"));
    QVERIFY(bar.Controller().Transferring());
    page.reset();
    QTest::qWait(100);  // what the transfer posted last finds no page
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::PlaybackBarTest)
#include "playback_bar_test.moc"
