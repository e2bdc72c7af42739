// The PTZ control pane below the channel panel: steers the camera of the
// live page's selected pane. Direction, zoom, focus and iris buttons send
// their command to the live page while pressed and 0 on release; the preset
// buttons send theirs once per click. The live page reads the parameter box
// itself when it acts.
//
// Threading: GUI thread.
#pragma once

#include "page_widget.h"

class QAbstractButton;
class QLineEdit;

namespace kestrel::widgets {
class PictureButton;
class PtzPad;
}  // namespace kestrel::widgets

namespace kestrel::ui {

class CDlgPTZControl : public PageWidget {
    Q_OBJECT

public:
    // livePage gets UM_PTZ_COMMAND, sent directly so press and release keep
    // their order.
    CDlgPTZControl(client::ClientContext& context, PageWidget* livePage, QWidget* parent);

    // The "PAN&TILT POS:" box as a decimal number; 0 when empty or not one.
    int32_t Parameter() const;

    widgets::PtzPad* Pad() const { return pad_; }
    QLineEdit* ParameterBox() const { return parameter_; }
    // Minus and plus of row 0 zoom, 1 focus, 2 iris.
    QAbstractButton* MinusButton(int row) const { return minus_[row]; }
    QAbstractButton* PlusButton(int row) const { return plus_[row]; }
    QAbstractButton* SetButton() const { return set_; }
    QAbstractButton* ClearButton() const { return clear_; }
    QAbstractButton* CallButton() const { return call_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SendCommand(intptr_t code);
    // Sends code while button is held and the stop code on release.
    void HoldToMove(QAbstractButton* button, intptr_t code);

    PageWidget* livePage_;
    widgets::PtzPad* pad_ = nullptr;
    QAbstractButton* minus_[3] = {};
    QAbstractButton* plus_[3] = {};
    QLineEdit* parameter_ = nullptr;
    QAbstractButton* set_ = nullptr;
    QAbstractButton* clear_ = nullptr;
    QAbstractButton* call_ = nullptr;
};

}  // namespace kestrel::ui
