// The main window: what shows before and after a login, the page buttons'
// rules, the snapshot result box and the restart at logout.
#include <QFile>
#include <QtTest>

#include "CDlgMainWnd.h"
#include "CDlgRealAv.h"
#include "CDlgVideo.h"
#include "CUserLogin.h"
#include "picture_button.h"
#include "ui_fixture.h"
#include "video_surface.h"

namespace kestrel::ui_test {

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void BeforeLoginOnlyTheLoginPageShows();
    void PageButtonsFollowTheirRules();
    void SaveResultShowsThePathOnItsOwnLine();
    void LogoutStartsTheProgramAgainAndCloses();
    void LoginToSixteenChannelsFillsEveryPaneWithMovingPictures();
};

void MainWindowTest::BeforeLoginOnlyTheLoginPageShows() {
    UiFixture fixture;
    ui::CDlgMainWnd window(fixture.Context());
    window.show();
    QVERIFY(window.LoginPage()->isVisible());
    QVERIFY(!window.PageButton(ui::kPageLive)->isVisible());
    window.ShowPage(ui::kPageLive);
    QVERIFY(window.LoginPage()->isVisible());
    QVERIFY(window.LivePage() == nullptr);
    QCOMPARE(window.CurrentPage(), 0);
}

void MainWindowTest::PageButtonsFollowTheirRules() {
    UiFixture fixture;
    sim::RecorderConfig config;
    config.users = {{"viewer", "pw", 9, 0, 0x1 | 0x2 | 0x10}};  // no remote replay
    QVERIFY(fixture.StartRecorder(config));
    QVERIFY(fixture.LogIn("viewer", "pw"));
    ui::CDlgMainWnd window(fixture.Context());
    window.show();
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    QVERIFY(window.LoggedIn());
    QVERIFY(!window.LoginPage()->isVisible());
    QVERIFY(window.PageButton(ui::kPageReplay)->isVisible());
    QCOMPARE(window.CurrentPage(), ui::kPageLive);

    window.PageButton(ui::kPageReplay)->click();
    QCOMPARE(window.CurrentPage(), ui::kPageLive);
    QVERIFY(window.PageButton(ui::kPageLive)->isChecked());
    QVERIFY(!window.PageButton(ui::kPageReplay)->isChecked());
    QCOMPARE(fixture.messages.shown, std::vector<std::string>{"Permission Denied!"});

    // The first LIVE chose 9 panes for 8 channels; a later LIVE keeps the
    // operator's grid.
    QCOMPARE(window.LivePage()->WindowCount(), 9);
    window.LivePage()->OnMessage(client::UM_PANEL_COMMAND, 4, 2);
    window.ShowPage(ui::kPageLocalSetting);
    QCOMPARE(window.CurrentPage(), ui::kPageLocalSetting);
    QVERIFY(!window.LivePage()->isVisible());
    window.ShowPage(ui::kPageLive);
    QVERIFY(window.LivePage()->isVisible());
    QCOMPARE(window.LivePage()->WindowCount(), 4);
}

void MainWindowTest::SaveResultShowsThePathOnItsOwnLine() {
    UiFixture fixture;
    ui::CDlgMainWnd window(fixture.Context());
    const std::string path = "/tmp/IP_127.0.0.1/Capture/01/2011 0305235958.bmp";
    window.OnMessage(ui::UM_SAVE_RESULT, 1, reinterpret_cast<intptr_t>(&path));
    window.OnMessage(ui::UM_SAVE_RESULT, 0, reinterpret_cast<intptr_t>(&path));
    QCOMPARE(fixture.messages.shown,
             (std::vector<std::string>{"Save Success!\r\nSAVE PATH:" + path, "Save Failed!"}));
}

void MainWindowTest::LogoutStartsTheProgramAgainAndCloses() {
    UiFixture fixture;
    QVERIFY(fixture.StartRecorder());
    QVERIFY(fixture.LogIn());
    // A stand-in for the program that leaves a mark when it starts.
    const QString mark = QString::fromStdString(fixture.HomeFolder()) + "started";
    const QString program = QString::fromStdString(fixture.HomeFolder()) + "stand-in.sh";
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$#\" > '%1'\n").arg(mark).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ui::CDlgMainWnd window(fixture.Context());
    window.SetRestartProgram(program);
    window.show();
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    window.PageButton(ui::kPageLogout)->click();
    QVERIFY(!window.isVisible());
    QVERIFY(window.LivePage() == nullptr);  // the working pages went with the window
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 10000);
    QFile started(mark);
    QVERIFY(started.open(QIODevice::ReadOnly));
    QCOMPARE(started.readAll().trimmed(), QByteArray("0"));  // no arguments
}

void MainWindowTest::LoginToSixteenChannelsFillsEveryPaneWithMovingPictures() {
    UiFixture fixture;
    QVERIFY(fixture.StartRecorder(RecorderWithChannels(16)));
    ui::CDlgMainWnd window(fixture.Context());
    window.show();
    client::LoginForm form;
    form.address = "127.0.0.1";
    form.mediaPort = std::to_string(fixture.Recorder().CommandPort());
    form.setupOrDevice = std::to_string(fixture.Recorder().MctpPort());
    form.user = "admin";
    form.password = "admin";
    window.LoginPage()->FillForm(form);
    window.LoginPage()->PressLogin();
    QTRY_VERIFY_WITH_TIMEOUT(window.LoggedIn(), 20000);

    // The first LIVE chose the 16-pane grid for 16 channels; the page starts
    // every pane by itself.
    ui::CDlgRealAv* live = window.LivePage();
    QCOMPARE(live->WindowCount(), 16);
    QTRY_COMPARE_WITH_TIMEOUT(fixture.Recorder().Observed().RunningStreams(), size_t{16}, 30000);
    std::array<uint64_t, 16> seen{};
    for (int k = 0; k < 16; ++k) {
        widgets::VideoSurface* surface = live->Pane(k)->Surface();
        QVERIFY(surface->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(surface->PicturesPresented() > 0, 30000);
        seen[static_cast<size_t>(k)] = surface->PicturesPresented();
    }
    // Pictures keep coming, and they differ: the simulator's clip moves.
    for (int k = 0; k < 16; ++k) {
        widgets::VideoSurface* surface = live->Pane(k)->Surface();
        const QImage first = surface->grab().toImage();
        QTRY_VERIFY_WITH_TIMEOUT(surface->PicturesPresented() > seen[static_cast<size_t>(k)] + 10,
                                 30000);
        QTRY_VERIFY_WITH_TIMEOUT(surface->grab().toImage() != first, 10000);
    }
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::MainWindowTest)
#include "main_window_test.moc"
