// The program's one top-level window: the login page until a login succeeds,
// then five page buttons along the top edge over the live, playback, remote
// setting and local settings pages. It also shows the results of snapshot
// saves and the core's posted texts.
//
// Threading: GUI thread. Notifications from other threads arrive as posted
// page messages (UM_LOGIN, UM_SHOW_TEXT).
#pragma once

#include <QString>
#include <array>
#include <functional>

#include "page_widget.h"

class QLabel;

namespace kestrel::widgets {
class PictureButton;
}

namespace kestrel::ui {

class CUserLogin;
class CDlgRealAv;
class CDlgPlayBack;
class CDlgMainSetup;
class CDlgLocalSetting;

// Page button identifiers, as ShowPage takes them.
constexpr int kPageLive = 280;
constexpr int kPageReplay = 281;
constexpr int kPageRemoteSetting = 225;
constexpr int kPageLocalSetting = 284;
constexpr int kPageLogout = 286;

// Sizes at 100 % scale.
constexpr int kMainWidth = 1000;
constexpr int kMainHeight = 645;
constexpr int kPageTop = 32;  // the working pages start below the page buttons
constexpr int kTitleWidth = 230;
constexpr int kPageButtonWidth = 115;
constexpr int kPageButtonHeight = 30;

// Sent by the live page (GUI thread): first 1 saved / 0 failed, second a
// const std::string* with the full path, valid during the call.
constexpr uint32_t UM_SAVE_RESULT = 0xD01;

class CDlgMainWnd : public PageWidget {
    Q_OBJECT

public:
    explicit CDlgMainWnd(client::ClientContext& context, QWidget* parent = nullptr);
    ~CDlgMainWnd() override;

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;
    // A page button: shows its page, or for LOGOUT starts a new instance of
    // the program and closes this one.
    void ShowPage(int identifier);

    // The program started at logout; applicationFilePath() unless set.
    void SetRestartProgram(const QString& program) { restartProgram_ = program; }
    // Runs once after each successful login, when the working pages exist
    // and the live page is shown (the command line's page choice).
    void SetAfterLogin(std::function<void()> task) { afterLogin_ = std::move(task); }

    bool LoggedIn() const { return loggedIn_; }
    int CurrentPage() const { return currentPage_; }
    CUserLogin* LoginPage() const { return loginPage_; }
    CDlgRealAv* LivePage() const { return livePage_; }
    CDlgPlayBack* PlaybackPage() const { return playbackPage_; }
    CDlgMainSetup* RemoteSettingPage() const { return remoteSettingPage_; }
    CDlgLocalSetting* LocalSettingPage() const { return localSettingPage_; }
    widgets::PictureButton* PageButton(int identifier) const;
    // The area the working pages cover, in the window's coordinates.
    QRect PageArea() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnLoggedIn();
    void CreateWorkingPages();
    void ShowSaveResult(bool saved, const std::string& path);
    void MarkPressed(int identifier);
    void Logout();
    void DestroyWorkingPages();

    CUserLogin* loginPage_ = nullptr;
    CDlgRealAv* livePage_ = nullptr;
    CDlgPlayBack* playbackPage_ = nullptr;
    CDlgMainSetup* remoteSettingPage_ = nullptr;
    CDlgLocalSetting* localSettingPage_ = nullptr;
    std::array<widgets::PictureButton*, 5> pageButtons_{};
    QLabel* versionLabel_ = nullptr;
    bool loggedIn_ = false;
    bool liveChosenOnce_ = false;
    int currentPage_ = 0;
    QString restartProgram_;
    std::function<void()> afterLogin_;
};

}  // namespace kestrel::ui
