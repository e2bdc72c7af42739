#include "CSelectStatic.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "theme.h"

namespace kestrel::ui {
namespace {

const QColor kGridLine{0xd3, 0xd3, 0xd3, 160};
const QColor kCellFill{0x00, 0xa8, 0xff, 125};
const QColor kNoPicture{0x10, 0x12, 0x16};

}  // namespace

CSelectStatic::CSelectStatic(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSelectStatic::Setup(int mode, int columns, int rows) {
    mode_ = mode;
    // A count of zero would divide by zero below; more would index past the
    // twelve 15-bit words.
    columns_ = std::clamp(columns, 1, client::kRegionMaxColumns);
    rows_ = std::clamp(rows, 1, client::kRegionMaxRows);
    cellWidth_ = std::max(width() / columns_, 1);
    cellHeight_ = std::max(height() / rows_, 1);
    resize(columns_ * cellWidth_ + 1, rows_ * cellHeight_ + 1);
    drag_ = {};
    update();
}

void CSelectStatic::SetPicturePath(const QString& path) {
    picturePath_ = path;
    pictureTried_ = false;
    pictureLoaded_ = false;
    picture_ = QImage();
    update();
}

void CSelectStatic::Clear() {
    cells_.fill(0);
    confirmed_.fill(0);
    rectangle_ = {};
    drag_ = {};
    update();
}

void CSelectStatic::SetCells(const client::RegionCells& cells) {
    cells_ = cells;
    confirmed_ = cells;
    update();
}

void CSelectStatic::SetRectangle(CellRect rect) {
    auto ordered = [](int a, int b, int limit) {
        return std::pair{std::clamp(std::min(a, b), 0, limit),
                         std::clamp(std::max(a, b), 0, limit)};
    };
    std::tie(rect.left, rect.right) = ordered(rect.left, rect.right, columns_);
    std::tie(rect.top, rect.bottom) = ordered(rect.top, rect.bottom, rows_);
    rectangle_ = rect;
    update();
}

client::RegionCells CSelectStatic::ConfirmCells() {
    const uint16_t gridBits = static_cast<uint16_t>((1u << columns_) - 1);
    for (int r = 0; r < client::kRegionMaxRows; ++r) {
        const auto i = static_cast<size_t>(r);
        const uint16_t shown = r < rows_ ? gridBits : 0;
        confirmed_[i] = static_cast<uint16_t>((cells_[i] & shown) | (confirmed_[i] & ~shown));
    }
    cells_ = confirmed_;
    return confirmed_;
}

QRect CSelectStatic::PixelRect(CellRect rect) const {
    return QRect(rect.left * cellWidth_, rect.top * cellHeight_,
                 (rect.right - rect.left) * cellWidth_, (rect.bottom - rect.top) * cellHeight_);
}

QPoint CSelectStatic::CellAt(const QPoint& pixel) const {
    return {client::CellUnder(pixel.x(), cellWidth_, columns_),
            client::CellUnder(pixel.y(), cellHeight_, rows_)};
}

CellRect CSelectStatic::SpanTo(const QPoint& pixel) const {
    // Ordered by cell, not by snapped pixel, so a drag up or to the left
    // still takes in both the pressed cell and the one under the pointer.
    const QPoint end = CellAt(pixel);
    return {std::min(pressed_.x(), end.x()), std::min(pressed_.y(), end.y()),
            std::max(pressed_.x(), end.x()) + 1, std::max(pressed_.y(), end.y()) + 1};
}

void CSelectStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || held_) {
        return;
    }
    pressed_ = CellAt(event->position().toPoint());
    drag_ = SpanTo(event->position().toPoint());
    held_ = true;
    grabMouse();
    if (!CellMode()) {
        rectangle_ = {};
    }
    update();
}

void CSelectStatic::mouseMoveEvent(QMouseEvent* event) {
    if (!held_ || CellMode()) {
        return;
    }
    const CellRect next = SpanTo(event->position().toPoint());
    if (next != drag_) {
        drag_ = next;
        update();
    }
}

void CSelectStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !held_) {
        return;
    }
    held_ = false;
    releaseMouse();
    const CellRect span = SpanTo(event->position().toPoint());
    drag_ = {};
    if (CellMode()) {
        client::FlipCells(cells_, span.left, span.top, span.right - 1, span.bottom - 1, rows_,
                          columns_);
    } else {
        rectangle_ = span;
    }
    update();
}

void CSelectStatic::LoadPicture() {
    pictureTried_ = true;
    pictureLoaded_ = !picturePath_.isEmpty() && picture_.load(picturePath_);
}

void CSelectStatic::paintEvent(QPaintEvent*) {
    if (!pictureTried_) {
        LoadPicture();
    }
    QPainter painter(this);
    const QRect grid(0, 0, columns_ * cellWidth_, rows_ * cellHeight_);
    if (pictureLoaded_) {
        painter.drawImage(rect(), picture_);
    } else {
        painter.fillRect(rect(), kNoPicture);
    }

    if (CellMode()) {
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < columns_; ++c) {
                if ((cells_[static_cast<size_t>(r)] >> c) & 1) {
                    painter.fillRect(c * cellWidth_ + 1, r * cellHeight_ + 1, cellWidth_ - 1,
                                     cellHeight_ - 1, kCellFill);
                }
            }
        }
    }

    painter.setPen(kGridLine);
    for (int c = 1; c < columns_; ++c) {
        painter.drawLine(c * cellWidth_, 0, c * cellWidth_, grid.bottom() + 1);
    }
    for (int r = 1; r < rows_; ++r) {
        painter.drawLine(0, r * cellHeight_, grid.right() + 1, r * cellHeight_);
    }
    painter.setPen(widgets::Theme::kIdlePane);
    painter.drawRect(grid);

    if (!CellMode()) {
        if (!rectangle_.Empty()) {
            painter.setPen(QPen(widgets::Theme::kRecordMarker, 1));
            painter.drawRect(PixelRect(rectangle_));
            painter.drawRect(PixelRect(rectangle_).adjusted(1, 1, -1, -1));
        }
        if (!drag_.Empty()) {
            painter.setPen(QPen(widgets::Theme::kAccent, 1, Qt::DashLine));
            painter.drawRect(PixelRect(drag_));
        }
    }
}

}  // namespace kestrel::ui
