// The live page: 16 video panes in a 1/4/9/16 grid or full screen, the
// channel control panel and the PTZ pane.
#pragma once

#include "page_widget.h"

namespace kestrel::ui {

class CDlgMainWnd;

class CDlgRealAv : public PageWidget {
    Q_OBJECT

public:
    // mainWindow receives UM_SAVE_RESULT and takes the page back after
    // full screen.
    CDlgRealAv(client::ClientContext& context, CDlgMainWnd* mainWindow, QWidget* parent);
    // Stops talk and every pane.
    ~CDlgRealAv() override;

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;
    // Shows or hides the "R" markers of the recording panes.
    void ShowRecordMarkers(bool visible);
    // The page was shown: every pane starts after 300 ms.
    void StartPanesLater();
    bool IsFullScreen() const { return false; }

private:
    CDlgMainWnd* mainWindow_;
};

}  // namespace kestrel::ui
