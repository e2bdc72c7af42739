// The live page against the in-process simulator: grid placement, full
// screen, starting and stopping channels, permissions, snapshots, PTZ,
// stream trouble shown in the panes, and recording with a low disk.
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>
#include <algorithm>
#include <set>

#include "CChannelCtrl.h"
#include "CDlgMainWnd.h"
#include "CDlgPTZControl.h"
#include "CDlgRealAv.h"
#include "CDlgVideo.h"
#include "device.h"
#include "kestrel_net_config.h"
#include "kestrel_records.h"
#include "live_layout.h"
#include "live_messages.h"
#include "picture_button.h"
#include "platform/paths.h"
#include "ptz_pad.h"
#include "snapshot_file.h"
#include "text_ids.h"
#include "ui_fixture.h"
#include "video_surface.h"

namespace kestrel::ui_test {
namespace {

constexpr int kWaitMs = 15000;

// A logged-in context with the main window as the receiver of save results
// and posted texts, and the live page in it, shown.
struct LiveSetup {
    explicit LiveSetup(sim::RecorderConfig config, const std::string& user = "admin",
                       const std::string& password = "admin") {
        ok = fixture.StartRecorder(std::move(config)) && fixture.LogIn(user, password);
        window = std::make_unique<ui::CDlgMainWnd>(fixture.Context());
        window->show();
    }
    ui::CDlgRealAv& Page() {
        if (!page) {
            page = new ui::CDlgRealAv(fixture.Context(), window.get(), window.get());
            page->setGeometry(window->PageArea());
            page->show();
        }
        return *page;
    }
    void Command(intptr_t code, intptr_t argument = 0) {
        Page().OnMessage(client::UM_PANEL_COMMAND, code, argument);
    }
    client::CDevice& Device() { return *fixture.Context().device; }

    UiFixture fixture;
    bool ok = false;
    std::unique_ptr<ui::CDlgMainWnd> window;
    ui::CDlgRealAv* page = nullptr;  // owned by the window
};

std::set<int> VisiblePanes(ui::CDlgRealAv& page) {
    std::set<int> visible;
    for (int k = 0; k < ui::kLivePanes; ++k) {
        if (page.Pane(k)->isVisibleTo(&page)) {
            visible.insert(k);
        }
    }
    return visible;
}

std::set<int> RunningChannels(const sim::RecorderSim& recorder) {
    std::set<int> channels;
    for (const sim::StreamId& id : recorder.Observed().StreamIds()) {
        const auto stream = recorder.Observed().Stream(id);
        if (stream && stream->running) {
            channels.insert(stream->channel);
        }
    }
    return channels;
}

uint64_t Pictures(ui::CDlgRealAv& page, int k) {
    return page.Pane(k)->Surface()->PicturesPresented();
}

// The pane has finished its start and shows pictures.
bool Showing(ui::CDlgRealAv& page, int k, uint64_t pictures = 3) {
    return page.Pane(k)->playing && !page.Pane(k)->starting && Pictures(page, k) >= pictures;
}

size_t CountShown(const UiFixture& fixture, const std::string& text) {
    return static_cast<size_t>(
        std::count(fixture.messages.shown.begin(), fixture.messages.shown.end(), text));
}

}  // namespace

class LivePageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void NineGridOfSixteenChannelsFollowsTheSelection();
    void EightChannelGridsDoubleClickAndFullScreen();
    void ConnectAllStartsOnlyTheRecordersChannels();
    void PermissionsLimitWhatAUserMayDoAndSee();
    void SnapshotsAreBitmapsAnImageReaderOpens();
    void PtzButtonsSendTheirCodesWithTheBoxValue();
    void SoundAndVolumeFollowTheSelectedPane();
    void TalkStartsWhileSixteenChannelsPlay();
    void StreamTroubleShowsInThePane();
    void RecordingShowsMarkersAndALowDiskOneBox();
};

void LivePageTest::initTestCase() {
    // Stream sound plays into SDL's file driver, into nothing: no sound card
    // needed, and every pane can open its own output.
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
}

