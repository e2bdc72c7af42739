#include "view_session.h"

#include "CDlgMainWnd.h"
#include "CDlgRealAv.h"
#include "CDlgVideo.h"
#include "CUserLogin.h"
#include "login_sequence.h"
#include "pane_recording.h"
#include "qt_seams.h"
#include "video_surface.h"
#include "view_bench.h"

namespace kestrel::bench {

ViewSession::ViewSession(const std::string& homeFolder, const ViewRecorder& recorder)
    : recorder_(recorder),
      context_(std::make_unique<client::ClientContext>(homeFolder, ui::QtSeams())) {
    context_->Init();
    // No message boxes: a benchmark has nobody to close them.
    context_->ui = nullptr;
    window_ = std::make_unique<ui::CDlgMainWnd>(*context_);
    window_->show();
}

ViewSession::~ViewSession() {
    window_.reset();
    context_->Close();
}

void ViewSession::PressLogin() {
    client::LoginForm form;
    form.mode = client::kLoginModeDvr;
    form.address = recorder_.Address();
    form.mediaPort = std::to_string(recorder_.CommandPort());
    form.setupOrDevice = std::to_string(recorder_.MctpPort());
    form.user = "admin";
    form.password = "admin";
    form.network = client::kNetworkMainStream;
    window_->LoginPage()->FillForm(form);
    window_->LoginPage()->PressLogin();
}

bool ViewSession::LoggedIn() const {
    return window_->LoggedIn();
}

std::vector<widgets::VideoSurface*> ViewSession::VisibleSurfaces() const {
    std::vector<widgets::VideoSurface*> surfaces;
    const ui::CDlgRealAv* live = window_->LivePage();
    if (live == nullptr) {
        return surfaces;
    }
    for (int k = 0; k < client::kPaneCount; ++k) {
        ui::CDlgVideo* pane = live->Pane(k);
        if (pane != nullptr && pane->isVisible() && pane->Surface() != nullptr) {
            surfaces.push_back(pane->Surface());
        }
    }
    return surfaces;
}

}  // namespace kestrel::bench
