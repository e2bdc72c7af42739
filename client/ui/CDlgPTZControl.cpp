#include "CDlgPTZControl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "live_messages.h"
#include "picture_button.h"
#include "ptz_pad.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {
namespace {

using widgets::Glyph;
using widgets::PictureButton;

constexpr int kTitleHeight = 22;

}  // namespace

CDlgPTZControl::CDlgPTZControl(client::ClientContext& context, PageWidget* livePage,
                               QWidget* parent)
    : PageWidget(context, parent), livePage_(livePage) {
    setObjectName(QStringLiteral("ptzPane"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, widgets::Theme::kPanel);
    setPalette(look);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, kTitleHeight + 6, 8, 8);
    column->setSpacing(6);

    pad_ = new widgets::PtzPad(this);
    pad_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pad_->setMaximumHeight(150);
    // Directions are command codes 1 to 8, clockwise from up.
    connect(pad_, &widgets::PtzPad::DirectionPressed, this,
            [this](int direction) { SendCommand(direction + 1); });
    connect(pad_, &widgets::PtzPad::DirectionReleased, this,
            [this](int) { SendCommand(kPtzStop); });
    column->addWidget(pad_, 1);

    auto* lens = new QGridLayout;
    lens->setHorizontalSpacing(6);
    lens->setVerticalSpacing(4);
    static constexpr int kLensTexts[3] = {client::kTextZoom, client::kTextFocus, client::kTextIris};
    static constexpr intptr_t kLensCodes[3] = {kPtzZoomMinus, kPtzFocusMinus, kPtzIrisMinus};
    for (int row = 0; row < 3; ++row) {
        auto* minus = new PictureButton(Glyph::kMinus, {}, this);
        auto* plus = new PictureButton(Glyph::kPlus, {}, this);
        for (PictureButton* button : {minus, plus}) {
            button->setMinimumSize(40, 24);
        }
        auto* label = new QLabel(Text(kLensTexts[row]), this);
        label->setAlignment(Qt::AlignCenter);
        HoldToMove(minus, kLensCodes[row]);
        HoldToMove(plus, kLensCodes[row] + 1);
        lens->addWidget(minus, row, 0);
        lens->addWidget(label, row, 1);
        lens->addWidget(plus, row, 2);
        minus_[row] = minus;
        plus_[row] = plus;
    }
    lens->setColumnStretch(1, 1);
    column->addLayout(lens);

    auto* position = new QHBoxLayout;
    position->setSpacing(6);
    // The text keeps the doubled "&" of the old dialogs; a label shows it once.
    auto* label = new QLabel(
        Text(client::kTextPanTiltPos).replace(QStringLiteral("&&"), QStringLiteral("&")), this);
    label->setTextFormat(Qt::PlainText);
    parameter_ = new QLineEdit(this);
    parameter_->setObjectName(QStringLiteral("ptzParameter"));
    parameter_->setMaxLength(10);
    parameter_->setMinimumWidth(50);
    position->addWidget(label);
    position->addWidget(parameter_, 1);
    column->addLayout(position);

    auto* presets = new QHBoxLayout;
    presets->setSpacing(4);
    const auto preset = [&](int textId, intptr_t code) {
        auto* button = new PictureButton(Glyph::kNone, Text(textId), this);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setMinimumHeight(26);
        connect(button, &QAbstractButton::clicked, this, [this, code] { SendCommand(code); });
        presets->addWidget(button);
        return button;
    };
    set_ = preset(client::kTextSet, kPtzSetPreset);
    clear_ = preset(client::kTextClear, kPtzClearPreset);
    call_ = preset(client::kTextCall, kPtzCallPreset);
    column->addLayout(presets);
}

int32_t CDlgPTZControl::Parameter() const {
    bool number = false;
    const int32_t value = parameter_->text().trimmed().toInt(&number, 10);
    return number ? value : 0;
}

void CDlgPTZControl::SendCommand(intptr_t code) {
    PageWidget::Send(livePage_, UM_PTZ_COMMAND, code, 0);
}

void CDlgPTZControl::HoldToMove(QAbstractButton* button, intptr_t code) {
    connect(button, &QAbstractButton::pressed, this, [this, code] { SendCommand(code); });
    connect(button, &QAbstractButton::released, this, [this] { SendCommand(kPtzStop); });
}

void CDlgPTZControl::paintEvent(QPaintEvent* event) {
    PageWidget::paintEvent(event);
    QPainter painter(this);
    widgets::Theme::DrawTitleBar(painter, QRect(0, 0, width(), kTitleHeight),
                                 Text(client::kTextPtzControl));
}

}  // namespace kestrel::ui
