#include "CDlgRealAv.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <vector>

#include "CChannelCtrl.h"
#include "CDlgMainWnd.h"
#include "CDlgPTZControl.h"
#include "CDlgVideo.h"
#include "device.h"
#include "kestrel_net_config.h"
#include "kestrel_records.h"
#include "live_layout.h"
#include "live_messages.h"
#include "picture_button.h"
#include "snapshot_file.h"
#include "text_ids.h"
#include "theme.h"
#include "video_surface.h"

namespace kestrel::ui {
namespace {

// The page's own posted messages.
// A start's fence: results queued for the channel before it belong to
// earlier starts (first: pane, second: the start's serial).
constexpr uint32_t kStartFence = 0x1410;
// The preview permissions worker has answered.
constexpr uint32_t kPreviewRightsReady = 0x1411;

// The recorder's result for a start refused because too many users watch.
constexpr int32_t kStartTooManyUsers = static_cast<int32_t>(0x80F00004u);
constexpr int32_t kStartInvalidPassword = 4;

constexpr int kPictureCheckMs = 500;
constexpr int kExitButtonSize = 18;
constexpr int kExitButtonFromRight = 50;
constexpr int kExitButtonTop = 2;
// The PTZ pane's share of the page height, and the gap above it.
constexpr int kPtzPercent = 64;
constexpr int kColumnGap = 5;

// Which channels the user may watch, from the recorder's user list and
// preview permissions: the user's 16 flags, or all set when the recorder
// names no such user or does not apply the permissions. Network calls: off
// the GUI thread.
std::array<uint8_t, client::kPaneCount> PreviewChannels(QW_DVR_HANDLE handle,
                                                        const std::string& user) {
    std::array<uint8_t, client::kPaneCount> channels;
    channels.fill(1);
    QwUserList users{};
    QW_SRDK_SYS_USERMNG_GetUserList(handle, &users);
    QwUserPreviewRights rights{};
    if (QW_SRDK_SYS_GetUserPrewPri(handle, &rights, &rights) != 0 || rights.enable == 0) {
        return channels;
    }
    for (const QwUserPreviewEntry& entry : rights.user) {
        const std::string name(entry.name, strnlen(entry.name, sizeof entry.name));
        if (!name.empty() && name == user) {
            std::copy(std::begin(entry.channel), std::end(entry.channel), channels.begin());
            break;
        }
    }
    return channels;
}

}  // namespace

CDlgRealAv::CDlgRealAv(client::ClientContext& context, CDlgMainWnd* mainWindow, QWidget* parent)
    : PageWidget(context, parent), mainWindow_(mainWindow), recording_(context, *this) {
    RegisterPage(client::PageId::kLiveView);
    setObjectName(QStringLiteral("livePage"));
    resize(kPageWidth, kPageHeight);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    clock_.start();
    restartFlags_.fill(true);

    for (int k = 0; k < client::kPaneCount; ++k) {
        panes_[k] = new CDlgVideo(context, this, k, this);
        panes_[k]->hide();
        auto* split = new QTimer(this);
        split->setInterval(client::kRecordSplitMs);
        connect(split, &QTimer::timeout, this, [this, k] { recording_.OnSplitTimer(k); });
        splitTimers_[k] = split;
    }
    panes_[selected_]->SetSelected(true);

    StartPreviewRightsWorker();

    ptzPane_ = new CDlgPTZControl(context, this, this);
    channelPanel_ = new CChannelCtrl(context, this, this);
    ptzPane_->setVisible((context.rights.rights_b & client::kRightPtz) != 0);

    exitButton_ = new widgets::PictureButton(widgets::Glyph::kClose, {}, this);
    exitButton_->setObjectName(QStringLiteral("exitFullScreen"));
    exitButton_->setIconSize(QSize(14, 14));
    // The theme's button padding would leave no room for the picture.
    exitButton_->setStyleSheet(QStringLiteral("QToolButton { padding: 1px; }"));
    exitButton_->hide();
    connect(exitButton_, &QAbstractButton::clicked, this, [this] { LeaveFullScreen(); });

    auto* pictureCheck = new QTimer(this);
    connect(pictureCheck, &QTimer::timeout, this, [this] { CheckPictures(); });
    pictureCheck->start(kPictureCheckMs);

    PlaceColumn();
    LayOut();
}

CDlgRealAv::~CDlgRealAv() {
    UnregisterPage();
    if (previewWorker_.joinable()) {
        previewWorker_.join();
    }
    if (client::CDevice* device = Device()) {
        device->StopTalk();
    }
    // The device must let go of every picture widget before the panes go.
    for (int k = 0; k < client::kPaneCount; ++k) {
        StopPane(k);
    }
}

client::CDevice* CDlgRealAv::Device() const {
    return Context().device.get();
}

int CDlgRealAv::ChannelCount() const {
    const client::CDevice* device = Device();
    return device != nullptr ? std::min(device->channelCount, client::kPaneCount) : 0;
}

bool CDlgRealAv::AllChannelsPlay() const {
    const int count = ChannelCount();
    for (int k = 0; k < count; ++k) {
        if (!panes_[k]->playing) {
            return false;
        }
    }
    return count > 0;
}

void CDlgRealAv::ShowText(int textId) {
    if (Context().ui != nullptr) {
        Context().ui->ShowMessage(Context().LoadText(textId));
    }
}

// ---- Messages -----------------------------------------------------------------

void CDlgRealAv::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    switch (message) {
        case client::UM_PANEL_COMMAND:
            switch (first) {
                case kPanelConnectAll:
                    ConnectOrDisconnectAll();
                    break;
                case kPanelSnapshot:
                    TakeSnapshot(selected_, false);
                    break;
                case kPanelRecordAll:
                    recording_.ToggleAll();
                    break;
                case kPanelLayout:
                    OnLayoutCommand(second);
                    break;
                case kPanelMotionSnapshot:
                    TakeSnapshot(static_cast<int>(second), true);
                    break;
                default:
                    OnPaneCommand(first, second);
                    break;
            }
            break;
        case UM_SELECT_PANE:
            OnSelectPane(static_cast<int>(first));
            break;
        case UM_PANE_LAYOUT:
            OnPaneLayout(static_cast<int>(first));
            break;
        case UM_SOUND_SWITCH:
            OnSoundSwitch(first == 1);
            break;
        case UM_VOLUME_CHANGE:
            if (first == kVolumeChangeTag) {
                OnVolumeChange(static_cast<int>(second));
            }
            break;
        case UM_PTZ_COMMAND:
            OnPtzCommand(first);
            break;
        case client::UM_DISK_SPACE_LOW:
            recording_.OnDiskSpaceLow(static_cast<int>(first));
            break;
        case client::UM_REAL_PLAY_DONE:
            OnRealPlayDone(static_cast<int>(first), static_cast<int32_t>(second));
            break;
        case kStartFence:
            OnStartFence(static_cast<int>(first), static_cast<uint32_t>(second));
            break;
        case kPreviewRightsReady:
            if (client::CDevice* device = Device()) {
                std::lock_guard lock(previewLock_);
                device->SetDisplayEnabled(previewChannels_.data());
            }
            break;
        default:
            break;
    }
}

