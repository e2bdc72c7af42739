#include "live_sender.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>

#include "connection_writer.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "request_reader.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/model_identity.h"
#include "stop_signal.h"
#include "stream_registry.h"

namespace kestrel::sim {
namespace {

constexpr int kHoldPollMs = 500;
constexpr size_t kDiscardBytes = 4096;

HeaderTime HeaderTimeNow() {
    const platform::LocalTime now = platform::Now();
    return HeaderTime{now.year, now.month, now.day, now.hour, now.minute, now.second};
}

uint64_t WallClockUs() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count());
}

}  // namespace

LiveSender::LiveSender(Session& session, const ActiveStream& stream)
    : session_(session), stream_(stream) {}

void LiveSender::Run() {
    StopSignal& stop = session_.server.stop;
    SendHeader();
    const auto start = StopSignal::Clock::now();
    pts_base_us_ = WallClockUs();
    for (uint64_t frame = 0; !stalled_ && !session_.writer.Broken(); ++frame) {
        if (stop.Raised() || PeerClosed(session_.socket)) {
            return;
        }
        if (!session_.server.config.unpaced_live &&
            stop.WaitUntil(start + std::chrono::microseconds(frame * kFrameIntervalUs))) {
            return;
        }
        record_.clear();
        AppendFrame(frame);
        if (stream_.sound_open) {
            AppendAudio();
        }
        SendStreamBytes(record_);
    }
    if (stalled_) {
        HoldStalledConnection();
    }
}

void LiveSender::SendHeader() {
    const RecorderConfig& config = session_.server.config;
    const ModelIdentity* identity = FindModelIdentity(config.family, config.model);
    RecordingHeaderInfo info;
    info.start = HeaderTimeNow();
    info.end = info.start;  // a live stream has no end yet
    info.pal = true;
    if (identity != nullptr) {
        info.model_number = identity->model_number;
        info.model_code = identity->model_code;
    }
    info.channels.push_back(HeaderChannel{stream_.channel, kFramesPerSecond});
    SendStreamBytes(BuildRecordingHeader(info));
}

void LiveSender::AppendFrame(uint64_t frame) {
    const MediaSet& media = session_.server.media;
    const std::optional<uint64_t>& switch_after =
        session_.server.config.live_clip_switch_after_frames;
    const bool switched = switch_after && frame >= *switch_after;
    const MediaClip& clip =
        switched ? media.OtherClip(stream_.stream_number) : media.Clip(stream_.stream_number);
    // The other clip starts over at its first unit so the switch lands on an IDR.
    const uint64_t position = switched ? frame - *switch_after : frame;
    std::array<uint8_t, 8> extension{};  // the frame's index in this stream
    for (size_t i = 0; i < extension.size(); ++i) {
        extension[i] = static_cast<uint8_t>(frame >> (8 * i));
    }
    VideoFrame video;
    video.channel = stream_.channel;
    video.sub_stream = stream_.stream_number;
    video.pts_us = pts_base_us_ + frame * kFrameIntervalUs;
    video.extension = extension;
    video.payload = clip.AccessUnit(static_cast<size_t>(position % clip.AccessUnitCount()));
    AppendVideoRecord(record_, video);
}

void LiveSender::AppendAudio() {
    const std::vector<uint8_t>& tone = session_.server.media.tone;
    std::array<uint8_t, kAudioSamplesPerFrame> samples{};
    for (uint8_t& sample : samples) {
        sample = tone[tone_position_];
        tone_position_ = (tone_position_ + 1) % tone.size();
    }
    AppendMuLawAudioRecord(record_, stream_.channel, samples);
}

bool LiveSender::SendStreamBytes(std::span<const uint8_t> bytes) {
    const auto& stall_after = session_.server.config.faults.stall_live_after_bytes;
    size_t allowed = bytes.size();
    if (stall_after) {
        allowed = static_cast<size_t>(std::min<uint64_t>(allowed, *stall_after - stream_bytes_));
    }
    size_t sent = 0;
    const bool ok = session_.writer.Send(bytes.first(allowed), &sent);
    stream_bytes_ += sent;
    session_.server.observations.StreamSent(stream_.id, bytes.first(sent));
    if (ok && stall_after && stream_bytes_ >= *stall_after) {
        stalled_ = true;
    }
    return ok && !stalled_;
}

void LiveSender::HoldStalledConnection() {
    platform::Socket& socket = session_.socket;
    std::array<uint8_t, kDiscardBytes> discard;
    while (!session_.server.stop.Raised()) {
        const platform::WaitResult ready = socket.WaitReadable(kHoldPollMs);
        if (ready == platform::WaitResult::kError) {
            return;
        }
        if (ready == platform::WaitResult::kReady &&
            socket.Receive(discard.data(), discard.size()) <= 0) {
            return;
        }
    }
}

}  // namespace kestrel::sim
