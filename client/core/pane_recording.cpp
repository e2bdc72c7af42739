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
    return ValidPane(pane) && recording_[pane];
}

bool PaneRecording::StartPane(int pane) {
    if (!ValidPane(pane) || recording_[pane] || !view_.PanePlaying(pane)) {
        return false;
    }
    if (pane < ChannelCount() && context_.device->StartRecord(pane) == 0) {
        // No file to record into: the pane must not claim to record.
        return false;
    }
    recording_[pane] = true;
    view_.StartRecordTimers(pane);
    return true;
}

bool PaneRecording::StopPane(int pane) {
    if (!Recording(pane)) {
        return false;
    }
    if (context_.device) {
        context_.device->StopRecord(pane);
    }
    recording_[pane] = false;
    view_.StopRecordTimers(pane);
    return true;
}

void PaneRecording::ToggleAll() {
    const int count = std::min<int>(ChannelCount(), kPaneCount);
    bool anyRecording = false;
    for (int pane = 0; pane < count; ++pane) {
        anyRecording = anyRecording || recording_[pane];
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
    if (!StopPane(pane)) {
        return;
    }
    if (context_.Seams().sleep) {
        context_.Seams().sleep(kRecordSplitPauseMs);
    }
    StartPane(pane);
}

void PaneRecording::OnDiskSpaceLow(int channel) {
    // Notices queued before the pane stopped are stale: one text per stop.
    if (!StopPane(channel) || diskNoticeOpen_) {
        return;
    }
    diskNoticeOpen_ = true;
    if (context_.ui != nullptr) {
        context_.ui->ShowMessage(context_.LoadText(kTextInsufficientDiskSpace));
    }
    diskNoticeOpen_ = false;
}

}  // namespace kestrel::client