void CDlgRealAv::OnPaneCommand(intptr_t code, intptr_t k) {
    if (code < kPaneStartView || code > kPaneStopRecord || !ValidPane(k)) {
        return;
    }
    const int pane = static_cast<int>(k);
    switch (code) {
        case kPaneStartView:
            StartPane(pane);
            if (AllChannelsPlay()) {
                PageWidget::Send(channelPanel_, UM_PLAY_STATE, 1, 0);
            }
            break;
        case kPaneStopView:
            StopPane(pane);
            PageWidget::Send(channelPanel_, UM_PLAY_STATE, 0, 0);
            break;
        case kPaneConnectAll:
            for (int channel = 0; channel < ChannelCount(); ++channel) {
                StartPane(channel);
            }
            break;
        case kPaneDisconnectAll:
            for (int channel = 0; channel < ChannelCount(); ++channel) {
                StopPane(channel);
            }
            break;
        case kPaneStartRecord:
            recording_.StartPane(pane);
            break;
        case kPaneStopRecord:
            recording_.StopPane(pane);
            break;
        default:
            break;
    }
    ApplySelectedVolume();
}

// ---- Panes ----------------------------------------------------------------------

bool CDlgRealAv::StartPane(int k) {
    client::CDevice* device = Device();
    if (!ValidPane(k) || device == nullptr || panes_[k]->playing) {
        return false;
    }
    CDlgVideo* pane = panes_[k];
    pane->starting = true;
    pane->fencePassed = false;
    const uint32_t serial = ++pane->startSerial;
    // Posted before the start, so this start's own result always comes
    // after it.
    Post(kStartFence, k, serial);
    const int32_t result = device->StartRealPlay(pane->Surface()->Window(), k);
    if (result != 0) {
        pane->starting = false;
        ShowStartFailure(k, result);
        return false;
    }
    pane->channel = k;
    pane->playing = true;
    pane->picturesSeen = pane->Surface()->PicturesPresented();
    pane->lastPictureMs = clock_.elapsed();
    pane->SetStatusText(Text(client::kTextWaitingForData));
    return true;
}

