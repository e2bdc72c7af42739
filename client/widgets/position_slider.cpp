#include "position_slider.h"

#include <QPainter>
#include <QStyleOptionSlider>
#include <algorithm>

namespace kestrel::widgets {
namespace {

const QColor kExtentColor{0x5f, 0x8a, 0x5a};  // arrived: muted green, apart from the played part

}  // namespace

PositionSlider::PositionSlider(int maximum, QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, maximum);
}

void PositionSlider::SetExtent(int value) {
    value = std::clamp(value, minimum(), maximum());
    if (value != extent_) {
        extent_ = value;
        update();
    }
}

void PositionSlider::paintEvent(QPaintEvent* event) {
    const int span = maximum() - minimum();
    if (span > 0 && extent_ > minimum()) {
        // Behind the groove and a little taller, so the played part and the
        // handle stay as the style draws them.
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect groove =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const int rise = std::max(3, groove.height() / 2);
        QRect band = groove.adjusted(0, -rise, 0, rise);
        band.setWidth(static_cast<int>(int64_t{groove.width()} * (extent_ - minimum()) / span));
        QPainter painter(this);
        painter.fillRect(band, kExtentColor);
    }
    QSlider::paintEvent(event);
}

}  // namespace kestrel::widgets
