// The live page: 16 video panes (pane k shows channel k) in a 1, 4, 9 or 16
// pane grid or full screen, the channel control panel and the PTZ pane in
// the right-hand column. It starts and stops the panes on the device object,
// records through PaneRecording, takes snapshots, and applies the sound and
// volume choices.
//
// Threading: GUI thread. The device's stream workers reach the page only by
// posted messages (UM_REAL_PLAY_DONE, UM_DISK_SPACE_LOW); the page's own
// worker reads the user's preview permissions from the recorder and posts
// back when done. The page joins it before it goes.
//
// Lifetime: made by the main window after login; destroying it stops talk
// and every pane before their picture widgets go.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <array>
#include <mutex>
#include <thread>

#include "page_widget.h"
#include "pane_recording.h"

class QAbstractButton;
class QTimer;

namespace kestrel::client {
class CDevice;
}

namespace kestrel::ui {

class CDlgMainWnd;
class CDlgVideo;
class CChannelCtrl;
class CDlgPTZControl;

class CDlgRealAv : public PageWidget, public client::PaneRecordingView {
    Q_OBJECT

public:
    // Sizes at 100 % scale: the page, and its right-hand column. The pane
    // area is what the column and a strip at the bottom leave.
    static constexpr int kPageWidth = 1000;
    static constexpr int kPageHeight = 591;
    static constexpr int kColumnWidth = 233;
    static constexpr int kBottomStrip = 11;
    static constexpr int kStartDelayMs = 300;
    // A playing pane without a new picture for this long shows that it
    // waits for data (a broken stream before its reconnect).
    static constexpr int kPictureStallMs = 1500;

    // mainWindow receives UM_SAVE_RESULT and takes the page back after
    // full screen; may be null (the page then returns to parent).
    CDlgRealAv(client::ClientContext& context, CDlgMainWnd* mainWindow, QWidget* parent);
    // Stops talk and every pane.
    ~CDlgRealAv() override;

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;
    // Shows or hides the "R" markers of the recording panes.
    void ShowRecordMarkers(bool visible);
    // The page was shown: every pane starts after 300 ms.
    void StartPanesLater();
    bool IsFullScreen() const { return fullScreen_; }

    // Starts pane k's channel: true when the start is under way; its result
    // follows as UM_REAL_PLAY_DONE.
    bool StartPane(int k);
    // Stops pane k (and its recording): true when it played.
    bool StopPane(int k);

    // ---- For the main window and tests -------------------------------------
    CDlgVideo* Pane(int k) const { return panes_[static_cast<size_t>(k)]; }
    int WindowCount() const { return windowCount_; }
    int PreviousCount() const { return previousCount_; }
    int Selected() const { return selected_; }
    bool SingleMode() const { return singleMode_; }
    // Where the panes go, in the page's coordinates.
    QRect PaneArea() const;
    CChannelCtrl* ChannelPanel() const { return channelPanel_; }
    CDlgPTZControl* PtzPane() const { return ptzPane_; }
    QAbstractButton* ExitButton() const { return exitButton_; }
    client::PaneRecording& Recording() { return recording_; }

    // ---- PaneRecordingView -------------------------------------------------
    bool PanePlaying(int pane) const override;
    void StartRecordTimers(int pane) override;
    void StopRecordTimers(int pane) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static bool ValidPane(intptr_t k) { return k >= 0 && k < client::kPaneCount; }
    client::CDevice* Device() const;
    int ChannelCount() const;
    bool AllChannelsPlay() const;

    void LayOut();
    void PlaceColumn();
    void EnterFullScreen();
    void LeaveFullScreen();
    void OnLayoutCommand(intptr_t argument);
    void OnPaneLayout(int k);
    void MoveSelection(int k);
    void OnSelectPane(int k);
    void OnPaneCommand(intptr_t code, intptr_t k);
    void OnRealPlayDone(int k, int32_t result);
    void OnStartFence(int k, uint32_t serial);
    void ShowStartFailure(int k, int32_t result);
    void ApplySoundRules(int k);
    void OnSoundSwitch(bool on);
    void OnVolumeChange(int volume);
    void ApplySelectedVolume();
    void ConnectOrDisconnectAll();
    void StartPanesNow();
    void TakeSnapshot(int channel, bool motion);
    void OnPtzCommand(intptr_t code);
    void CheckPictures();
    void StartPreviewRightsWorker();
    void ShowText(int textId);

    CDlgMainWnd* mainWindow_;
    std::array<CDlgVideo*, client::kPaneCount> panes_{};
    std::array<QTimer*, client::kPaneCount> splitTimers_{};
    CChannelCtrl* channelPanel_ = nullptr;
    CDlgPTZControl* ptzPane_ = nullptr;
    QAbstractButton* exitButton_ = nullptr;
    client::PaneRecording recording_;

    int windowCount_ = 4;
    int previousCount_ = 4;
    int selected_ = 0;
    bool singleMode_ = false;
    bool fullScreen_ = false;
    QSize fullScreenSize_;
    QPointer<QWidget> normalParent_;
    QRect normalGeometry_;
    std::array<bool, client::kPaneCount> restartFlags_{};
    bool markersShown_ = true;
    QElapsedTimer clock_;  // for the picture stall check

    // The preview permissions worker and its answer (16 per-channel flags).
    std::thread previewWorker_;
    std::mutex previewLock_;
    std::array<uint8_t, client::kPaneCount> previewChannels_{};  // guarded by previewLock_
};

}  // namespace kestrel::ui