void CDlgRealAv::OnStartFence(int k, uint32_t serial) {
    if (ValidPane(k) && panes_[k]->starting && panes_[k]->startSerial == serial) {
        panes_[k]->fencePassed = true;
    }
}

void CDlgRealAv::OnRealPlayDone(int k, int32_t result) {
    client::CDevice* device = Device();
    if (!ValidPane(k) || device == nullptr) {
        return;
    }
    CDlgVideo* pane = panes_[k];
    // A result from before the pane's current start (a start that a stop
    // overtook) says nothing about this one.
    if (!pane->starting || !pane->fencePassed) {
        return;
    }
    // A success names a decoder that runs; without one it was an older
    // start's, and this start's own result is still to come.
    if (result == 0 && device->Decoder(k) == nullptr) {
        return;
    }
    pane->starting = false;
    if (result != 0) {
        pane->playing = false;
        pane->channel = -1;
        ShowStartFailure(k, result);
        return;
    }
    ApplySoundRules(k);
    if (pane->IsSelected()) {
        channelPanel_->SetVolumePosition(pane->volume);
    }
}

void CDlgRealAv::ShowStartFailure(int k, int32_t result) {
    int textId = client::kTextOpenWindowFailed;
    if (result == kStartTooManyUsers) {
        textId = client::kTextTooManyUsers;
    } else if (result == kStartInvalidPassword) {
        textId = client::kTextInvalidPassword;
    }
    panes_[k]->SetStatusText(Text(textId));
}

void CDlgRealAv::ApplySoundRules(int k) {
    client::CDevice* device = Device();
    QW_DECODER_HANDLE decoder = device != nullptr ? device->Decoder(k) : nullptr;
    if (decoder == nullptr) {
        return;
    }
    // Only the audible pane holds a sound output (see SelectSoundChannel).
    if (panes_[k]->IsSelected() && Context().soundMuted == 0) {
        device->OpenStreamSound(k);
        QW_DVR_MEDIA_OpenSound(decoder, k);
        QW_DVR_MEDIA_SetMute(decoder, k, 0);
    }
}

bool CDlgRealAv::StopPane(int k) {
    if (!ValidPane(k) || !panes_[k]->playing) {
        return false;
    }
    CDlgVideo* pane = panes_[k];
    recording_.StopPane(k);
    client::CDevice* device = Device();
    // Without a device there is no stream left to stop.
    if (device != nullptr && device->StopRealPlay(k) != 1) {
        return false;
    }
    pane->SetStatusText({});
    pane->channel = -1;
    pane->playing = false;
    pane->starting = false;
    if (pane->IsSelected()) {
        channelPanel_->SetVolumePosition(pane->volume);
    }
    pane->update();
    return true;
}

bool CDlgRealAv::PanePlaying(int pane) const {
    return ValidPane(pane) && panes_[pane]->playing;
}

