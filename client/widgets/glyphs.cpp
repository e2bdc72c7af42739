#include "glyphs.h"

#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "theme.h"

namespace kestrel::widgets {
namespace {

void DrawGrid(QPainter& painter, const QRectF& box, int side) {
    const qreal cell = box.width() / side;
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            const QRectF r(box.left() + column * cell, box.top() + row * cell, cell, cell);
            painter.drawRect(r.adjusted(1, 1, -1, -1));
        }
    }
}

void DrawArrow(QPainter& painter, const QRectF& box, int direction) {
    painter.save();
    painter.translate(box.center());
    painter.rotate(45.0 * direction);
    const qreal s = box.width() / 2;
    const QPolygonF head{QPointF(0, -s), QPointF(s * 0.75, s * 0.15), QPointF(-s * 0.75, s * 0.15)};
    painter.setBrush(painter.pen().color());
    painter.drawPolygon(head);
    painter.restore();
}

void DrawSpeaker(QPainter& painter, const QRectF& box, bool on) {
    const qreal w = box.width();
    const QPolygonF body{QPointF(box.left(), box.top() + w * 0.35),
                         QPointF(box.left() + w * 0.25, box.top() + w * 0.35),
                         QPointF(box.left() + w * 0.5, box.top() + w * 0.1),
                         QPointF(box.left() + w * 0.5, box.top() + w * 0.9),
                         QPointF(box.left() + w * 0.25, box.top() + w * 0.65),
                         QPointF(box.left(), box.top() + w * 0.65)};
    painter.setBrush(painter.pen().color());
    painter.drawPolygon(body);
    painter.setBrush(Qt::NoBrush);
    if (on) {
        painter.drawArc(QRectF(box.left() + w * 0.35, box.top() + w * 0.3, w * 0.4, w * 0.4),
                        -60 * 16, 120 * 16);
        painter.drawArc(QRectF(box.left() + w * 0.3, box.top() + w * 0.12, w * 0.7, w * 0.76),
                        -60 * 16, 120 * 16);
    } else {
        painter.drawLine(QPointF(box.left() + w * 0.62, box.top() + w * 0.32),
                         QPointF(box.right(), box.top() + w * 0.68));
        painter.drawLine(QPointF(box.left() + w * 0.62, box.top() + w * 0.68),
                         QPointF(box.right(), box.top() + w * 0.32));
    }
}

// A filled triangle pointing right (forward) or left, inside r.
void DrawTriangle(QPainter& painter, const QRectF& r, bool forward) {
    const qreal tip = forward ? r.right() : r.left();
    const qreal base = forward ? r.left() : r.right();
    painter.drawPolygon(
        QPolygonF{QPointF(base, r.top()), QPointF(tip, r.center().y()), QPointF(base, r.bottom())});
}

}  // namespace

