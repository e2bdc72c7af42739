// One video pane of the live page: the picture area (a VideoSurface inset by
// one pixel inside the pane's outline) and the red "R" marker shown while the
// pane records. Pane k always shows channel k. The pane holds its own state;
// the live page starts, stops and records it.
//
// Threading: GUI thread. The surface's pictures come from the media
// library's player thread through the surface itself.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "client_context.h"

class QMenu;

namespace kestrel::widgets {
class VideoSurface;
}

namespace kestrel::ui {

class PageWidget;

// The white "R" on red over a recording pane's picture.
class CDlgVideoFlag : public QWidget {
    Q_OBJECT

public:
    explicit CDlgVideoFlag(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class CDlgVideo : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultVolume = 16383;
    // Where the marker sits relative to the picture area's top-left corner.
    static constexpr int kMarkerLeft = 20;
    static constexpr int kMarkerTop = 10;
    static constexpr int kMarkerSize = 15;

    // page receives the pane's clicks and menu commands.
    CDlgVideo(client::ClientContext& context, PageWidget* page, int index, QWidget* parent);
    ~CDlgVideo() override;

    int Index() const { return index_; }
    widgets::VideoSurface* Surface() const { return surface_; }
    CDlgVideoFlag* Marker() const { return marker_; }

    // ---- State the live page keeps in the pane ------------------------------
    int channel = -1;      // channel shown, -1 when idle
    bool playing = false;  // a live stream runs or is being started
    // A start is under way: its UM_REAL_PLAY_DONE counts once the start's
    // fence has arrived (older results for the channel are ahead of it).
    bool starting = false;
    bool fencePassed = false;
    uint32_t startSerial = 0;
    int volume = kDefaultVolume;
    // Pictures seen by the stall check and when their count last grew (ms of
    // the page's clock).
    uint64_t picturesSeen = 0;
    int64_t lastPictureMs = 0;

    bool IsSelected() const { return selected_; }
    void SetSelected(bool selected);
    bool Recording() const { return recording_; }
    void SetRecording(bool recording);
    // The live page is shown: markers of recording panes may show.
    void SetMarkerAllowed(bool allowed);
    void SetStatusText(const QString& text);
    QString StatusText() const;

    // The right-click menu with its items enabled for the pane's state; its
    // items post UM_PANEL_COMMAND to the page.
    std::unique_ptr<QMenu> MakeMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UpdateMarker();

    client::ClientContext& context_;
    PageWidget* page_;
    const int index_;
    widgets::VideoSurface* surface_;
    CDlgVideoFlag* marker_;
    bool selected_ = false;
    bool recording_ = false;
    bool markerAllowed_ = true;
};

}  // namespace kestrel::ui
