// A button with a drawn picture and, optionally, a text beside or under it.
// Page buttons and the panel's toggles use it checkable, so the pressed page
// or state shows as pressed.
#pragma once

#include <QToolButton>

#include "glyphs.h"

namespace kestrel::widgets {

class PictureButton : public QToolButton {
    Q_OBJECT

public:
    explicit PictureButton(Glyph glyph, const QString& text = {}, QWidget* parent = nullptr);

    void SetGlyph(Glyph glyph);
    Glyph CurrentGlyph() const { return glyph_; }

private:
    Glyph glyph_;
};

}  // namespace kestrel::widgets