void CDlgRealAv::StartRecordTimers(int pane) {
    // The marker is a child of the pane, so it follows the pane without a
    // timer of its own.
    splitTimers_[pane]->start();
    panes_[pane]->SetRecording(true);
}

void CDlgRealAv::StopRecordTimers(int pane) {
    splitTimers_[pane]->stop();
    panes_[pane]->SetRecording(false);
}

void CDlgRealAv::ShowRecordMarkers(bool visible) {
    markersShown_ = visible;
    for (CDlgVideo* pane : panes_) {
        pane->SetMarkerAllowed(visible);
    }
}

void CDlgRealAv::CheckPictures() {
    const int64_t now = clock_.elapsed();
    const QString waiting = Text(client::kTextWaitingForData);
    for (CDlgVideo* pane : panes_) {
        if (!pane->playing) {
            continue;
        }
        const uint64_t presented = pane->Surface()->PicturesPresented();
        if (presented != pane->picturesSeen) {
            pane->picturesSeen = presented;
            pane->lastPictureMs = now;
            if (pane->StatusText() == waiting) {
                pane->SetStatusText({});
            }
        } else if (!pane->isVisible()) {
            pane->lastPictureMs = now;  // a hidden pane draws nothing to count
        } else if (!pane->starting && now - pane->lastPictureMs >= kPictureStallMs) {
            pane->SetStatusText(waiting);
        }
    }
}

// ---- All channels -----------------------------------------------------------

void CDlgRealAv::ConnectOrDisconnectAll() {
    if (Device() == nullptr) {
        ShowText(client::kTextOpenDeviceFailed);
        return;
    }
    const bool stop = AllChannelsPlay();
    for (int k = 0; k < ChannelCount(); ++k) {
        if (stop) {
            StopPane(k);
        } else {
            StartPane(k);
        }
    }
    if (!stop) {
        ApplySelectedVolume();
    }
    // The panel flipped its button before this arrived; what was done here
    // is what it must show.
    PageWidget::Send(channelPanel_, UM_PLAY_STATE, stop ? 0 : 1, 0);
}

void CDlgRealAv::StartPanesLater() {
    Context().RunLater(kStartDelayMs, [self = QPointer<CDlgRealAv>(this)] {
        if (self) {
            self->StartPanesNow();
        }
    });
}

void CDlgRealAv::StartPanesNow() {
    for (int k = 0; k < ChannelCount(); ++k) {
        if (restartFlags_[k]) {
            StartPane(k);
        }
    }
    ApplySelectedVolume();
}

// ---- Selection and sound -----------------------------------------------------

void CDlgRealAv::MoveSelection(int k) {
    if (k != selected_) {
        panes_[selected_]->SetSelected(false);
        selected_ = k;
    }
    panes_[selected_]->SetSelected(true);
}

void CDlgRealAv::OnSelectPane(int k) {
    if (!ValidPane(k)) {
        return;
    }
    MoveSelection(k);
    client::CDevice* device = Device();
    if (device != nullptr && Context().soundMuted == 0) {
        device->OpenStreamSound(k);
        device->SelectSoundChannel(k);
        ApplySelectedVolume();  // the output opened afresh
    }
    channelPanel_->SetVolumePosition(panes_[k]->volume);
}

void CDlgRealAv::OnSoundSwitch(bool on) {
    client::CDevice* device = Device();
    if (on && device != nullptr) {
        device->OpenStreamSound(selected_);
        device->SelectSoundChannel(selected_);
        ApplySelectedVolume();  // the output opened afresh
    }
    Context().soundMuted = on ? 0 : 1;
    if (!on && device != nullptr) {
        device->CloseAllSoundOutputs();
    }
}

void CDlgRealAv::OnVolumeChange(int volume) {
    client::CDevice* device = Device();
    CDlgVideo* pane = panes_[selected_];
    QW_DECODER_HANDLE decoder = device != nullptr ? device->Decoder(pane->channel) : nullptr;
    if (decoder != nullptr && QW_DVR_MEDIA_SetVolume(decoder, pane->channel, volume) == 0) {
        pane->volume = volume;
    }
}

