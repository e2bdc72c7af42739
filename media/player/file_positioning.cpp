// Positioning of a file handle (by bytes, frame count or time) and single
// steps forward and backward: each lands on a frame, decoded from the key
// frame before it.
#include <algorithm>
#include <optional>

#include "audio_components.h"
#include "channel_player.h"
#include "file_player_core.h"
#include "file_result.h"
#include "key_frame.h"
#include "library_state.h"
#include "media_result.h"
#include "recording_time.h"

namespace kestrel::media {
namespace {

constexpr size_t kQueuedForStep = 5;
constexpr int64_t kTimeToleranceSeconds = 2;
constexpr int kMaxTimeCorrections = 20;
constexpr uint64_t kTimeCorrectionBytes = 10000;

}  // namespace

// ---- positioning -----------------------------------------------------------

int32_t FilePlayer::Core::SetPosLocked(int32_t value, const QwMediaTime* time, int32_t mode,
                                       int32_t extra) {
    switch (mode) {
        case QW_MEDIA_POS_BYTES:
            Library().position.store(value);
            return SeekBytes(value, extra);
        case QW_MEDIA_POS_FRAMES:
            return SeekFrames(value, extra == 0);
        case QW_MEDIA_POS_TIME:
            if (time == nullptr) {
                return kMediaBadArgument;
            }
            return SeekTime(*time);
        default:
            return kMediaNotAvailable;
    }
}

int32_t FilePlayer::Core::SeekBytes(int64_t value, int32_t origin) {
    std::lock_guard file(file_mutex);
    if (!decoder || !source.IsOpen()) {
        return kMediaFailed;
    }
    if (source.ExpectedLength() > FileSource::kMinExpectedLength) {
        source.RefreshSize();
    }
    const int64_t end = static_cast<int64_t>(source.Size());
    if (value > end) {
        return kMediaFailed;
    }
    int64_t target = 0;
    switch (origin) {
        case 0:
            if (value < 0) {
                return kMediaSeekDirection;
            }
            target = value;
            break;
        case 1: {
            if (value == 0) {
                return kMediaNothingToDo;
            }
            target = static_cast<int64_t>(source.Position()) + value;
            if (target >= end || target < 0) {
                return kMediaSeekRange;
            }
            break;
        }
        case 2:
            if (value > 0) {
                return kMediaSeekDirection;
            }
            target = end + value;
            if (target < 0) {
                return kMediaSeekRange;
            }
            break;
        default:
            return kMediaNotAvailable;
    }
    const auto frame =
        FindVideoFrameAtOrAfter(source, static_cast<uint64_t>(target), kMarkerMainVideo);
    if (!frame || !JumpToFrame(frame->offset)) {
        // No frame from there on: nothing more to show.
        decoder->Flush();
        source.SetPosition(static_cast<uint64_t>(std::min(target, end)));
    }
    return kMediaOk;
}

int32_t FilePlayer::Core::SeekFrames(int32_t count, bool from_start) {
    std::lock_guard file(file_mutex);
    if (!decoder || !source.IsOpen()) {
        return kMediaFailed;
    }
    if (count < 0) {
        return kMediaBadArgument;
    }
    // Every frame counts, small ones too, so the search resumes just past
    // each frame found.
    uint64_t from = from_start ? data_start : source.Position();
    std::optional<LocatedFrame> frame = FindVideoFrameAtOrAfter(source, from, kMarkerMainVideo);
    for (int32_t i = 0; i < count && frame; ++i) {
        frame = FindVideoFrameAtOrAfter(source, frame->offset + 1, kMarkerMainVideo);
    }
    if (!frame || !JumpToFrame(frame->offset)) {
        return kMediaFailed;  // the position is unchanged
    }
    return kMediaOk;
}

int32_t FilePlayer::Core::SeekTime(const QwMediaTime& time) {
    if (!traits.seeks_by_time) {
        return kMediaNotAvailable;
    }
    std::lock_guard file(file_mutex);
    if (!decoder || !source.IsOpen()) {
        return kMediaFailed;
    }
    const int64_t start = RecordingTimeToSeconds(header.start);
    const int64_t end = RecordingTimeToSeconds(header.end);
    const int64_t wanted = RecordingTimeToSeconds(time);
    if (!IsValidRecordingTime(time) || wanted < start || wanted > end || end <= start) {
        return kMediaFailed;
    }
    const auto first = FindVideoFrameAtOrAfter(source, data_start, kMarkerMainVideo);
    if (!first) {
        return kMediaFailed;
    }
    const uint64_t size = source.Size();
    uint64_t at = data_start + static_cast<uint64_t>(static_cast<double>(wanted - start) /
                                                     static_cast<double>(end - start) *
                                                     static_cast<double>(size - data_start));
    // Frame times count from the header's start at the file's first frame.
    auto seconds_of = [&](const LocatedFrame& frame) {
        return start + static_cast<int64_t>((frame.header.pts_us - first->header.pts_us) / 1000000);
    };
    std::optional<LocatedFrame> frame;
    for (int correction = 0; correction < kMaxTimeCorrections; ++correction) {
        frame = FindVideoFrameAtOrAfter(source, at, kMarkerMainVideo);
        if (!frame) {
            frame = FindMainFrameBefore(source, at);
        }
        if (!frame) {
            return kMediaFailed;
        }
        const int64_t seconds = seconds_of(*frame);
        if (seconds > wanted + kTimeToleranceSeconds) {
            at = frame->offset > kTimeCorrectionBytes ? frame->offset - kTimeCorrectionBytes : 0;
        } else if (seconds < wanted - kTimeToleranceSeconds) {
            at = frame->offset + kTimeCorrectionBytes;
        } else {
            return JumpToFrame(frame->offset) ? kMediaOk : kMediaFailed;
        }
    }
    return kMediaFailed;
}

LocatedFrame FilePlayer::Core::KeyFrameFor(const LocatedFrame& target, int* frames) {
    return FindKeyFrameFor(source, target, data_start, frames);
}

bool FilePlayer::Core::JumpToFrame(uint64_t target) {
    const auto located = FindVideoFrameAtOrAfter(source, target, kMarkerMainVideo);
    if (!located || located->offset != target) {
        return false;
    }
    int frames = 0;
    const LocatedFrame key = KeyFrameFor(*located, &frames);
    decoder->Flush();
    const uint64_t target_pts = located->header.pts_us;
    decoder->ForEachPlayer(
        [target_pts](int, ChannelPlayer& player) { player.SkipUntil(target_pts); });
    source.SetPosition(key.offset);
    finished = false;
    if (paused || buffering) {
        // Paused: show the frame at the new position at once.
        FeedLocked(kStepReadBytes);
        decoder->ForEachPlayer(
            [frames](int, ChannelPlayer& player) { player.RequestStep(frames); });
    } else {
        read_thread.Post(kEngineWake);  // refill now, not at the next poll
    }
    return true;
}

// ---- single steps ----------------------------------------------------------

int32_t FilePlayer::Core::StepForward() {
    std::lock_guard file(file_mutex);
    if (!decoder) {
        return kMediaNotAvailable;
    }
    step_mode = kStepForward;
    if (decoder->MaxQueued(header.channel_mask | 1u) <= kQueuedForStep) {
        FeedLocked(kStepReadBytes);
    }
    decoder->ForEachPlayer([](int, ChannelPlayer& player) {
        player.SkipUntil(0);
        player.RequestStep(1);
    });
    return kMediaOk;
}

int32_t FilePlayer::Core::StepBackward() {
    std::lock_guard file(file_mutex);
    if (!decoder) {
        return kMediaNotAvailable;
    }
    decoder->ForEachPlayer([](int, ChannelPlayer& player) { player.StopFileAudio(QWAUDIO_FLUSH); });
    // The frame on screen: the one a previous step back showed, or the one
    // with the shown time stamp, behind the read position.
    uint64_t shown_offset = step_frame_offset;
    if (step_mode != kStepBackward) {
        uint64_t shown_pts = 0;
        decoder->ForEachPlayer([&shown_pts](int, ChannelPlayer& player) {
            shown_pts = std::max(shown_pts, player.ShownPts());
        });
        shown_offset = source.Position();
        std::optional<LocatedFrame> frame = FindMainFrameBefore(source, shown_offset);
        for (int i = 0; i < kMaxShownFrameSearch && frame; ++i) {
            shown_offset = frame->offset;
            if (frame->header.pts_us == shown_pts) {
                break;
            }
            frame = FindMainFrameBefore(source, frame->offset);
        }
    }
    const auto target = FindMainFrameBefore(source, shown_offset);
    if (!target || target->offset < data_start) {
        Notify(QW_PLAYINFO_END, 0);  // the start of the file was reached
        return kMediaOk;
    }
    step_mode = kStepBackward;
    step_frame_offset = target->offset;
    int frames = 0;
    const LocatedFrame key = KeyFrameFor(*target, &frames);
    const uint64_t target_end = target->offset + target->header.RecordLength();
    if (const auto bytes = ReadUpToEndOf(source, key.offset, *target)) {
        decoder->StartStep(*bytes, frames);
    } else {
        decoder->Flush();
    }
    source.SetPosition(target_end);  // a step forward goes on from here
    return kMediaOk;
}

}  // namespace kestrel::media
