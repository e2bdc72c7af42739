// The one look of the client program: a dark palette that lets the video
// stand out, the colours the pages draw with, and the fonts (the desktop's
// sans for Latin texts, a CJK face for Chinese ones).
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QApplication;
class QPainter;
class QRect;

namespace kestrel::widgets {

struct Theme {
    static inline const QColor kWindow{0x23, 0x26, 0x2b};
    static inline const QColor kPanel{0x2d, 0x31, 0x38};
    static inline const QColor kTitleBar{0x1b, 0x4f, 0x7a};
    static inline const QColor kButton{0x3a, 0x3f, 0x47};
    static inline const QColor kText{0xe6, 0xe8, 0xeb};
    static inline const QColor kDisabledText{0x7d, 0x82, 0x8a};
    static inline const QColor kAccent{0x00, 0xa8, 0xff};
    // Frames of the video panes.
    static inline const QColor kSelectedPane{0x00, 0xa8, 0xff};
    static inline const QColor kIdlePane{0xd3, 0xd3, 0xd3};
    static inline const QColor kRecordMarker{0xd0, 0x10, 0x10};

    // Applies the palette, the style sheet and the font to the application.
    static void Apply(QApplication& application);
    // The application font with a CJK face behind the Latin one.
    static QFont BaseFont();
    // A bold font for page titles and title bars.
    static QFont TitleFont();
    // A panel's title bar: the bar colour with the text at its left.
    static void DrawTitleBar(QPainter& painter, const QRect& bar, const QString& text);
};

}  // namespace kestrel::widgets