void CDlgRealAv::ApplySelectedVolume() {
    client::CDevice* device = Device();
    const CDlgVideo* pane = panes_[selected_];
    if (QW_DECODER_HANDLE decoder = device != nullptr ? device->Decoder(pane->channel) : nullptr) {
        QW_DVR_MEDIA_SetVolume(decoder, pane->channel, pane->volume);
    }
}

void CDlgRealAv::OnPtzCommand(intptr_t code) {
    client::CDevice* device = Device();
    if (code < 0 || code > kPtzLastCode || device == nullptr) {
        return;
    }
    // The device refuses a pane without a channel.
    device->PtzAction(panes_[selected_]->channel, static_cast<int32_t>(code),
                      ptzPane_->Parameter());
}

// ---- Snapshots -------------------------------------------------------------------

void CDlgRealAv::TakeSnapshot(int channel, bool motion) {
    client::CDevice* device = Device();
    if (device == nullptr) {
        ShowText(client::kTextOpenDeviceFailed);
        return;
    }
    if (channel < 0 || channel >= ChannelCount()) {
        return;
    }
    std::vector<uint8_t> pixels(client::kSnapshotBufferBytes);
    // The capacity in pixels of 3 bytes that the buffer holds.
    int32_t width = 720;
    int32_t height = static_cast<int32_t>(pixels.size() / 3 / 720);
    if (device->CaptureImage(channel, pixels.data(), &width, &height) == 0) {
        // A picture larger than the buffer (a high-definition main stream)
        // tells its size: take it at that size.
        constexpr int32_t kLargest = 8192;
        if (width <= 0 || height <= 0 || width > kLargest || height > kLargest ||
            static_cast<size_t>(width) * static_cast<size_t>(height) * 3 <= pixels.size()) {
            return;
        }
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        if (device->CaptureImage(channel, pixels.data(), &width, &height) == 0) {
            return;
        }
    }
    const std::string path =
        motion ? client::MotionSnapshotPath()
               : client::SnapshotFolder(Context().framePath, device->ip, channel) +
                     client::SnapshotFileName(Context().Seams().now());
    Context().MakePath(path);
    const bool saved = client::WriteBitmapFile(path, pixels.data(), pixels.size(), width, height);
    if (!motion) {
        PageWidget::Send(mainWindow_, UM_SAVE_RESULT, saved ? 1 : 0,
                         reinterpret_cast<intptr_t>(&path));
    }
}

// ---- Preview permissions ---------------------------------------------------------

void CDlgRealAv::StartPreviewRightsWorker() {
    client::CDevice* device = Device();
    if (device == nullptr) {
        return;
    }
    previewWorker_ = std::thread([this, handle = device->handle, user = Context().user] {
        const std::array<uint8_t, client::kPaneCount> channels = PreviewChannels(handle, user);
        {
            std::lock_guard lock(previewLock_);
            previewChannels_ = channels;
        }
        // Joined before the page goes, so the page is still there.
        Post(kPreviewRightsReady, 0, 0);
    });
}

// ---- Layout ------------------------------------------------------------------------

QRect CDlgRealAv::PaneArea() const {
    if (fullScreen_) {
        return FullScreenPaneArea(fullScreenSize_);
    }
    return QRect(0, 0, std::max(0, width() - kColumnWidth), std::max(0, height() - kBottomStrip));
}

void CDlgRealAv::LayOut() {
    LiveGrid grid;
    grid.windowCount = windowCount_;
    grid.previousCount = previousCount_;
    grid.selected = selected_;
    grid.singleMode = singleMode_;
    grid.fullScreen = fullScreen_;
    grid.channelCount = ChannelCount();
    std::array<bool, client::kPaneCount> shown{};
    for (const PaneCell& cell : LayOutPanes(grid, PaneArea())) {
        panes_[cell.pane]->setGeometry(cell.rect);
        shown[cell.pane] = true;
    }
    for (int k = 0; k < client::kPaneCount; ++k) {
        panes_[k]->setVisible(shown[k]);
    }
    MoveSelection(selected_);
}