void LivePageTest::NineGridOfSixteenChannelsFollowsTheSelection() {
    LiveSetup setup(RecorderWithChannels(16));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    QCOMPARE(page.WindowCount(), 4);
    setup.Command(ui::kPanelLayout, 4);
    page.OnMessage(ui::UM_SELECT_PANE, 12, 0);
    QCOMPARE(page.Selected(), 12);
    QVERIFY(page.Pane(12)->IsSelected());
    QVERIFY(!page.Pane(0)->IsSelected());
    setup.Command(ui::kPanelLayout, 3);
    QCOMPARE(page.WindowCount(), 9);
    QCOMPARE(page.PreviousCount(), 16);

    const QRect area = page.PaneArea();
    QCOMPARE(area.topLeft(), QPoint(0, 0));
    QCOMPARE(area.width(), page.width() - ui::CDlgRealAv::kColumnWidth);
    QCOMPARE(VisiblePanes(page), (std::set<int>{7, 8, 9, 10, 11, 12, 13, 14, 15}));
    const int cellWidth = area.width() / 3;
    const int cellHeight = area.height() / 3;
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(page.Pane(7 + i)->geometry(),
                 QRect(i % 3 * cellWidth, i / 3 * cellHeight, cellWidth, cellHeight));
    }
    // The picture sits one pixel inside the pane's outline.
    QCOMPARE(page.Pane(7)->Surface()->geometry(), page.Pane(7)->rect().adjusted(1, 1, -1, -1));

    // The full-screen rounding to four would start a nine-pane grid at pane
    // 12; it stops at the last pane instead.
    ui::LiveGrid grid{9, 16, 12, false, true, 16};
    QCOMPARE(ui::FirstGridPane(grid), 7);
}

