// The pictures of the client's buttons, drawn in code so that they scale
// with the screen and need no image files.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QRectF>

namespace kestrel::widgets {

enum class Glyph {
    kNone,
    kPlay,
    kStop,
    kSnapshot,
    kRecord,
    kFullScreen,
    kGrid1,
    kGrid4,
    kGrid9,
    kGrid16,
    kSpeakerOn,
    kSpeakerOff,
    kTalk,
    kArrowUp,  // the eight directions follow clockwise
    kArrowUpRight,
    kArrowRight,
    kArrowDownRight,
    kArrowDown,
    kArrowDownLeft,
    kArrowLeft,
    kArrowUpLeft,
    kCentre,
    kMinus,
    kPlus,
    kClose,
    kFolder,
    kLive,
    kReplay,
    kRemoteSetting,
    kLocalSetting,
    kLogout,
    kPause,
    kFastForward,  // two triangles to the right
    kSlowDown,     // two triangles to the left
    kNextFrame,    // a triangle to the right against a bar
    kPrevFrame,    // a bar against a triangle to the left
};

// Draws the glyph into box with color (lines scale with the box).
void DrawGlyph(QPainter& painter, const QRectF& box, Glyph glyph, const QColor& color);
// The glyph as an icon with normal, disabled and active colours.
QIcon GlyphIcon(Glyph glyph, int size = 32);

}  // namespace kestrel::widgets
