#include "ptz_pad.h"

#include <QGridLayout>

#include "picture_button.h"

namespace kestrel::widgets {

PtzPad::PtzPad(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(3);
    // Grid cell of each direction, clockwise from up.
    static constexpr int kCells[kDirections][2] = {{0, 1}, {0, 2}, {1, 2}, {2, 2},
                                                   {2, 1}, {2, 0}, {1, 0}, {0, 0}};
    for (int direction = 0; direction < kDirections; ++direction) {
        auto* button = new PictureButton(
            static_cast<Glyph>(static_cast<int>(Glyph::kArrowUp) + direction), {}, this);
        button->setIconSize(QSize(20, 20));
        button->setMinimumSize(34, 30);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(button, &QAbstractButton::pressed, this,
                [this, direction] { emit DirectionPressed(direction); });
        connect(button, &QAbstractButton::released, this,
                [this, direction] { emit DirectionReleased(direction); });
        grid->addWidget(button, kCells[direction][0], kCells[direction][1]);
        buttons_[direction] = button;
    }
    auto* centre = new PictureButton(Glyph::kCentre, {}, this);
    centre->setEnabled(false);
    centre->setMinimumSize(34, 30);
    centre->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    grid->addWidget(centre, 1, 1);
}

}  // namespace kestrel::widgets
