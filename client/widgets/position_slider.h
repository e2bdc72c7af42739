// The position slider of a playback that is still being downloaded: a
// horizontal slider whose groove also shows, as a coloured band, how far the
// file has arrived. Positions and the extent share the slider's range.
//
// Threading: GUI thread.
#pragma once

#include <QSlider>

namespace kestrel::widgets {

class PositionSlider : public QSlider {
    Q_OBJECT

public:
    explicit PositionSlider(int maximum, QWidget* parent = nullptr);

    // The arrived part, clamped to the range; repaints when it changes.
    void SetExtent(int value);
    int Extent() const { return extent_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int extent_ = 0;
};

}  // namespace kestrel::widgets
