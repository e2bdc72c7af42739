// The REPLAY page's control bar: the position slider (0..1000) with the
// downloaded extent drawn behind its groove, the status label, the
// wait-status text, the mute toggle and the volume slider, and the pause,
// play, fast, slow, stop, previous-frame and next-frame buttons. It owns the
// playback controller, hands it the presses and the notifications posted to
// kPlaybackController, and shows what the controller reports.
//
// Threading: GUI thread. The controller's library callbacks reach the bar
// only as posted notifications (the bar registers as kPlaybackController).
//
// Lifetime: made with the REPLAY page, which wires it with Requests() (for
// the file list) and SetTarget (the pane it plays into). The target surface
// is lent to the media library while a playback runs: call Close() (the
// destructor does too) before the surface goes.
#pragma once

#include <memory>

#include "page_widget.h"
#include "playback_controller.h"

class QLabel;
class QSlider;

namespace kestrel::widgets {
class PictureButton;
class PositionSlider;
class VideoSurface;
}  // namespace kestrel::widgets

namespace kestrel::ui {

class CDlgPlayBkCtrl : public PageWidget, public client::PlaybackView {
    Q_OBJECT

public:
    static constexpr int kBarHeight = 55;

    enum class Button { kPause, kPlay, kFast, kSlow, kStop, kPrevFrame, kNextFrame };

    explicit CDlgPlayBkCtrl(client::ClientContext& context, QWidget* parent = nullptr);
    // Close(), then the controller goes.
    ~CDlgPlayBkCtrl() override;

    // What the file list calls (borrowed; valid as long as the bar).
    client::PlaybackRequests* Requests() { return controller_.get(); }
    // The surface playbacks show in; null for none.
    void SetTarget(widgets::VideoSurface* surface);
    // The stop button's work: playback ends, the file list is told.
    void StopPlayback() { controller_->StopButton(); }
    // The page closes: a running download ends too.
    void Close() { controller_->Close(); }

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

    // ---- Parts, for the page and tests
    client::PlaybackController& Controller() { return *controller_; }
    widgets::PictureButton* ButtonOf(Button button) const;
    widgets::PositionSlider* Position() const { return position_; }
    QLabel* StatusLabel() const { return status_; }
    QLabel* WaitLabel() const { return wait_; }
    widgets::PictureButton* SoundToggle() const { return sound_; }
    QSlider* VolumeSlider() const { return volume_; }

    // ---- PlaybackView
    void SetPosition(int perMille) override;
    bool PositionHeld() const override;
    void SetDownloadedExtent(int perMille) override;
    void SetStatusText(const std::string& text) override;
    void SetWaitText(const std::string& text) override;
    void SetVolumePosition(int32_t volume) override;
    void SetSoundShown(bool on) override;
    void SetWaitCursor(bool on) override;

private:
    widgets::PositionSlider* position_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* wait_ = nullptr;
    widgets::PictureButton* buttons_[7] = {};
    widgets::PictureButton* sound_ = nullptr;
    QSlider* volume_ = nullptr;
    std::unique_ptr<client::PlaybackController> controller_;
};

}  // namespace kestrel::ui
