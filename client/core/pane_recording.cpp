#include "pane_recording.h"

#include <algorithm>

#include "client_context.h"
#include "device.h"
#include "text_ids.h"

namespace kestrel::client {

PaneRecording::PaneRecording(ClientContext& context, PaneRecordingView& view)
    : context_(context), view_(view) {}

int32_t PaneRecording::ChannelCount() const {
    return context_.device ? context_.device->channelCount : 0;
}

bool PaneRecording::Recording(int pane) const {
    return ValidPane(pane) && state_[pane] != PaneState::kIdle;
}

bool PaneRecording::StartPane(int pane) {
    if (!ValidPane(pane) || state_[pane] != PaneState::kIdle || !view_.PanePlaying(pane)) {
        return false;
    }
    if (pane < ChannelCount() && context_.device->StartRecord(pane) == 0) {
        // No file to record into: the pane must not claim to record.
        return false;
    }
    state_[pane] = PaneState::kRecording;
    view_.StartRecordTimers(pane);
    return true;
}

bool PaneRecording::StopPane(int pane) {
    if (!Recording(pane)) {
        return false;
    }
    // In a split's pause the file and the timers are stopped already.
    if (state_[pane] == PaneState::kRecording) {
        if (context_.device) {
            context_.device->StopRecord(pane);
        }
        view_.StopRecordTimers(pane);
    }
    state_[pane] = PaneState::kIdle;
    return true;
}

void PaneRecording::ToggleAll() {
    const int count = std::min<int>(ChannelCount(), kPaneCount);
    bool anyRecording = false;
    for (int pane = 0; pane < count; ++pane) {
        anyRecording = anyRecording || Recording(pane);
    }
    for (int pane = 0; pane < (anyRecording ? kPaneCount : count); ++pane) {
        if (anyRecording) {
            StopPane(pane);
        } else {
            StartPane(pane);
        }
    }
}

void PaneRecording::OnSplitTimer(int pane) {
    if (!ValidPane(pane) || state_[pane] != PaneState::kRecording) {
        return;
    }
    StopPane(pane);
    state_[pane] = PaneState::kSplitPause;
    const uint32_t pause = ++pauses_[pane];
    context_.RunLater(kRecordSplitPauseMs,
                      [this, pane, pause, alive = std::weak_ptr<char>(alive_)] {
                          if (!alive.expired()) {
                              EndSplitPause(pane, pause);
                          }
                      });
}

void PaneRecording::EndSplitPause(int pane, uint32_t pause) {
    if (state_[pane] != PaneState::kSplitPause || pauses_[pane] != pause) {
        return;  // stopped meanwhile
    }
    state_[pane] = PaneState::kIdle;
    StartPane(pane);
}

void PaneRecording::OnDiskSpaceLow(int channel) {
    // Notices queued before the pane stopped are stale: one text per stop.
    if (!StopPane(channel)) {
        return;
    }
    context_.NotifyText(kTextInsufficientDiskSpace, true);
}

}  // namespace kestrel::client
