// The channel control panel at the top of the live page's right-hand column:
// view all or none, snapshot, record all, the grid and full-screen buttons,
// the speaker and its volume, and talk. It registers as the context's channel
// panel, so that a talk link lost on the protocol library's thread reaches it
// as a posted UM_TALK_LINK_LOST.
//
// Threading: GUI thread.
#pragma once

#include "page_widget.h"

class QAbstractButton;
class QSlider;

namespace kestrel::widgets {
class PictureButton;
}

namespace kestrel::ui {

class CChannelCtrl : public PageWidget {
    Q_OBJECT

public:
    // The panel's commands go to livePage as posted messages.
    CChannelCtrl(client::ClientContext& context, PageWidget* livePage, QWidget* parent);

    // UM_PLAY_STATE from the live page, UM_TALK_LINK_LOST from the device.
    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;
    // Moves the volume slider; the move is sent on like the operator's.
    void SetVolumePosition(int volume);
    // The view button offers "STOP VIEW" (true) or "START VIEW".
    bool ShowsPlaying() const { return showsPlaying_; }

    widgets::PictureButton* PlayButton() const { return play_; }
    widgets::PictureButton* SnapButton() const { return snap_; }
    widgets::PictureButton* RecordButton() const { return record_; }
    // 0 full screen, 1..4 the 1, 4, 9 and 16 grids (the layout argument).
    widgets::PictureButton* LayoutButton(int argument) const { return layout_[argument]; }
    widgets::PictureButton* SpeakerButton() const { return speaker_; }
    QSlider* VolumeSlider() const { return volume_; }
    widgets::PictureButton* TalkButton() const { return talk_; }
    // Opens the TV tuner dialog; the panel keeps it hidden.
    widgets::PictureButton* TvButton() const { return tv_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetPlayState(bool playing);
    bool MayRecordAndCapture();
    void ToggleTalk();

    PageWidget* livePage_;
    widgets::PictureButton* play_ = nullptr;
    widgets::PictureButton* snap_ = nullptr;
    widgets::PictureButton* record_ = nullptr;
    widgets::PictureButton* layout_[5] = {};
    widgets::PictureButton* speaker_ = nullptr;
    QSlider* volume_ = nullptr;
    widgets::PictureButton* talk_ = nullptr;
    widgets::PictureButton* tv_ = nullptr;
    bool showsPlaying_ = true;
};

}  // namespace kestrel::ui
