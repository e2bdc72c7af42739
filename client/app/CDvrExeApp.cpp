#include "CDvrExeApp.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <memory>

#include "CDlgFileList.h"
#include "CDlgMainSetup.h"
#include "CDlgMainWnd.h"
#include "CDlgPlayBack.h"
#include "CDlgRealAv.h"
#include "CUserLogin.h"
#include "client_context.h"
#include "live_messages.h"
#include "message_box_ui.h"
#include "page_messages.h"
#include "platform/paths.h"
#include "qt_seams.h"

namespace kestrel::app {
namespace {

// The layout command's argument for a grid of panes.
intptr_t LayoutArgument(int panes) {
    switch (panes) {
        case 1:
            return 1;
        case 4:
            return 2;
        case 9:
            return 3;
        default:
            return 4;
    }
}

// Presses PLAY or DOWNLOAD for a row of the REPLAY page's list once the
// day's search has listed it; gives up after kListWaitMs.
void PressRowWhenListed(ui::CDlgMainWnd& window, int row, bool play) {
    constexpr int kPollMs = 100;
    constexpr int kListWaitMs = 20000;
    auto* poll = new QTimer(&window);
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, waited, row, play] {
        ui::CDlgPlayBack* page = window.PlaybackPage();
        QTreeWidget* list = page != nullptr ? page->FileList()->List() : nullptr;
        *waited += kPollMs;
        if (list != nullptr && list->topLevelItemCount() >= row) {
            list->setCurrentItem(list->topLevelItem(row - 1));
            if (play) {
                page->FileList()->PlaySelected();
            } else {
                page->FileList()->DownloadOrStop();
            }
        } else if (*waited < kListWaitMs) {
            return;
        } else {
            std::fprintf(stderr, "KestrelView: the REPLAY list has no row %d\n", row);
        }
        poll->deleteLater();
        poll->stop();
    });
    poll->start(kPollMs);
}

void ApplyAfterLogin(const CommandLine& options, ui::CDlgMainWnd& window) {
    if (options.page != 0 && options.page != ui::kPageLive) {
        window.ShowPage(options.page);
    }
    if (options.settingsPage != client::SettingsPageId::kNone &&
        window.RemoteSettingPage() != nullptr) {
        window.RemoteSettingPage()->Choose(options.settingsPage);
    }
    if (options.page == ui::kPageReplay && options.playRow != 0) {
        PressRowWhenListed(window, options.playRow, true);
    }
    if (options.page == ui::kPageReplay && options.downloadRow != 0) {
        PressRowWhenListed(window, options.downloadRow, false);
    }
    ui::CDlgRealAv* live = window.LivePage();
    if (live == nullptr) {
        return;
    }
    if (options.layout != 0) {
        live->OnMessage(client::UM_PANEL_COMMAND, ui::kPanelLayout, LayoutArgument(options.layout));
    }
    if (options.fullScreen) {
        live->OnMessage(client::UM_PANEL_COMMAND, ui::kPanelLayout, 0);
    }
}

// The window the operator sees: the live page when it covers the screen.
QWidget* VisibleWindow(ui::CDlgMainWnd& window) {
    ui::CDlgRealAv* live = window.LivePage();
    if (live != nullptr && live->IsFullScreen()) {
        return live;
    }
    return &window;
}

}  // namespace

int CDvrExeApp::Run(const CommandLine& options, const std::string& password) {
    client::ClientContext context(platform::ClientHomeFolder(), ui::QtSeams());
    context.Init();
    ui::MessageBoxUi messages;
    context.ui = &messages;

    int status = 0;
    {
        ui::CDlgMainWnd window(context);
        messages.SetParent(&window);
        window.SetAfterLogin([&options, &window] { ApplyAfterLogin(options, window); });
        window.show();

        if (options.user) {
            client::LoginForm form;
            form.mode = client::kLoginModeDvr;
            form.address = options.host;
            form.mediaPort = std::to_string(options.port != 0 ? options.port : context.mediaPort);
            form.setupOrDevice = options.setupPort != 0 ? std::to_string(options.setupPort) : "";
            form.user = *options.user;
            form.password = password;
            form.network = options.stream;
            window.LoginPage()->FillForm(form);
            QTimer::singleShot(0, &window, [&window] { window.LoginPage()->PressLogin(); });
        }
        if (options.quitAfterSeconds > 0) {
            const int delay = static_cast<int>(std::lround(options.quitAfterSeconds * 1000));
            QTimer::singleShot(delay, &window, [&options, &window] {
                if (options.screenshot) {
                    const QString path = QString::fromStdString(*options.screenshot);
                    if (VisibleWindow(window)->grab().save(path, "PNG")) {
                        std::printf("screenshot: %s\n", options.screenshot->c_str());
                    } else {
                        std::fprintf(stderr, "KestrelView: cannot write %s\n",
                                     options.screenshot->c_str());
                    }
                    std::fflush(stdout);
                }
                const bool loginMissing = options.user && !window.LoggedIn();
                if (loginMissing) {
                    std::fprintf(stderr, "KestrelView: not logged in to %s\n",
                                 options.host.c_str());
                }
                QCoreApplication::exit(loginMissing ? 1 : 0);
            });
        }
        status = QApplication::exec();
        context.ui = nullptr;
    }
    context.Close();
    return status;
}

}  // namespace kestrel::app
