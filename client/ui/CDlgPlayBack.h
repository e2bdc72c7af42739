// The REPLAY page: one video pane on the left with the playback controller's
// bar in a strip below it, the calendar pane and the file list on the right.
// The page answers the calendar's day mask query (UM_CALENDAR) and hands the
// pane to the controller as its target (UM_SELECT_TARGET).
//
// Threading: GUI thread. The day mask query is a synchronous library call
// on the GUI thread.
//
// Lifetime: made by the main window after the first login; its panes live
// as long as it does. The page makes its control bar (which owns the
// playback controller) and closes it before the pane it plays into goes.
#pragma once

#include <functional>

#include "page_widget.h"
#include "playback_messages.h"

namespace kestrel::widgets {
class VideoSurface;
}

namespace kestrel::ui {

class CDlgFileList;
class CDlgPlayBkCtrl;
class CDlgSearchPannel;

class CDlgPlayBack : public PageWidget {
    Q_OBJECT

public:
    // Sizes at 100 % scale.
    static constexpr int kMargin = 8;
    static constexpr int kColumnWidth = 310;
    static constexpr int kCalendarHeight = 232;
    static constexpr int kBarHeight = 55;

    CDlgPlayBack(client::ClientContext& context, QWidget* parent);
    ~CDlgPlayBack() override;

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

    // Gives the file list other requests than the bar's (borrowed; null:
    // PLAY and DOWNLOAD do nothing). For tests of the list alone.
    void SetRequests(PlaybackRequests* requests);
    // The picture widget the controller plays into.
    widgets::VideoSurface* TargetSurface() const;
    // Run by UM_SELECT_TARGET instead of handing the pane to the bar. For
    // tests of the list alone.
    void SetTargetHook(std::function<void(widgets::VideoSurface*)> hook) {
        targetHook_ = std::move(hook);
    }
    // Ends what the page plays (the live page is about to be shown).
    void StopPlayback();

    CDlgSearchPannel* CalendarPane() const { return calendar_; }
    CDlgFileList* FileList() const { return fileList_; }
    CDlgPlayBkCtrl* ControlBar() const { return bar_; }
    QWidget* VideoPane() const { return pane_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Asks the recorder for the day mask of the calendar's selected month.
    void QueryDayMask(bool redraw);
    void LayOut();

    QWidget* pane_;
    widgets::VideoSurface* surface_;
    CDlgFileList* fileList_;
    CDlgSearchPannel* calendar_;
    CDlgPlayBkCtrl* bar_;
    bool shownOnce_ = false;
    std::function<void(widgets::VideoSurface*)> targetHook_;
};

}  // namespace kestrel::ui
