#include "theme.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyleFactory>

namespace kestrel::widgets {

QFont Theme::BaseFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    // Chinese texts fall back to this face; without it they would show boxes.
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    return font;
}

QFont Theme::TitleFont() {
    QFont font = BaseFont();
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

void Theme::DrawTitleBar(QPainter& painter, const QRect& bar, const QString& text) {
    painter.fillRect(bar, kTitleBar);
    painter.setPen(kText);
    painter.setFont(TitleFont());
    painter.drawText(bar.adjusted(8, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}

void Theme::Apply(QApplication& application) {
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    palette.setColor(QPalette::Window, kWindow);
    palette.setColor(QPalette::WindowText, kText);
    palette.setColor(QPalette::Base, QColor(0x1a, 0x1c, 0x20));
    palette.setColor(QPalette::AlternateBase, kPanel);
    palette.setColor(QPalette::Text, kText);
    palette.setColor(QPalette::Button, kButton);
    palette.setColor(QPalette::ButtonText, kText);
    palette.setColor(QPalette::Highlight, kAccent);
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::ToolTipBase, kPanel);
    palette.setColor(QPalette::ToolTipText, kText);
    palette.setColor(QPalette::PlaceholderText, kDisabledText);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    }
    application.setPalette(palette);
    application.setFont(BaseFont());
    application.setStyleSheet(QStringLiteral(
        "QPushButton, QToolButton { background: #3a3f47; border: 1px solid #4b515b;"
        " border-radius: 3px; padding: 3px 8px; }"
        "QPushButton:hover, QToolButton:hover { border-color: #00a8ff; }"
        "QPushButton:pressed, QToolButton:pressed, QPushButton:checked, QToolButton:checked"
        " { background: #1b4f7a; }"
        "QPushButton:disabled, QToolButton:disabled { color: #7d828a; }"
        "QLineEdit, QComboBox { background: #1a1c20; border: 1px solid #4b515b;"
        " border-radius: 2px; padding: 2px 4px; min-height: 18px; }"
        "QLineEdit:focus, QComboBox:focus { border-color: #00a8ff; }"
        "QSlider::groove:horizontal { height: 4px; background: #1a1c20; border-radius: 2px; }"
        "QSlider::sub-page:horizontal { background: #00a8ff; border-radius: 2px; }"
        "QSlider::handle:horizontal { width: 12px; margin: -5px 0; border-radius: 6px;"
        " background: #e6e8eb; }"));
}

}  // namespace kestrel::widgets
