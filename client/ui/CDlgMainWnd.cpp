#include "CDlgMainWnd.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <cmath>

#include "CDlgLocalSetting.h"
#include "CDlgMainSetup.h"
#include "CDlgPlayBack.h"
#include "CDlgRealAv.h"
#include "CUserLogin.h"
#include "live_messages.h"
#include "picture_button.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {
namespace {

using widgets::Glyph;
using widgets::PictureButton;

struct PageButtonInfo {
    int identifier;
    int textId;
    Glyph glyph;
};
// Left to right along the top edge.
constexpr PageButtonInfo kPageButtons[] = {
    {kPageLive, client::kTextLive, Glyph::kLive},
    {kPageReplay, client::kTextReplay, Glyph::kReplay},
    {kPageRemoteSetting, client::kTextRemoteSetting, Glyph::kRemoteSetting},
    {kPageLocalSetting, client::kTextLocalSetting, Glyph::kLocalSetting},
    {kPageLogout, client::kTextLogout, Glyph::kLogout},
};

// The message the remote setting page gets whenever it is shown.
constexpr uint32_t kSettingShown = 0x703;
constexpr intptr_t kSettingShownFirst = 0x705;

}  // namespace

CDlgMainWnd::CDlgMainWnd(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent) {
    RegisterPage(client::PageId::kMainWindow);
    setWindowTitle(Text(client::kTextMainCaption));
    resize(kMainWidth, kMainHeight);
    setMinimumSize(800, 520);
    setAutoFillBackground(true);

    for (size_t i = 0; i < pageButtons_.size(); ++i) {
        const PageButtonInfo& info = kPageButtons[i];
        auto* button = new PictureButton(info.glyph, Text(info.textId), this);
        button->setCheckable(info.identifier != kPageLogout);
        // The pictures would crowd out the longer texts in a 115-pixel slot.
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setStyleSheet(QStringLiteral("QToolButton { padding: 3px 2px; }"));
        button->setObjectName(QStringLiteral("pageButton%1").arg(info.identifier));
        connect(button, &QAbstractButton::clicked, this,
                [this, identifier = info.identifier] { ShowPage(identifier); });
        button->hide();
        pageButtons_[i] = button;
    }
    versionLabel_ = new QLabel(QStringLiteral("V1.5.0"), this);
    versionLabel_->setStyleSheet(QStringLiteral("color: white;"));
    versionLabel_->hide();

    loginPage_ = new CUserLogin(context, this);
    loginPage_->setGeometry(rect());
    loginPage_->show();
    loginPage_->setFocus();
}

CDlgMainWnd::~CDlgMainWnd() {
    UnregisterPage();
    DestroyWorkingPages();
}

PictureButton* CDlgMainWnd::PageButton(int identifier) const {
    for (size_t i = 0; i < pageButtons_.size(); ++i) {
        if (kPageButtons[i].identifier == identifier) {
            return pageButtons_[i];
        }
    }
    return nullptr;
}

QRect CDlgMainWnd::PageArea() const {
    return QRect(0, kPageTop, width(), std::max(0, height() - kPageTop));
}

void CDlgMainWnd::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    switch (message) {
        case client::UM_LOGIN:
            if (second == 1) {
                OnLoggedIn();
            } else if (second == 0) {
                loggedIn_ = false;
            }
            break;
        case UM_SAVE_RESULT:
            ShowSaveResult(first == 1, second != 0 ? *reinterpret_cast<const std::string*>(second)
                                                   : std::string());
            break;
        case client::UM_SHOW_TEXT:
            Context().ShowPostedText(first);
            break;
        default:
            break;
    }
}

void CDlgMainWnd::OnLoggedIn() {
    const bool first = !loggedIn_;
    loggedIn_ = true;
    if (first) {
        CreateWorkingPages();
    }
    // Before the first page is chosen: the remote setting page prepares
    // itself, and the file list learns of the login.
    PageWidget::Send(remoteSettingPage_, client::UM_LOGIN, client::kLoginDone, 1);
    Context().pages.Post(client::PageId::kFileListPane, 0xC0F, 0, 0);
    for (PictureButton* button : pageButtons_) {
        button->show();
    }
    versionLabel_->show();
    ShowPage(kPageLive);
    if (afterLogin_) {
        afterLogin_();
    }
}

void CDlgMainWnd::CreateWorkingPages() {
    const QRect area = PageArea();
    livePage_ = new CDlgRealAv(Context(), this, this);
    playbackPage_ = new CDlgPlayBack(Context(), this);
    remoteSettingPage_ = new CDlgMainSetup(Context(), this);
    localSettingPage_ = new CDlgLocalSetting(Context(), livePage_, this);
    for (QWidget* page : std::initializer_list<QWidget*>{livePage_, playbackPage_,
                                                         remoteSettingPage_, localSettingPage_}) {
        page->setGeometry(area);
        page->hide();
    }
}

void CDlgMainWnd::DestroyWorkingPages() {
    // The playback, live and remote setting pages go first: the live page
    // stops talk and every pane on its way.
    delete playbackPage_;
    playbackPage_ = nullptr;
    delete livePage_;
    livePage_ = nullptr;
    delete remoteSettingPage_;
    remoteSettingPage_ = nullptr;
    delete localSettingPage_;
    localSettingPage_ = nullptr;
    currentPage_ = 0;
}

