// The REPLAY page: one video pane on the left with the playback controller's
// bar in a strip below it, the calendar pane and the file list on the right.
// The page answers the calendar's day mask query (UM_CALENDAR) and hands the
// pane to the controller as its target (UM_SELECT_TARGET).
//
// Threading: GUI thread. The day mask query is a synchronous library call
// on the GUI thread.
//
// Lifetime: made by the main window after the first login; its panes live
// as long as it does. The controller's bar, once placed, is owned by the page.
#pragma once

#include <functional>

#include "page_widget.h"
#include "playback_messages.h"

namespace kestrel::widgets {
class VideoSurface;
}

namespace kestrel::ui {

class CDlgFileList;
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

    // Places the controller's bar in the strip below the pane (the page takes
    // it over) and gives the file list the controller's requests (borrowed;
    // null: PLAY and DOWNLOAD do nothing).
    void SetControlBar(QWidget* bar, PlaybackRequests* requests);
    // The picture widget the controller plays into.
    widgets::VideoSurface* TargetSurface() const;
    // Run by StopPlayback and by UM_SELECT_TARGET; the controller sets them.
    void SetStopHook(std::function<void()> hook) { stopHook_ = std::move(hook); }
    void SetTargetHook(std::function<void(widgets::VideoSurface*)> hook) {
        targetHook_ = std::move(hook);
    }
    // Ends what the page plays (the live page is about to be shown).
    void StopPlayback();

    CDlgSearchPannel* CalendarPane() const { return calendar_; }
    CDlgFileList* FileList() const { return fileList_; }
    QWidget* ControlStrip() const { return strip_; }
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
    QWidget* strip_;
    bool shownOnce_ = false;
    std::function<void()> stopHook_;
    std::function<void(widgets::VideoSurface*)> targetHook_;
};

}  // namespace kestrel::ui
