#include "picture_button.h"

namespace kestrel::widgets {

PictureButton::PictureButton(Glyph glyph, const QString& text, QWidget* parent)
    : QToolButton(parent), glyph_(glyph) {
    setText(text);
    setIcon(GlyphIcon(glyph));
    setIconSize(QSize(16, 16));
    setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::SetGlyph(Glyph glyph) {
    if (glyph != glyph_) {
        glyph_ = glyph;
        setIcon(GlyphIcon(glyph));
    }
}

}  // namespace kestrel::widgets