void DrawGlyph(QPainter& painter, const QRectF& outer, Glyph glyph, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(outer.width(), outer.height());
    const QRectF box(outer.center().x() - side / 2, outer.center().y() - side / 2, side, side);
    QPen pen(color, std::max<qreal>(1.0, side / 12));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal w = box.width();
    switch (glyph) {
        case Glyph::kNone:
            break;
        case Glyph::kPlay:
        case Glyph::kLive: {
            painter.setBrush(color);
            painter.drawPolygon(QPolygonF{QPointF(box.left() + w * 0.25, box.top() + w * 0.15),
                                          QPointF(box.right() - w * 0.15, box.center().y()),
                                          QPointF(box.left() + w * 0.25, box.bottom() - w * 0.15)});
            break;
        }
        case Glyph::kStop:
            painter.setBrush(color);
            painter.drawRect(box.adjusted(w * 0.22, w * 0.22, -w * 0.22, -w * 0.22));
            break;
        case Glyph::kSnapshot: {
            const QRectF body = box.adjusted(w * 0.05, w * 0.28, -w * 0.05, -w * 0.12);
            painter.drawRoundedRect(body, w * 0.08, w * 0.08);
            painter.drawRect(
                QRectF(box.left() + w * 0.32, box.top() + w * 0.14, w * 0.36, w * 0.14));
            painter.drawEllipse(body.center(), w * 0.17, w * 0.17);
            break;
        }
        case Glyph::kRecord:
            painter.setBrush(QColor(220, 40, 40));
            painter.setPen(QPen(color, pen.widthF()));
            painter.drawEllipse(box.center(), w * 0.32, w * 0.32);
            break;
        case Glyph::kFullScreen: {
            const qreal a = w * 0.1, b = w * 0.35;
            const QRectF r = box.adjusted(a, a, -a, -a);
            painter.drawPolyline(QPolygonF{QPointF(r.left(), r.top() + b), r.topLeft(),
                                           QPointF(r.left() + b, r.top())});
            painter.drawPolyline(QPolygonF{QPointF(r.right() - b, r.top()), r.topRight(),
                                           QPointF(r.right(), r.top() + b)});
            painter.drawPolyline(QPolygonF{QPointF(r.right(), r.bottom() - b), r.bottomRight(),
                                           QPointF(r.right() - b, r.bottom())});
            painter.drawPolyline(QPolygonF{QPointF(r.left() + b, r.bottom()), r.bottomLeft(),
                                           QPointF(r.left(), r.bottom() - b)});
            break;
        }
        case Glyph::kGrid1:
            DrawGrid(painter, box.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1), 1);
            break;
        case Glyph::kGrid4:
            DrawGrid(painter, box.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1), 2);
            break;
        case Glyph::kGrid9:
            pen.setWidthF(std::max<qreal>(1.0, side / 20));
            painter.setPen(pen);
            DrawGrid(painter, box.adjusted(w * 0.05, w * 0.05, -w * 0.05, -w * 0.05), 3);
            break;
        case Glyph::kGrid16:
            pen.setWidthF(std::max<qreal>(1.0, side / 24));
            painter.setPen(pen);
            DrawGrid(painter, box.adjusted(w * 0.02, w * 0.02, -w * 0.02, -w * 0.02), 4);
            break;
        case Glyph::kSpeakerOn:
            DrawSpeaker(painter, box.adjusted(w * 0.05, 0, 0, 0), true);
            break;
        case Glyph::kSpeakerOff:
            DrawSpeaker(painter, box.adjusted(w * 0.05, 0, 0, 0), false);
            break;
        case Glyph::kTalk: {
            painter.drawRoundedRect(
                QRectF(box.left() + w * 0.36, box.top() + w * 0.08, w * 0.28, w * 0.5), w * 0.14,
                w * 0.14);
            painter.drawArc(QRectF(box.left() + w * 0.24, box.top() + w * 0.25, w * 0.52, w * 0.5),
                            180 * 16, 180 * 16);
            painter.drawLine(QPointF(box.center().x(), box.top() + w * 0.75),
                             QPointF(box.center().x(), box.bottom() - w * 0.08));
            break;
        }
        case Glyph::kArrowUp:
        case Glyph::kArrowUpRight:
        case Glyph::kArrowRight:
        case Glyph::kArrowDownRight:
        case Glyph::kArrowDown:
        case Glyph::kArrowDownLeft:
        case Glyph::kArrowLeft:
        case Glyph::kArrowUpLeft:
            DrawArrow(painter, box.adjusted(w * 0.2, w * 0.2, -w * 0.2, -w * 0.2),
                      static_cast<int>(glyph) - static_cast<int>(Glyph::kArrowUp));
            break;
        case Glyph::kCentre:
            painter.drawEllipse(box.center(), w * 0.18, w * 0.18);
            break;
        case Glyph::kPlus:
            painter.drawLine(QPointF(box.center().x(), box.top() + w * 0.2),
                             QPointF(box.center().x(), box.bottom() - w * 0.2));
            [[fallthrough]];
        case Glyph::kMinus:
            painter.drawLine(QPointF(box.left() + w * 0.2, box.center().y()),
                             QPointF(box.right() - w * 0.2, box.center().y()));
            break;
        case Glyph::kClose:
            painter.drawLine(box.topLeft() + QPointF(w * 0.2, w * 0.2),
                             box.bottomRight() - QPointF(w * 0.2, w * 0.2));
            painter.drawLine(box.topRight() + QPointF(-w * 0.2, w * 0.2),
                             box.bottomLeft() + QPointF(w * 0.2, -w * 0.2));
            break;
        case Glyph::kFolder: {
            QPainterPath path;
            path.moveTo(box.left() + w * 0.08, box.top() + w * 0.25);
            path.lineTo(box.left() + w * 0.4, box.top() + w * 0.25);
            path.lineTo(box.left() + w * 0.48, box.top() + w * 0.35);
            path.lineTo(box.right() - w * 0.08, box.top() + w * 0.35);
            path.lineTo(box.right() - w * 0.08, box.bottom() - w * 0.2);
            path.lineTo(box.left() + w * 0.08, box.bottom() - w * 0.2);
            path.closeSubpath();
            painter.drawPath(path);
            break;
        }
        case Glyph::kReplay: {
            const QRectF r = box.adjusted(w * 0.15, w * 0.15, -w * 0.15, -w * 0.15);
            painter.drawArc(r, 90 * 16, 300 * 16);
            painter.setBrush(color);
            painter.drawPolygon(QPolygonF{QPointF(r.center().x() - w * 0.12, r.top() - w * 0.1),
                                          QPointF(r.center().x() + w * 0.06, r.top()),
                                          QPointF(r.center().x() - w * 0.12, r.top() + w * 0.1)});
            break;
        }
        case Glyph::kRemoteSetting:
        case Glyph::kLocalSetting: {
            const QPointF c = box.center();
            for (int tooth = 0; tooth < 8; ++tooth) {
                const qreal angle = tooth * M_PI / 4;
                painter.drawLine(c + QPointF(std::cos(angle), std::sin(angle)) * w * 0.28,
                                 c + QPointF(std::cos(angle), std::sin(angle)) * w * 0.42);
            }
            painter.drawEllipse(c, w * 0.27, w * 0.27);
            painter.drawEllipse(c, w * 0.1, w * 0.1);
            break;
        }
        case Glyph::kPause:
            painter.setBrush(color);
            painter.drawRect(QRectF(box.left() + w * 0.25, box.top() + w * 0.2, w * 0.16, w * 0.6));
            painter.drawRect(QRectF(box.left() + w * 0.59, box.top() + w * 0.2, w * 0.16, w * 0.6));
            break;
        case Glyph::kFastForward:
        case Glyph::kSlowDown: {
            const bool forward = glyph == Glyph::kFastForward;
            painter.setBrush(color);
            DrawTriangle(painter,
                         QRectF(box.left() + w * 0.1, box.top() + w * 0.25, w * 0.4, w * 0.5),
                         forward);
            DrawTriangle(painter,
                         QRectF(box.left() + w * 0.5, box.top() + w * 0.25, w * 0.4, w * 0.5),
                         forward);
            break;
        }
        case Glyph::kNextFrame:
        case Glyph::kPrevFrame: {
            const bool forward = glyph == Glyph::kNextFrame;
            painter.setBrush(color);
            DrawTriangle(painter,
                         QRectF(box.left() + (forward ? w * 0.2 : w * 0.38), box.top() + w * 0.22,
                                w * 0.42, w * 0.56),
                         forward);
            painter.drawRect(QRectF(box.left() + (forward ? w * 0.66 : w * 0.2),
                                    box.top() + w * 0.22, w * 0.12, w * 0.56));
            break;
        }
        case Glyph::kLogout: {
            const QPointF c = box.center();
            painter.drawArc(box.adjusted(w * 0.15, w * 0.18, -w * 0.15, -w * 0.12), 120 * 16,
                            300 * 16);
            painter.drawLine(QPointF(c.x(), box.top() + w * 0.08), QPointF(c.x(), c.y()));
            break;
        }
    }
    painter.restore();
}

QIcon GlyphIcon(Glyph glyph, int size) {
    QIcon icon;
    const struct {
        QIcon::Mode mode;
        QColor color;
    } looks[] = {{QIcon::Normal, Theme::kText},
                 {QIcon::Disabled, Theme::kDisabledText},
                 {QIcon::Active, Theme::kAccent},
                 {QIcon::Selected, Theme::kAccent}};
    for (const auto& look : looks) {
        for (int scale : {1, 2}) {
            QPixmap pixmap(size * scale, size * scale);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            DrawGlyph(painter, QRectF(0, 0, size * scale, size * scale), glyph, look.color);
            painter.end();
            pixmap.setDevicePixelRatio(scale);
            icon.addPixmap(pixmap, look.mode);
        }
    }
    return icon;
}

}  // namespace kestrel::widgets
