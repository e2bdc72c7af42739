#include "CChannelCtrl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QSlider>
#include <QVBoxLayout>

#include "CDlgTvControl.h"
#include "CDlgVideo.h"
#include "device.h"
#include "live_messages.h"
#include "picture_button.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {
namespace {

using widgets::Glyph;
using widgets::PictureButton;

constexpr int kTitleHeight = 22;
constexpr int kVolumeMax = 65535;

PictureButton* MakeButton(Glyph glyph, const QString& text, QWidget* parent) {
    auto* button = new PictureButton(glyph, text, parent);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setMinimumHeight(26);
    return button;
}

}  // namespace

CChannelCtrl::CChannelCtrl(client::ClientContext& context, PageWidget* livePage, QWidget* parent)
    : PageWidget(context, parent), livePage_(livePage) {
    RegisterPage(client::PageId::kChannelPanel);
    setObjectName(QStringLiteral("channelPanel"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, widgets::Theme::kPanel);
    setPalette(look);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, kTitleHeight + 6, 6, 6);
    column->setSpacing(5);

    play_ = MakeButton(Glyph::kStop, Text(client::kTextStopView), this);
    play_->setObjectName(QStringLiteral("playButton"));
    connect(play_, &QAbstractButton::clicked, this, [this] {
        livePage_->Post(client::UM_PANEL_COMMAND, kPanelConnectAll, 0);
        SetPlayState(!showsPlaying_);
    });
    column->addWidget(play_);

    auto* shots = new QHBoxLayout;
    shots->setSpacing(5);
    snap_ = MakeButton(Glyph::kSnapshot, Text(client::kTextSnap), this);
    connect(snap_, &QAbstractButton::clicked, this, [this] {
        if (MayRecordAndCapture()) {
            livePage_->Post(client::UM_PANEL_COMMAND, kPanelSnapshot, 0);
        }
    });
    record_ = MakeButton(Glyph::kRecord, Text(client::kTextRecord), this);
    connect(record_, &QAbstractButton::clicked, this, [this] {
        if (MayRecordAndCapture()) {
            livePage_->Post(client::UM_PANEL_COMMAND, kPanelRecordAll, 0);
        }
    });
    shots->addWidget(snap_);
    shots->addWidget(record_);
    column->addLayout(shots);

    auto* grids = new QHBoxLayout;
    grids->setSpacing(3);
    static constexpr Glyph kLayoutGlyphs[5] = {Glyph::kFullScreen, Glyph::kGrid1, Glyph::kGrid4,
                                               Glyph::kGrid9, Glyph::kGrid16};
    for (int argument = 0; argument < 5; ++argument) {
        PictureButton* button = MakeButton(kLayoutGlyphs[argument], {}, this);
        button->setIconSize(QSize(18, 18));
        connect(button, &QAbstractButton::clicked, this, [this, argument] {
            livePage_->Post(client::UM_PANEL_COMMAND, kPanelLayout, argument);
        });
        grids->addWidget(button);
        layout_[argument] = button;
    }
    column->addLayout(grids);

    auto* sound = new QHBoxLayout;
    sound->setSpacing(6);
    speaker_ = new PictureButton(Glyph::kSpeakerOn, {}, this);
    speaker_->setCheckable(true);
    speaker_->setChecked(true);
    speaker_->setMinimumSize(30, 26);
    connect(speaker_, &QAbstractButton::toggled, this, [this](bool on) {
        speaker_->SetGlyph(on ? Glyph::kSpeakerOn : Glyph::kSpeakerOff);
        livePage_->Post(UM_SOUND_SWITCH, on ? 1 : 0, 0);
    });
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setRange(0, kVolumeMax);
    volume_->setValue(CDlgVideo::kDefaultVolume);
    volume_->setSingleStep(kVolumeMax / 64);
    volume_->setPageStep(kVolumeMax / 8);
    connect(volume_, &QSlider::valueChanged, this, [this](int position) {
        livePage_->Post(UM_VOLUME_CHANGE, kVolumeChangeTag, position);
    });
    sound->addWidget(speaker_);
    sound->addWidget(volume_, 1);
    column->addLayout(sound);
    // Only users allowed to hear the recorder get the speaker.
    const bool mayListen = (context.rights.rights_b & client::kRightVolume) != 0;
    speaker_->setVisible(mayListen);
    volume_->setVisible(mayListen);

    talk_ = MakeButton(Glyph::kTalk, Text(client::kTextTalk), this);
    talk_->setCheckable(true);
    connect(talk_, &QAbstractButton::clicked, this, [this] { ToggleTalk(); });
    column->addWidget(talk_);

    tv_ = MakeButton(Glyph::kNone, Text(client::kTextTv), this);
    tv_->setObjectName(QStringLiteral("tvButton"));
    connect(tv_, &QAbstractButton::clicked, this, [this] {
        CDlgTvControl dialog(Context(), this);
        dialog.exec();
    });
    tv_->hide();
    column->addWidget(tv_);
    column->addStretch(1);
}

void CChannelCtrl::OnMessage(uint32_t message, intptr_t first, intptr_t) {
    if (message == UM_PLAY_STATE) {
        SetPlayState(first == 1);
    } else if (message == client::UM_TALK_LINK_LOST) {
        // The device flipped the context's talk state on its own thread.
        talk_->setChecked(Context().talkOn != 0);
        if (Context().ui != nullptr) {
            Context().ui->ShowMessage(Context().LoadText(client::kTextTalkLost));
        }
    }
}

void CChannelCtrl::SetVolumePosition(int volume) {
    volume_->setValue(volume);
}

void CChannelCtrl::SetPlayState(bool playing) {
    showsPlaying_ = playing;
    play_->SetGlyph(playing ? Glyph::kStop : Glyph::kPlay);
    play_->setText(Text(playing ? client::kTextStopView : client::kTextStartView));
}

bool CChannelCtrl::MayRecordAndCapture() {
    if ((Context().rights.rights_b & client::kRightRecordCapture) != 0) {
        return true;
    }
    if (Context().ui != nullptr) {
        Context().ui->ShowMessage(Context().LoadText(client::kTextPermissionDenied));
    }
    return false;
}

void CChannelCtrl::ToggleTalk() {
    client::ClientContext& context = Context();
    const auto show = [&context](int textId) {
        if (context.ui != nullptr) {
            context.ui->ShowMessage(context.LoadText(textId));
        }
    };
    const bool wasOn = context.talkOn != 0;
    talk_->setChecked(wasOn);
    // The open device only: opening one here would hold the window for the
    // recorder, and talk without a device would claim a link that is not
    // there.
    client::CDevice* device = context.device.get();
    if (device == nullptr) {
        show(client::kTextOpenTalkFailed);
        return;
    }
    // The recorder cannot send stream sound and talk at once.
    if (!wasOn && device->CloseAllStreamSound() == 0) {
        show(client::kTextCloseSoundFailed);
        return;
    }
    if (device->ToggleTalk() == 0) {
        show(client::kTextOpenTalkFailed);
        return;
    }
    show(wasOn ? client::kTextTalkEnded : client::kTextTalkStarted);
    context.talkOn = wasOn ? 0 : 1;
    talk_->setChecked(!wasOn);
}

void CChannelCtrl::paintEvent(QPaintEvent* event) {
    PageWidget::paintEvent(event);
    QPainter painter(this);
    widgets::Theme::DrawTitleBar(painter, QRect(0, 0, width(), kTitleHeight),
                                 Text(client::kTextPlayControl));
}

}  // namespace kestrel::ui
