// The eight-way direction pad of the PTZ pane: eight picture buttons around a
// centre button that does nothing. A direction's press and release are
// separate signals, because the camera moves for as long as it is held.
#pragma once

#include <QWidget>
#include <array>

class QAbstractButton;

namespace kestrel::widgets {

class PtzPad : public QWidget {
    Q_OBJECT

public:
    // Directions clockwise from up: 0 up, 1 up-right, ... 7 up-left.
    static constexpr int kDirections = 8;

    explicit PtzPad(QWidget* parent = nullptr);

    QAbstractButton* DirectionButton(int direction) const { return buttons_[direction]; }

signals:
    void DirectionPressed(int direction);
    void DirectionReleased(int direction);

private:
    std::array<QAbstractButton*, kDirections> buttons_{};
};

}  // namespace kestrel::widgets
