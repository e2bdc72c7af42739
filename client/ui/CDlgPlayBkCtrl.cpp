#include "CDlgPlayBkCtrl.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "picture_button.h"
#include "position_slider.h"
#include "theme.h"
#include "video_surface.h"

namespace kestrel::ui {
namespace {

using widgets::Glyph;
using widgets::PictureButton;
using client::PlaybackController;

constexpr Glyph kGlyphs[7] = {Glyph::kPause,    Glyph::kPlay, Glyph::kFastForward,
                              Glyph::kSlowDown, Glyph::kStop, Glyph::kPrevFrame,
                              Glyph::kNextFrame};
const QColor kWaitColor{0xf0, 0xb4, 0x29};

}  // namespace

CDlgPlayBkCtrl::CDlgPlayBkCtrl(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent) {
    setObjectName(QStringLiteral("playbackBar"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, widgets::Theme::kPanel);
    setPalette(look);
    setMinimumHeight(kBarHeight);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 3, 8, 3);
    column->setSpacing(2);
    position_ = new widgets::PositionSlider(PlaybackController::kSliderMax, this);
    position_->setObjectName(QStringLiteral("positionSlider"));
    column->addWidget(position_);

    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (int i = 0; i < 7; ++i) {
        buttons_[i] = new PictureButton(kGlyphs[i], {}, this);
        buttons_[i]->setFixedSize(28, 24);
        row->addWidget(buttons_[i]);
    }
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    status_->setMinimumWidth(90);
    row->addSpacing(8);
    row->addWidget(status_);
    wait_ = new QLabel(this);
    wait_->setObjectName(QStringLiteral("waitLabel"));
    QPalette waitLook = wait_->palette();
    waitLook.setColor(QPalette::WindowText, kWaitColor);
    wait_->setPalette(waitLook);
    row->addWidget(wait_, 1);
    sound_ = new PictureButton(Glyph::kSpeakerOff, {}, this);
    sound_->setObjectName(QStringLiteral("soundToggle"));
    sound_->setCheckable(true);
    sound_->setFixedSize(28, 24);
    row->addWidget(sound_);
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("volumeSlider"));
    volume_->setRange(0, PlaybackController::kMaxVolume);
    volume_->setValue(PlaybackController::kInitialVolume);
    volume_->setFixedWidth(110);
    row->addWidget(volume_);
    column->addLayout(row);

    controller_ = std::make_unique<PlaybackController>(context, *this);
    RegisterPage(client::PageId::kPlaybackController);

    PlaybackController& c = *controller_;
    using B = Button;
    connect(ButtonOf(B::kPause), &QAbstractButton::clicked, this, [&c] { c.PauseButton(); });
    connect(ButtonOf(B::kPlay), &QAbstractButton::clicked, this, [&c] { c.PlayButton(); });
    connect(ButtonOf(B::kFast), &QAbstractButton::clicked, this, [&c] { c.FastButton(); });
    connect(ButtonOf(B::kSlow), &QAbstractButton::clicked, this, [&c] { c.SlowButton(); });
    connect(ButtonOf(B::kStop), &QAbstractButton::clicked, this, [&c] { c.StopButton(); });
    connect(ButtonOf(B::kPrevFrame), &QAbstractButton::clicked, this,
            [&c] { c.PrevFrameButton(); });
    connect(ButtonOf(B::kNextFrame), &QAbstractButton::clicked, this,
            [&c] { c.NextFrameButton(); });
    connect(position_, &QSlider::sliderReleased, this,
            [this] { controller_->Seek(position_->value()); });
    connect(sound_, &QAbstractButton::toggled, this, [&c](bool on) { c.SetSound(on); });
    connect(volume_, &QSlider::valueChanged, this, [&c](int value) { c.SetVolume(value); });
}

CDlgPlayBkCtrl::~CDlgPlayBkCtrl() {
    // The controller still reports to the bar while it ends what runs.
    controller_->Close();
    controller_.reset();
}

PictureButton* CDlgPlayBkCtrl::ButtonOf(Button button) const {
    return buttons_[static_cast<int>(button)];
}

void CDlgPlayBkCtrl::SetTarget(widgets::VideoSurface* surface) {
    controller_->SetTarget(surface != nullptr ? surface->Window() : nullptr);
}

void CDlgPlayBkCtrl::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    if (!controller_->OnMessage(message, first, second)) {
        PageWidget::OnMessage(message, first, second);
    }
}

void CDlgPlayBkCtrl::SetPosition(int perMille) {
    position_->setValue(perMille);
}

bool CDlgPlayBkCtrl::PositionHeld() const {
    return position_->isSliderDown();
}

void CDlgPlayBkCtrl::SetDownloadedExtent(int perMille) {
    position_->SetExtent(perMille);
}

void CDlgPlayBkCtrl::SetStatusText(const std::string& text) {
    status_->setText(QString::fromStdString(text));
}

void CDlgPlayBkCtrl::SetWaitText(const std::string& text) {
    wait_->setText(QString::fromStdString(text));
}

void CDlgPlayBkCtrl::SetVolumePosition(int32_t volume) {
    const QSignalBlocker quiet(volume_);  // the controller has the value already
    volume_->setValue(volume);
}

void CDlgPlayBkCtrl::SetSoundShown(bool on) {
    const QSignalBlocker quiet(sound_);
    sound_->setChecked(on);
    sound_->SetGlyph(on ? Glyph::kSpeakerOn : Glyph::kSpeakerOff);
}

void CDlgPlayBkCtrl::SetWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace kestrel::ui
