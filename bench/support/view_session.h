// The client program as its start-up makes it, for benchmarks: a context
// with the program's Qt timers and a scratch home, and the main window shown
// at its login page, logged in by pressing LOGIN with the form filled as an
// operator would (main stream) against a ViewRecorder.
//
// Threading: GUI thread, with a QApplication made by the caller.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client_context.h"

namespace kestrel::ui {
class CDlgMainWnd;
}
namespace kestrel::widgets {
class VideoSurface;
}

namespace kestrel::bench {

class ViewRecorder;

class ViewSession {
public:
    // homeFolder ends with a separator.
    ViewSession(const std::string& homeFolder, const ViewRecorder& recorder);
    // The window goes before the context closes the device.
    ~ViewSession();
    ViewSession(const ViewSession&) = delete;
    ViewSession& operator=(const ViewSession&) = delete;

    // Fills the login form (admin/admin, main stream) and presses LOGIN.
    void PressLogin();
    bool LoggedIn() const;
    // The picture areas of the live page's visible panes; empty until the
    // login made the page.
    std::vector<widgets::VideoSurface*> VisibleSurfaces() const;

    ui::CDlgMainWnd& Window() { return *window_; }
    client::ClientContext& Context() { return *context_; }

private:
    const ViewRecorder& recorder_;
    std::unique_ptr<client::ClientContext> context_;
    std::unique_ptr<ui::CDlgMainWnd> window_;
};

}  // namespace kestrel::bench
