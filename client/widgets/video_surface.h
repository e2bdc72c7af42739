// The picture area of a video pane: a widget that the media library draws
// into through a KmVideoWindow.
//
// Threading: the widget itself belongs to the GUI thread. present and clear
// come from a channel's player thread and never touch the widget: present
// converts and scales the picture once, to the widget's size in device
// pixels, into a back buffer, swaps it with the front buffer under a short
// lock and posts one repaint request (at most one pending). paintEvent draws
// the front buffer 1:1, then the status text and the inner frame on top.
//
// Lifetime: the KmVideoWindow record, the buffers and the scaler live in a
// core owned by the widget. The window is borrowed by the media library from
// QW_DVR_MEDIA_StartPlay until the channel's stop returns, after which no
// present or clear runs: stop the channel before the widget goes. A repaint
// request still queued for a widget that is gone is dropped by Qt.
#pragma once

#include <QColor>
#include <QWidget>
#include <memory>
#include <optional>

#include "kestrel_media.h"

namespace kestrel::widgets {

class VideoSurface : public QWidget {
    Q_OBJECT

public:
    explicit VideoSurface(QWidget* parent = nullptr);
    ~VideoSurface() override;

    // What to give QW_DVR_MEDIA_StartPlay; valid as long as the widget.
    KmVideoWindow* Window();

    // Drawn centred over the picture area (and over black when idle).
    void SetStatusText(const QString& text);
    QString StatusText() const { return statusText_; }
    // A frame drawn just inside the widget's edge, or none.
    void SetInnerFrame(std::optional<QColor> color);

    // Pictures shown and repaints made so far (benchmarks, tests).
    uint64_t PicturesPresented() const;
    uint64_t Paints() const { return paints_; }
    // The latest picture has arrived and not been cleared since.
    bool HasPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Core;
    void PublishTargetSize();

    std::unique_ptr<Core> core_;
    QString statusText_;
    std::optional<QColor> innerFrame_;
    uint64_t paints_ = 0;
};

}  // namespace kestrel::widgets