void LivePageTest::EightChannelGridsDoubleClickAndFullScreen() {
    LiveSetup setup(RecorderWithChannels(8));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    page.OnMessage(ui::UM_SELECT_PANE, 6, 0);
    setup.Command(ui::kPanelLayout, 2);
    QCOMPARE(VisiblePanes(page), (std::set<int>{4, 5, 6, 7}));

    // Double-clicking a pane of the nine-pane grid fills the area with it;
    // double-clicking it there returns to the nine-pane grid.
    setup.Command(ui::kPanelLayout, 3);
    QCOMPARE(VisiblePanes(page), (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QTest::mouseDClick(page.Pane(2), Qt::LeftButton);
    QCOMPARE(page.Selected(), 2);
    QVERIFY(page.SingleMode());
    QCOMPARE(page.WindowCount(), 1);
    QCOMPARE(VisiblePanes(page), std::set<int>{2});
    QCOMPARE(page.Pane(2)->geometry(), page.PaneArea());
    QTest::mouseDClick(page.Pane(2), Qt::LeftButton);
    QVERIFY(!page.SingleMode());
    QCOMPARE(page.WindowCount(), 9);
    QCOMPARE(VisiblePanes(page).size(), size_t{9});

    // Full screen: the page leaves the window and covers the screen, the
    // panels go, the grid lies between a 20-pixel strip at the top and a
    // 4-pixel one at the bottom, and the exit button sits at the top right.
    setup.Command(ui::kPanelLayout, 0);
    QVERIFY(page.IsFullScreen());
    QVERIFY(page.isWindow());

    const QSize screen = page.screen()->geometry().size();
    QCOMPARE(page.PaneArea(), QRect(0, 20, screen.width(), screen.height() - 24));
    QVERIFY(page.ChannelPanel()->isHidden());
    QVERIFY(page.PtzPane()->isHidden());
    QCOMPARE(page.ExitButton()->geometry(), QRect(screen.width() - 50, 2, 18, 18));
    QVERIFY(page.ExitButton()->isVisibleTo(&page));
    QCOMPARE(page.Pane(0)->geometry(),
             QRect(0, 20, screen.width() / 3, (screen.height() - 24) / 3));
    // No double click changes the grid in full screen.
    QTest::mouseDClick(page.Pane(4), Qt::LeftButton);
    QVERIFY(!page.SingleMode());

    page.ExitButton()->click();
    QVERIFY(!page.IsFullScreen());
    QCOMPARE(page.parentWidget(), setup.window.get());

    QCOMPARE(page.geometry(), setup.window->PageArea());
    QVERIFY(page.ExitButton()->isHidden());
    QVERIFY(!page.ChannelPanel()->isHidden());
    QVERIFY(!page.PtzPane()->isHidden());
    QCOMPARE(page.Pane(0)->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(VisiblePanes(page).size(), size_t{9});

    // Closing the full-screen window brings the page back as well.
    setup.Command(ui::kPanelLayout, 0);
    QVERIFY(page.isWindow());
    page.close();
    QVERIFY(!page.IsFullScreen());
    QCOMPARE(page.parentWidget(), setup.window.get());
    QVERIFY(page.isVisible());
}

void LivePageTest::ConnectAllStartsOnlyTheRecordersChannels() {
    LiveSetup setup(RecorderWithChannels(4));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    const sim::RecorderSim& recorder = setup.fixture.Recorder();
    setup.Command(ui::kPanelConnectAll);
    for (int k = 0; k < ui::kLivePanes; ++k) {
        QCOMPARE(page.Pane(k)->playing, k < 4);
    }
    QTRY_COMPARE_WITH_TIMEOUT(RunningChannels(recorder), (std::set<int>{0, 1, 2, 3}), kWaitMs);
    QVERIFY(page.ChannelPanel()->ShowsPlaying());
    for (int k = 0; k < 4; ++k) {
        QTRY_VERIFY_WITH_TIMEOUT(Showing(page, k), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(page.Pane(k)->StatusText().isEmpty(), kWaitMs);
    }
    // The clip's read-out changes from picture to picture.
    const QImage before = page.Pane(0)->Surface()->grab().toImage();
    const uint64_t count = Pictures(page, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Pictures(page, 0) > count + 5, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(page.Pane(0)->Surface()->grab().toImage() != before, kWaitMs);
    QCOMPARE(recorder.Observed().StreamIds().size(), size_t{4});

    // Every channel plays: the same command stops them all.
    setup.Command(ui::kPanelConnectAll);
    for (int k = 0; k < 4; ++k) {
        QVERIFY(!page.Pane(k)->playing);
        QCOMPARE(page.Pane(k)->channel, -1);
    }
    QVERIFY(!page.ChannelPanel()->ShowsPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(RunningChannels(recorder).empty(), kWaitMs);

    // Showing the page starts every channel again, a moment later.
    page.StartPanesLater();
    QVERIFY(!page.Pane(0)->playing);
    QTRY_COMPARE_WITH_TIMEOUT(RunningChannels(recorder), (std::set<int>{0, 1, 2, 3}), kWaitMs);
    for (int k = 0; k < 4; ++k) {
        QTRY_VERIFY_WITH_TIMEOUT(Showing(page, k), kWaitMs);
    }
}

void LivePageTest::PermissionsLimitWhatAUserMayDoAndSee() {
    sim::RecorderConfig config = RecorderWithChannels(4);
    config.users.push_back({"viewer", "pw", 9, 0, 0});
    LiveSetup setup(config, "viewer", "pw");
    QVERIFY(setup.ok);
    // The recorder lets this user watch every channel but channel 1.
    QwUserPreviewRights rights{};
    QCOMPARE(QW_SRDK_SYS_GetUserPrewPri(setup.Device().handle, &rights, &rights), 0);
    for (QwUserPreviewEntry& entry : rights.user) {
        if (std::string(entry.name) == "viewer") {
            entry.channel[1] = 0;
        }
    }
    QwUserPreviewRights answer{};
    QCOMPARE(QW_SRDK_SYS_SetUserPrewPri(setup.Device().handle, &rights, &answer), 0);

    ui::CDlgRealAv& page = setup.Page();
    QTRY_VERIFY_WITH_TIMEOUT(!setup.Device().DisplayEnabled(1), kWaitMs);
    QVERIFY(setup.Device().DisplayEnabled(0));
    QVERIFY(page.PtzPane()->isHidden());
    QVERIFY(page.ChannelPanel()->SpeakerButton()->isHidden());
    QVERIFY(page.ChannelPanel()->VolumeSlider()->isHidden());

    page.ChannelPanel()->SnapButton()->click();
    page.ChannelPanel()->RecordButton()->click();
    QCoreApplication::processEvents();
    QCOMPARE(setup.fixture.messages.shown,
             (std::vector<std::string>{"Permission Denied!", "Permission Denied!"}));
    QVERIFY(!page.Recording().Recording(0));

    setup.Command(ui::kPanelConnectAll);
    QTRY_VERIFY_WITH_TIMEOUT(Showing(page, 0, 20), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(Showing(page, 2, 20), kWaitMs);
    QCOMPARE(Pictures(page, 1), uint64_t{0});

    // The menu of a playing pane: no start, a stop, and no recording.
    const auto enabled = [](ui::CDlgVideo* pane) {
        std::vector<bool> items;
        const std::unique_ptr<QMenu> menu = pane->MakeMenu();
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                items.push_back(action->isEnabled());
            }
        }
        return items;
    };
    QCOMPARE(enabled(page.Pane(0)), (std::vector<bool>{false, true, true, true, false, false}));
    QCOMPARE(enabled(page.Pane(5)), (std::vector<bool>{true, false, true, true, false, false}));
}

void LivePageTest::SnapshotsAreBitmapsAnImageReaderOpens() {
    LiveSetup setup(RecorderWithChannels(4));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    setup.Command(ui::kPaneStartView, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Showing(page, 0), kWaitMs);

    setup.Command(ui::kPanelSnapshot);
    QCOMPARE(setup.fixture.messages.shown.size(), size_t{1});
    const std::string shown = setup.fixture.messages.shown[0];
    const std::string head = "Save Success!\r\nSAVE PATH:";
    QVERIFY2(shown.rfind(head, 0) == 0, shown.c_str());
    const QString path = QString::fromStdString(shown.substr(head.size()));
    const QString folder =
        QString::fromStdString(setup.fixture.Context().framePath + "IP_127.0.0.1/Capture/01/");
    QVERIFY2(path.startsWith(folder), qPrintable(path));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{14}\\.bmp$"))
                 .match(path.mid(folder.size()))
                 .hasMatch(),
             qPrintable(path));
    // The simulator serves its main clip (704 x 576) as stream 0, its sub
    // clip (352 x 288) as stream 1.
    const sim::Observations& observed = setup.fixture.Recorder().Observed();
    const auto stream = observed.Stream(observed.StreamIds().at(0));
    QVERIFY(stream);
    const QSize pictureSize = stream->stream_number == 0 ? QSize(704, 576) : QSize(352, 288);
    QCOMPARE(QImage(path).size(), pictureSize);

    setup.Command(ui::kPanelMotionSnapshot, 0);
    const QString motion = QString::fromStdString(client::MotionSnapshotPath());
    QVERIFY(motion.startsWith(QString::fromStdString(setup.fixture.DriveRoot())));
    QCOMPARE(QImage(motion).size(), pictureSize);
    // A channel the recorder does not have writes nothing.
    QVERIFY(QFile::remove(motion));
    setup.Command(ui::kPanelMotionSnapshot, 4);
    QVERIFY(!QFile::exists(motion));

    // The year keeps four places even when it has fewer digits.
    QCOMPARE(client::SnapshotFileName({999, 3, 5, 23, 59, 58, 0, 0}),
             std::string(" 9990305235958.bmp"));
    // Rows of a width that is no multiple of four are padded in the file.
    const uint8_t pixels[] = {0,   0,   255, 0, 255, 0, 255, 0, 0,   // bottom: red green blue
                              255, 255, 255, 0, 0,   0, 0,   0, 0};  // top: white black black
    const std::string odd = setup.fixture.HomeFolder() + "odd.bmp";
    QVERIFY(client::WriteBitmapFile(odd, pixels, sizeof pixels, 3, 2));
    const QImage small(QString::fromStdString(odd));
    QCOMPARE(small.size(), QSize(3, 2));
    QCOMPARE(small.pixel(0, 1), qRgb(255, 0, 0));
    QCOMPARE(small.pixel(2, 1), qRgb(0, 0, 255));
    QCOMPARE(small.pixel(0, 0), qRgb(255, 255, 255));
    QVERIFY(!client::WriteBitmapFile(odd, pixels, sizeof pixels - 1, 3, 2));
}

void LivePageTest::PtzButtonsSendTheirCodesWithTheBoxValue() {
    LiveSetup setup(RecorderWithChannels(4));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    QVERIFY(!page.PtzPane()->isHidden());
    QVERIFY(!page.ChannelPanel()->SpeakerButton()->isHidden());
    ui::CDlgPTZControl* ptz = page.PtzPane();
    const auto actions = [&] { return setup.fixture.Recorder().Observed().PtzActions(); };
    // Each action travels on a connection of its own: wait for one before
    // the next, so that their order is the buttons' order.
    const auto arrived = [&](size_t count, uint32_t command, uint32_t speed) {
        const std::vector<sim::ObservedPtzAction> all = actions();
        return all.size() == count && all.back().parameter == 2 && all.back().command == command &&
               all.back().speed == speed;
    };

    // An idle pane has no channel to steer.
    QTest::mouseClick(ptz->CallButton(), Qt::LeftButton);
    setup.Command(ui::kPaneStartView, 2);
    page.OnMessage(ui::UM_SELECT_PANE, 2, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Showing(page, 2), kWaitMs);
    QVERIFY(actions().empty());

    QAbstractButton* up = ptz->Pad()->DirectionButton(0);
    QTest::mousePress(up, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(1, 1, 0), kWaitMs);
    QTest::mouseRelease(up, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(2, 0, 0), kWaitMs);
    ptz->ParameterBox()->setText(QStringLiteral("12"));
    QTest::mousePress(up, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(3, 1, 12), kWaitMs);
    QTest::mouseRelease(up, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(4, 0, 12), kWaitMs);
    QTest::mouseClick(ptz->CallButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(5, 17, 12), kWaitMs);
    ptz->ParameterBox()->setText(QStringLiteral("fast"));
    QTest::mousePress(ptz->PlusButton(0), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(6, 10, 0), kWaitMs);
    QTest::mouseRelease(ptz->PlusButton(0), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(7, 0, 0), kWaitMs);
    // Codes past the camera's are not sent; a preset button sends once.
    page.OnMessage(ui::UM_PTZ_COMMAND, 21, 0);
    QTest::mouseClick(ptz->ClearButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(arrived(8, 16, 0), kWaitMs);
}

void LivePageTest::SoundAndVolumeFollowTheSelectedPane() {
    LiveSetup setup(RecorderWithChannels(4));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    const sim::RecorderSim& recorder = setup.fixture.Recorder();
    const auto soundOn = [&](int channel) {
        for (const sim::StreamId& id : recorder.Observed().StreamIds()) {
            const auto stream = recorder.Observed().Stream(id);
            if (stream && stream->running && stream->channel == channel) {
                return stream->sound_open;
            }
        }
        return false;
    };
    setup.Command(ui::kPaneStartView, 0);
    setup.Command(ui::kPaneStartView, 1);
    QTRY_VERIFY_WITH_TIMEOUT(Showing(page, 0) && Showing(page, 1), kWaitMs);
    // The selected pane's stream brings its sound once its start is done.
    QTRY_VERIFY_WITH_TIMEOUT(soundOn(0), kWaitMs);
    QVERIFY(!soundOn(1));

    QTest::mouseClick(page.Pane(1), Qt::LeftButton);
    QCOMPARE(page.Selected(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(soundOn(1) && !soundOn(0), kWaitMs);
    QSlider* volume = page.ChannelPanel()->VolumeSlider();
    QCOMPARE(volume->value(), ui::CDlgVideo::kDefaultVolume);
    volume->setValue(40000);
    QTRY_COMPARE_WITH_TIMEOUT(page.Pane(1)->volume, 40000, kWaitMs);
    QCOMPARE(page.Pane(0)->volume, ui::CDlgVideo::kDefaultVolume);
    // Selecting a pane shows its own volume; an idle pane keeps its volume.
    QTest::mouseClick(page.Pane(0), Qt::LeftButton);
    QCOMPARE(volume->value(), ui::CDlgVideo::kDefaultVolume);
    page.OnMessage(ui::UM_SELECT_PANE, 2, 0);
    volume->setValue(100);
    QCoreApplication::processEvents();
    QCOMPARE(page.Pane(2)->volume, ui::CDlgVideo::kDefaultVolume);

    // Speaker off: selecting a pane no longer moves the sound to it.
    QTest::mouseClick(page.Pane(0), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(soundOn(0), kWaitMs);
    page.ChannelPanel()->SpeakerButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(setup.fixture.Context().soundMuted.load(), 1, kWaitMs);
    QTest::mouseClick(page.Pane(1), Qt::LeftButton);
    QCOMPARE(page.Selected(), 1);
    QVERIFY(soundOn(0));
    QVERIFY(!soundOn(1));
    // While talking a click selects nothing.
    setup.fixture.Context().talkOn = 1;
    QTest::mouseClick(page.Pane(0), Qt::LeftButton);
    QCOMPARE(page.Selected(), 1);
    setup.fixture.Context().talkOn = 0;
}

void LivePageTest::TalkStartsWhileSixteenChannelsPlay() {
    // SDL opens at most 16 outputs: muted panes must not hold theirs.
    LiveSetup setup(RecorderWithChannels(16));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    setup.Command(ui::kPanelLayout, 4);  // all 16 shown
    setup.Command(ui::kPanelConnectAll);
    for (int k = 0; k < 16; ++k) {
        QTRY_VERIFY_WITH_TIMEOUT(Showing(page, k), kWaitMs);
    }
    page.ChannelPanel()->TalkButton()->click();
    QCOMPARE(setup.fixture.Context().talkOn.load(), 1);
    QCOMPARE(setup.fixture.messages.shown.back(),
             setup.fixture.Context().LoadText(client::kTextTalkStarted));
    page.ChannelPanel()->TalkButton()->click();
    QCOMPARE(setup.fixture.Context().talkOn.load(), 0);
}

void LivePageTest::StreamTroubleShowsInThePane() {
    sim::RecorderConfig config = RecorderWithChannels(4);
    // Each connection closes after its start answer, the stream header and
    // about two seconds of the sub stream.
    config.faults.close_after_bytes = 16 + 512 + 40000;
    LiveSetup setup(config);
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    const QString waiting = QStringLiteral("Waiting for data");
    setup.Command(ui::kPaneStartView, 0);
    QCOMPARE(page.Pane(0)->StatusText(), waiting);
    QTRY_VERIFY_WITH_TIMEOUT(Showing(page, 0), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(page.Pane(0)->StatusText().isEmpty(), kWaitMs);

    // The break shows until the reconnected stream brings pictures again.
    QTRY_COMPARE_WITH_TIMEOUT(page.Pane(0)->StatusText(), waiting, kWaitMs);
    const uint64_t atBreak = Pictures(page, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Pictures(page, 0) > atBreak + 3, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(page.Pane(0)->StatusText().isEmpty(), kWaitMs);
    QVERIFY(page.Pane(0)->playing);

    // A start the recorder refuses shows why and leaves the pane idle.
    setup.fixture.Context().password = "wrong";
    setup.Command(ui::kPaneStartView, 1);
    QTRY_COMPARE_WITH_TIMEOUT(page.Pane(1)->StatusText(), QStringLiteral("Open Window Failed"),
                              kWaitMs);
    QVERIFY(!page.Pane(1)->playing);
    QCOMPARE(page.Pane(1)->channel, -1);
    QVERIFY(!setup.Device().LiveStarted(1));
}

void LivePageTest::RecordingShowsMarkersAndALowDiskOneBox() {
    LiveSetup setup(RecorderWithChannels(4));
    QVERIFY(setup.ok);
    ui::CDlgRealAv& page = setup.Page();
    setup.Command(ui::kPanelConnectAll);
    for (int k = 0; k < 4; ++k) {
        QTRY_VERIFY_WITH_TIMEOUT(Showing(page, k), kWaitMs);
    }
    page.ChannelPanel()->RecordButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(page.Recording().Recording(3), kWaitMs);
    for (int k = 0; k < 4; ++k) {
        QVERIFY(setup.Device().Recording(k));
        ui::CDlgVideoFlag* marker = page.Pane(k)->Marker();
        QVERIFY(marker->isVisibleTo(&page));
        QCOMPARE(marker->geometry(), QRect(21, 11, 15, 15));
    }
    // Markers hide while another page shows; a pane out of the grid hides
    // its own.
    page.ShowRecordMarkers(false);
    QVERIFY(!page.Pane(0)->Marker()->isVisibleTo(&page));
    page.ShowRecordMarkers(true);
    setup.Command(ui::kPanelLayout, 1);
    QVERIFY(page.Pane(0)->Marker()->isVisibleTo(&page));
    QVERIFY(!page.Pane(1)->Marker()->isVisibleTo(&page));
    setup.Command(ui::kPanelLayout, 2);

    // Two low-disk notices while the first box is asked for: one box.
    page.Post(client::UM_DISK_SPACE_LOW, 0, 0);
    page.Post(client::UM_DISK_SPACE_LOW, 1, 0);
    page.Post(client::UM_DISK_SPACE_LOW, 1, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!page.Recording().Recording(1), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(CountShown(setup.fixture, "INSUFFICIENT DISK SPACE"), size_t{1},
                              kWaitMs);
    QCoreApplication::processEvents();
    QCOMPARE(CountShown(setup.fixture, "INSUFFICIENT DISK SPACE"), size_t{1});
    QVERIFY(!page.Recording().Recording(0));
    QVERIFY(!page.Pane(0)->Marker()->isVisibleTo(&page));
    QVERIFY(page.Recording().Recording(2));

    // Recording all again stops the ones that still record.
    setup.Command(ui::kPanelRecordAll);
    for (int k = 0; k < 4; ++k) {
        QVERIFY(!page.Recording().Recording(k));
        QVERIFY(!setup.Device().Recording(k));
    }
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::LivePageTest)
#include "live_page_test.moc"
