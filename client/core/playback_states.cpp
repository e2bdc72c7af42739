#include "playback_states.h"

#include <array>

namespace kestrel::client {
namespace {

// Rows: states 0..6; columns: stop, play, pause, fast, slow, next, previous.
constexpr std::array<std::array<bool, 7>, kPlayStateCount> kTable{{
    {0, 1, 0, 0, 0, 0, 0},
    {1, 0, 1, 1, 1, 1, 1},
    {1, 1, 0, 1, 1, 1, 1},
    {1, 1, 1, 1, 1, 1, 1},
    {1, 1, 1, 1, 1, 1, 1},
    {1, 1, 0, 1, 1, 1, 1},
    {1, 1, 0, 1, 1, 1, 1},
}};

// The rate call reports a rate it applied with 1 on some recorder types and
// with 0 on the others.
bool RateApplied(int32_t result) {
    return result == 1 || result == QW_MEDIA_OK;
}

}  // namespace

bool PlayAllowed(int32_t state, PlayOp op) {
    return state >= 0 && state < kPlayStateCount && kTable[state][static_cast<size_t>(op)];
}

std::string RateLabel(int32_t step) {
    if (step >= 0) {
        return std::to_string(1 << step) + "x";
    }
    return "x/" + std::to_string(1 << -step);
}

void PlayControls::Enter(int32_t state) {
    previous_ = state_;
    state_ = state;
}

PlayStatus PlayControls::Pause() {
    if (!PlayAllowed(state_, PlayOp::kPause)) {
        return PlayStatus::kUnchanged;
    }
    paused_ = true;
    QW_DVR_MEDIA_PCPause(decoder_, 1);
    Enter(kPlayPaused);
    return PlayStatus::kPause;
}

PlayStatus PlayControls::Resume() {
    // The paused row, read with the state before the pause as its column.
    if (state_ != kPlayPaused || previous_ < 0 || previous_ > kPlaySlow ||
        !PlayAllowed(kPlayPaused, static_cast<PlayOp>(previous_))) {
        return PlayStatus::kUnchanged;
    }
    stepping_ = false;
    paused_ = false;
    rateStep_ = 0;
    QW_DVR_MEDIA_PCPause(decoder_, 0);
    QW_DVR_MEDIA_PCSetRate(decoder_, 0);
    state_ = previous_;
    previous_ = kPlayPaused;
    return PlayStatus::kRate;
}

void PlayControls::LeaveStepOrDirection(bool wrongDirection) {
    if (wrongDirection || stepping_) {
        rateStep_ = 0;
        QW_DVR_MEDIA_PCPause(decoder_, 0);
        stepping_ = false;
        paused_ = false;
    }
}

PlayStatus PlayControls::ChangeRate(bool playing, int32_t direction) {
    if (!playing || paused_) {
        return PlayStatus::kUnchanged;
    }
    const int32_t step = rateStep_ + direction;
    if (step > kMaxRateStep || step < -kMaxRateStep) {
        return PlayStatus::kUnchanged;  // already at the end of the range
    }
    rateStep_ = step;
    if (!RateApplied(QW_DVR_MEDIA_PCSetRate(decoder_, step))) {
        return PlayStatus::kUnchanged;
    }
    Enter(direction > 0 ? kPlayFast : kPlaySlow);
    return PlayStatus::kRate;
}

PlayStatus PlayControls::Fast(bool playing) {
    if (decoder_ == nullptr || !PlayAllowed(state_, PlayOp::kFast)) {
        return PlayStatus::kUnchanged;
    }
    LeaveStepOrDirection(rateStep_ < 0);
    return ChangeRate(playing, 1);
}

PlayStatus PlayControls::Slow(bool playing) {
    if (decoder_ == nullptr || !PlayAllowed(state_, PlayOp::kSlow)) {
        return PlayStatus::kUnchanged;
    }
    LeaveStepOrDirection(rateStep_ > 0);
    return ChangeRate(playing, -1);
}

PlayStatus PlayControls::NextFrame() {
    if (!PlayAllowed(state_, PlayOp::kNextFrame)) {
        return PlayStatus::kUnchanged;
    }
    previous_ = kPlayPlaying;
    state_ = kPlayPaused;
    if (decoder_ != nullptr && QW_DVR_MEDIA_PCNextFrame(decoder_) == QW_MEDIA_OK) {
        stepping_ = true;
        return PlayStatus::kNextFrame;
    }
    return PlayStatus::kUnchanged;
}

PlayStatus PlayControls::PrevFrame() {
    if (!PlayAllowed(state_, PlayOp::kPrevFrame)) {
        return PlayStatus::kUnchanged;
    }
    previous_ = kPlayPlaying;
    state_ = kPlayPaused;
    if (decoder_ != nullptr && QW_DVR_MEDIA_PCPrevFrame(decoder_) == QW_MEDIA_OK) {
        stepping_ = true;
        return PlayStatus::kRate;
    }
    return PlayStatus::kUnchanged;
}

void PlayControls::Started() {
    Enter(kPlayPlaying);
}

PlayStatus PlayControls::Restarted() {
    rateStep_ = 0;
    QW_DVR_MEDIA_PCSetRate(decoder_, 0);
    Enter(kPlayPlaying);
    paused_ = false;
    return PlayStatus::kRate;
}

void PlayControls::Stopped() {
    paused_ = false;
    Enter(kPlayStopped);
}

}  // namespace kestrel::client