void CDlgMainWnd::MarkPressed(int identifier) {
    for (size_t i = 0; i < pageButtons_.size(); ++i) {
        if (pageButtons_[i]->isCheckable()) {
            pageButtons_[i]->setChecked(kPageButtons[i].identifier == identifier);
        }
    }
}

void CDlgMainWnd::ShowPage(int identifier) {
    if (!loggedIn_ || livePage_ == nullptr) {
        for (QWidget* page : std::initializer_list<QWidget*>{
                 livePage_, playbackPage_, remoteSettingPage_, localSettingPage_}) {
            if (page != nullptr) {
                page->hide();
            }
        }
        for (PictureButton* button : pageButtons_) {
            button->hide();
        }
        loginPage_->show();
        loginPage_->setFocus();
        return;
    }
    loginPage_->hide();
    for (PictureButton* button : pageButtons_) {
        button->show();
    }
    if (identifier != kPageLive) {
        livePage_->ShowRecordMarkers(false);
    }
    switch (identifier) {
        case kPageRemoteSetting:
            MarkPressed(kPageRemoteSetting);
            currentPage_ = kPageRemoteSetting;
            livePage_->hide();
            playbackPage_->hide();
            localSettingPage_->hide();
            remoteSettingPage_->show();
            remoteSettingPage_->setFocus();
            PageWidget::Send(remoteSettingPage_, kSettingShown, kSettingShownFirst, 0);
            break;
        case kPageLive:
            if (!liveChosenOnce_) {
                liveChosenOnce_ = true;
                // 1, 4, 9 or 16 panes for 1, 4, 8 or 16 channels.
                const int side = static_cast<int>(std::sqrt(Context().channelCount + 1));
                livePage_->OnMessage(client::UM_PANEL_COMMAND, kPanelLayout, side);
            }
            if (currentPage_ != kPageLive) {
                livePage_->ShowRecordMarkers(true);
                playbackPage_->StopPlayback();
                MarkPressed(kPageLive);
                currentPage_ = kPageLive;
                livePage_->show();
                playbackPage_->hide();
                remoteSettingPage_->hide();
                localSettingPage_->hide();
                livePage_->StartPanesLater();
                livePage_->setFocus();
            }
            break;
        case kPageReplay:
            if ((Context().rights.rights_b & client::kRightRemoteReplay) == 0) {
                MarkPressed(currentPage_);
                if (Context().ui != nullptr) {
                    Context().ui->ShowMessage(Context().LoadText(client::kTextPermissionDenied));
                }
                break;
            }
            MarkPressed(kPageReplay);
            currentPage_ = kPageReplay;
            livePage_->hide();
            remoteSettingPage_->hide();
            localSettingPage_->hide();
            playbackPage_->show();
            playbackPage_->setFocus();
            break;
        case kPageLocalSetting:
            MarkPressed(kPageLocalSetting);
            currentPage_ = kPageLocalSetting;
            livePage_->hide();
            playbackPage_->hide();
            remoteSettingPage_->hide();
            localSettingPage_->show();
            localSettingPage_->setFocus();
            break;
        case kPageLogout:
            Logout();
            break;
        default:
            break;
    }
}

void CDlgMainWnd::Logout() {
    const QString program =
        restartProgram_.isEmpty() ? QCoreApplication::applicationFilePath() : restartProgram_;
    // The new instance starts at its login page; this one closes even when
    // the start fails.
    if (!QProcess::startDetached(program, {})) {
        Context().WriteLog("Logout: could not start " + program.toStdString());
    }
    close();
}

void CDlgMainWnd::ShowSaveResult(bool saved, const std::string& path) {
    if (Context().ui == nullptr) {
        return;
    }
    if (saved) {
        Context().ui->ShowMessage(Context().LoadText(client::kTextSaveSuccess) + "\r\n" +
                                  Context().LoadText(client::kTextSavePath) + path);
    } else {
        Context().ui->ShowMessage(Context().LoadText(client::kTextSaveFailed));
    }
}

void CDlgMainWnd::resizeEvent(QResizeEvent* event) {
    PageWidget::resizeEvent(event);
    loginPage_->setGeometry(rect());
    for (size_t i = 0; i < pageButtons_.size(); ++i) {
        pageButtons_[i]->setGeometry(kTitleWidth + static_cast<int>(i) * kPageButtonWidth, 1,
                                     kPageButtonWidth - 2, kPageButtonHeight);
    }
    versionLabel_->setGeometry(width() - 70, 8, 64, 16);
    const QRect area = PageArea();
    for (QWidget* page : std::initializer_list<QWidget*>{livePage_, playbackPage_,
                                                         remoteSettingPage_, localSettingPage_}) {
        // The live page in full screen is a window of its own.
        if (page != nullptr && page->parentWidget() == this) {
            page->setGeometry(area);
        }
    }
}

void CDlgMainWnd::paintEvent(QPaintEvent* event) {
    PageWidget::paintEvent(event);
    if (!loggedIn_) {
        return;
    }
    QPainter painter(this);
    const QRect title(0, 0, kTitleWidth, kPageButtonHeight + 2);
    painter.fillRect(title, widgets::Theme::kTitleBar);
    painter.setPen(widgets::Theme::kText);
    painter.setFont(widgets::Theme::TitleFont());
    painter.drawText(title.adjusted(12, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("KestrelView  ") + QString::fromStdString(Context().ip));
}

void CDlgMainWnd::closeEvent(QCloseEvent* event) {
    DestroyWorkingPages();
    PageWidget::closeEvent(event);
}

}  // namespace kestrel::ui
