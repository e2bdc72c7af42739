// The live page's recording rules per video pane (pane k shows channel k):
// start and stop, the 30-minute split into a new file, recording all panes,
// and stopping a pane when the record drive runs low.
//
// The page keeps the timers and the red "R" marker; it tells the controller
// when its split timer fires (OnSplitTimer) and when UM_DISK_SPACE_LOW
// arrives (OnDiskSpaceLow), so tests drive both without waiting. The pause
// of a split is a timer of the context's seams, so that the window never
// waits for it.
//
// Threading: GUI thread only (UM_DISK_SPACE_LOW reaches it as a posted
// message). The controller owns no thread; a split timer that fires after
// the controller is gone does nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace kestrel::client {

class ClientContext;

constexpr int kPaneCount = 16;
// Period of a pane's split timer: a new record file every 30 minutes.
constexpr int kRecordSplitMs = 1800000;
// Period of the timer that keeps a recording pane's marker in place.
constexpr int kRecordMarkerMs = 100;
// Pause between the old file's end and the new file's start at a split.
constexpr int kRecordSplitPauseMs = 1000;

// What the controller asks of the live page.
class PaneRecordingView {
public:
    virtual ~PaneRecordingView() = default;
    // A live stream runs in the pane.
    virtual bool PanePlaying(int pane) const = 0;
    // Starts the split timer (kRecordSplitMs) and the marker timer
    // (kRecordMarkerMs) of the pane and shows its marker.
    virtual void StartRecordTimers(int pane) = 0;
    // Stops both timers and hides the marker.
    virtual void StopRecordTimers(int pane) = 0;
};

class PaneRecording {
public:
    PaneRecording(ClientContext& context, PaneRecordingView& view);

    // Refused (false) when the pane records already, does not play, or its
    // channel's record file cannot be started.
    bool StartPane(int pane);
    // False when the pane does not record. Stopping a pane in the pause of a
    // split cancels its new file.
    bool StopPane(int pane);
    // The pane records, or is in the pause between two files of a split.
    bool Recording(int pane) const;
    // The "record all" command: when no pane of a channel records, start
    // every such pane; otherwise stop every recording pane.
    void ToggleAll();

    // The pane's split timer fired: stop, and start a new file after a
    // pause (kRecordSplitPauseMs).
    void OnSplitTimer(int pane);
    // UM_DISK_SPACE_LOW for a channel: stop its pane's recording and post
    // the low-disk text; a notice for a pane that no longer records, or one
    // arriving while the text is asked for or open, shows nothing.
    void OnDiskSpaceLow(int channel);

private:
    enum class PaneState { kIdle, kRecording, kSplitPause };

    static bool ValidPane(int pane) { return pane >= 0 && pane < kPaneCount; }
    int32_t ChannelCount() const;
    void EndSplitPause(int pane, uint32_t pause);

    ClientContext& context_;
    PaneRecordingView& view_;
    std::array<PaneState, kPaneCount> state_{};
    // Numbers each split pause, so a late timer cannot end a later one.
    std::array<uint32_t, kPaneCount> pauses_{};
    std::shared_ptr<char> alive_ = std::make_shared<char>();  // held weakly by timers
};

}  // namespace kestrel::client
