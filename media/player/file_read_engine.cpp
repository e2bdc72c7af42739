// The read engines of a file handle: the read thread, which keeps the
// players' queues topped up and watches a growing file, and the periodic
// engine of the older types, which feeds, steps backward or shows key frames
// one tick at a time.
#include <algorithm>
#include <vector>

#include "channel_player.h"
#include "file_player_core.h"
#include "key_frame.h"
#include "library_state.h"
#include "media_result.h"

namespace kestrel::media {
namespace {

constexpr size_t kReadBlockBytes = 25600;
constexpr size_t kLowQueue = 10;  // the read thread tops queues up below this
constexpr size_t kTimerReadBytes = 102400;
constexpr size_t kTimerLowQueue = 25;  // the timer engine tops queues up below this
constexpr int kReadPollMs = 10;
constexpr uint64_t kBufferingResumeBytes = 314572;

}  // namespace

bool FilePlayer::Core::AtEndOfData() const {
    return source.Position() >= source.UsableSize();
}

size_t FilePlayer::Core::ReadAndFeedLocked(size_t bytes, bool* read_nothing) {
    std::span<uint8_t> buffer(read_buffer.data(), std::min(bytes, read_buffer.size()));
    if (source.ExpectedLength() > FileSource::kMinExpectedLength) {
        source.RefreshSize();
    }
    const uint64_t at = source.Position();
    const size_t got = source.Read(buffer);
    *read_nothing = got == 0;
    if (got == 0) {
        return 0;
    }
    if (decoder->Input(QW_MEDIA_INPUT_STREAM, std::span(buffer.data(), got)) != kMediaOk) {
        source.SetPosition(at);  // the input is full: read these bytes again later
        return 0;
    }
    Notify(QW_PLAYINFO_READ, static_cast<intptr_t>(source.Position()));
    return got;
}

void FilePlayer::Core::FeedLocked(size_t bytes) {
    bool nothing = false;
    ReadAndFeedLocked(bytes, &nothing);
}

void FilePlayer::Core::StopEngines(int wait_ms) {
    engine_timer.Stop();
    read_thread.Stop(wait_ms);
}

// ---- the read thread -------------------------------------------------------

void FilePlayer::Core::ReadLoop(platform::MessageThread& self) {
    for (;;) {
        platform::Message message;
        if (self.Get(&message, kReadPollMs) && message.id == platform::kQuitMessage) {
            return;
        }
        std::lock_guard file(file_mutex);
        CheckBuffering();
        if (!playing || paused || buffering || finished) {
            continue;
        }
        size_t queued = decoder->MaxQueued(header.channel_mask | 1u);
        if (queued == 0 && AtEndOfData()) {
            HandleEndOfFile();
            continue;
        }
        while (queued < kLowQueue && !self.Peek(&message)) {
            bool nothing = false;
            ReadAndFeedLocked(kReadBlockBytes, &nothing);
            if (nothing) {
                if (AtEndOfData()) {
                    break;  // the end comes once the queues ran dry
                }
                Notify(QW_PLAYINFO_NO_DATA, 0);
                if (source.ExpectedLength() > kBufferingResumeBytes && !buffering) {
                    Notify(QW_PLAYINFO_BUFFERING, 0);
                    buffering = true;
                    ApplyPlayersPause();
                }
                break;
            }
            queued = decoder->MaxQueued(header.channel_mask | 1u);
        }
        if (message.id == platform::kQuitMessage) {
            return;
        }
    }
}

// Resumes when the download is far enough ahead of the read position. The
// caller's own pause stays as it is.
void FilePlayer::Core::CheckBuffering() {
    if (!buffering) {
        return;
    }
    const uint64_t size = source.RefreshSize();
    const uint64_t expected = source.ExpectedLength();
    if (size > source.Position() + kBufferingResumeBytes || size >= expected) {
        Notify(QW_PLAYINFO_BUFFERING, 1);
        buffering = false;
        ApplyPlayersPause();
    }
}

void FilePlayer::Core::HandleEndOfFile() {
    LibraryState& library = Library();
    library.paused.store(0);
    library.position.store(0);
    finished = true;
    Notify(QW_PLAYINFO_END, 0);
    decoder->ForEachPlayer([](int, ChannelPlayer& player) { player.CloseSound(); });
}

// ---- the periodic engine ---------------------------------------------------

bool FilePlayer::Core::UsesTimerEngine() const {
    return traits.file_engine == FileEngine::kPeriodic;
}

void FilePlayer::Core::RestartTimerEngine() {
    engine_timer.Stop();
    if (playing && interval_ms > 0) {
        std::weak_ptr<Core> weak = weak_from_this();
        engine_timer.Start(interval_ms, [weak] {
            if (const std::shared_ptr<Core> core = weak.lock()) {
                core->TimerTick();
            }
        });
    }
}

void FilePlayer::Core::TimerTick() {
    if (!playing || finished) {
        return;
    }
    auto wake = [this] { decoder->ForEachPlayer([](int, ChannelPlayer& p) { p.Wake(); }); };
    bool hold = false;
    {
        std::lock_guard file(file_mutex);
        CheckBuffering();
        hold = paused || buffering;
    }
    if (hold) {
        wake();
        return;
    }
    if (direction == kBackward) {
        StepBackward();
        return;
    }
    {
        std::lock_guard file(file_mutex);
        if (video_only) {
            FeedNextKeyFrame();
            return;
        }
        const size_t queued = decoder->MaxQueued(header.channel_mask | 1u);
        if (queued == 0 && AtEndOfData()) {
            HandleEndOfFile();
            return;
        }
        if (queued < kTimerLowQueue) {
            bool nothing = false;
            ReadAndFeedLocked(kTimerReadBytes, &nothing);
        }
    }
    wake();
}

// Fast playback of the older types shows key frames only, one per tick,
// each as soon as it is decoded.
void FilePlayer::Core::FeedNextKeyFrame() {
    const NextKeyFrame next =
        FindNextKeyFrame(source, source.Position(), source.UsableSize(), kMaxShownFrameSearch);
    source.SetPosition(next.resume_at);
    if (next.outcome == NextKeyFrame::Outcome::kEnd) {
        HandleEndOfFile();
        return;
    }
    if (next.outcome == NextKeyFrame::Outcome::kFound) {
        decoder->Input(QW_MEDIA_INPUT_STREAM, next.record);
        decoder->ForEachPlayer([](int, ChannelPlayer& player) { player.RequestStep(1); });
        Notify(QW_PLAYINFO_READ, static_cast<intptr_t>(next.resume_at));
    }
}

}  // namespace kestrel::media
