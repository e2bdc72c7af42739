// The play states of the REPLAY page's controller, the table of which button
// may act in which state, the rate steps with their labels, and what the
// pause, play (from pause), fast, slow and frame-step buttons do to the state
// and to the media library's file playback.
//
// Threading: GUI thread; plain data besides the media library calls.
#pragma once

#include <cstdint>
#include <string>

#include "kestrel_media.h"

namespace kestrel::client {

// Play states; 5 and 6 have table rows but nothing enters them.
constexpr int32_t kPlayStopped = 0;
constexpr int32_t kPlayPlaying = 1;
constexpr int32_t kPlayPaused = 2;
constexpr int32_t kPlayFast = 3;
constexpr int32_t kPlaySlow = 4;
constexpr int32_t kPlayStateCount = 7;

// The table's columns.
enum class PlayOp { kStop, kPlay, kPause, kFast, kSlow, kNextFrame, kPrevFrame };

// Rate steps: the rate is 2^step.
constexpr int32_t kMaxRateStep = 4;

// The table entry for a state (row) and an operation; false outside it.
bool PlayAllowed(int32_t state, PlayOp op);
// "1x" ... "16x" for steps 0..4, "x/2" ... "x/16" for -1..-4.
std::string RateLabel(int32_t step);

// What the status label shows after a button.
enum class PlayStatus { kUnchanged, kRate, kPause, kNextFrame };

// The buttons' rules over one file decoder. The decoder may be null (none
// opened yet); the calls that need one then do nothing.
class PlayControls {
public:
    void SetDecoder(QW_DECODER_HANDLE decoder) { decoder_ = decoder; }

    PlayStatus Pause();
    // Play while paused: back to the state before the pause, at normal rate.
    // kUnchanged when the state before it may not resume.
    PlayStatus Resume();
    // playing: a playback runs (the decoder was started).
    PlayStatus Fast(bool playing);
    PlayStatus Slow(bool playing);
    PlayStatus NextFrame();
    PlayStatus PrevFrame();
    // A playback was started (play or the play button): normal rate, playing.
    void Started();
    // Back to normal rate after a start from the play button.
    PlayStatus Restarted();
    // Playback ended: state stopped.
    void Stopped();
    // Everything back to the beginning (the bar goes).
    void Reset() { *this = PlayControls{}; }

    int32_t State() const { return state_; }
    int32_t Previous() const { return previous_; }
    int32_t RateStep() const { return rateStep_; }
    bool Paused() const { return paused_; }
    bool Stepping() const { return stepping_; }
    std::string Label() const { return RateLabel(rateStep_); }

private:
    void Enter(int32_t state);
    // Fast and slow leave a frame step or the other direction first.
    void LeaveStepOrDirection(bool wrongDirection);
    PlayStatus ChangeRate(bool playing, int32_t direction);

    QW_DECODER_HANDLE decoder_ = nullptr;
    int32_t state_ = kPlayStopped;
    int32_t previous_ = kPlayStopped;
    int32_t rateStep_ = 0;
    bool paused_ = false;
    bool stepping_ = false;
};

}  // namespace kestrel::client