void CDlgRealAv::PlaceColumn() {
    const int left = PaneArea().right() + 1 + 4;
    const int columnWidth = std::max(0, width() - left - 2);
    const int ptzHeight = height() * kPtzPercent / 100;
    const int ptzTop = height() - ptzHeight;
    ptzPane_->setGeometry(left, ptzTop, columnWidth, ptzHeight - 2);
    channelPanel_->setGeometry(left, 0, columnWidth, std::max(0, ptzTop - kColumnGap));
}

void CDlgRealAv::OnLayoutCommand(intptr_t argument) {
    switch (argument) {
        case 0:
            EnterFullScreen();
            return;
        case 1:
            singleMode_ = true;
            break;
        case 2:
        case 3:
        case 4:
            previousCount_ = windowCount_;
            windowCount_ = static_cast<int>(argument * argument);
            singleMode_ = false;
            break;
        default:
            return;
    }
    LayOut();
}

void CDlgRealAv::OnPaneLayout(int k) {
    if (fullScreen_ || !ValidPane(k)) {
        return;
    }
    ShowRecordMarkers(true);
    if (windowCount_ == 1) {
        const int channels = ChannelCount();
        if (Device() == nullptr) {
            return;
        }
        previousCount_ = 1;
        windowCount_ = channels == 4 ? 4 : channels == 8 ? 9 : 16;
        singleMode_ = !singleMode_;
    } else {
        MoveSelection(k);
        singleMode_ = !singleMode_;
        if (singleMode_) {
            previousCount_ = windowCount_;
            windowCount_ = 1;
        }
    }
    LayOut();
}

void CDlgRealAv::EnterFullScreen() {
    if (fullScreen_) {
        return;
    }
    QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenArea = screen->geometry();
    normalParent_ = parentWidget();
    normalGeometry_ = geometry();
    fullScreen_ = true;
    fullScreenSize_ = screenArea.size();
    channelPanel_->hide();
    ptzPane_->hide();
    setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
    setGeometry(screenArea);
    exitButton_->setGeometry(screenArea.width() - kExitButtonFromRight, kExitButtonTop,
                             kExitButtonSize, kExitButtonSize);
    exitButton_->show();
    exitButton_->raise();
    LayOut();
    showFullScreen();
    activateWindow();
    setFocus();
}

void CDlgRealAv::LeaveFullScreen() {
    if (!fullScreen_) {
        return;
    }
    QWidget* home = mainWindow_ != nullptr ? mainWindow_ : normalParent_.data();
    // Back inside the window the page needs no window of its own: dropped
    // first, it is not moved into the main window.
    hide();
    destroy();
    setParent(home);
    setGeometry(mainWindow_ != nullptr ? mainWindow_->PageArea() : normalGeometry_);
    exitButton_->hide();
    fullScreen_ = false;
    channelPanel_->show();
    ptzPane_->setVisible((Context().rights.rights_b & client::kRightPtz) != 0);
    PlaceColumn();
    LayOut();
    show();
    setFocus();
}

void CDlgRealAv::resizeEvent(QResizeEvent* event) {
    PageWidget::resizeEvent(event);
    if (!fullScreen_) {
        PlaceColumn();
    }
    LayOut();
}

void CDlgRealAv::paintEvent(QPaintEvent* event) {
    PageWidget::paintEvent(event);
    if (fullScreen_) {
        // The strips around the panes stay dark like the pictures.
        QPainter(this).fillRect(rect(), Qt::black);
    }
}

void CDlgRealAv::keyPressEvent(QKeyEvent* event) {
    if (fullScreen_ && event->key() == Qt::Key_Escape) {
        LeaveFullScreen();
        return;
    }
    PageWidget::keyPressEvent(event);
}

void CDlgRealAv::closeEvent(QCloseEvent* event) {
    // Closing the full-screen window (its only frame is the screen) returns
    // the page to the main window instead of losing it.
    if (fullScreen_) {
        event->ignore();
        LeaveFullScreen();
        return;
    }
    PageWidget::closeEvent(event);
}

}  // namespace kestrel::ui
