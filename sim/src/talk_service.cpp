// Talk: command 27 turns its connection into the recorder-to-client audio
// direction, command 28 its connection into the client-to-recorder one. The
// recorder echoes: what the send direction brings goes back on the receive
// direction, framed as audio records. The close forms (word 2 = 0) arrive on
// fresh connections and are not answered.
#include <algorithm>
#include <array>
#include <chrono>

#include "byte_order.h"
#include "command_block.h"
#include "connection_writer.h"
#include "device_actions.h"
#include "request_reader.h"
#include "sim/frame_records.h"
#include "sim/result_codes.h"
#include "stop_signal.h"

namespace kestrel::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kTalkWords = 20;  // six LE words
constexpr size_t kTalkWordCount = 6;
constexpr size_t kTalkDirection = 1;  // word 2: 1 open, 0 close
constexpr size_t kTalkPiece = 2048;   // one audio record's block at most
constexpr int kRelayWaitMs = 50;
constexpr uint8_t kTalkStreamDigit = '0';
constexpr uint8_t kTalkCodecDigit = '5';

ObservedTalkRequest ReadTalkRequest(const Request& request) {
    ObservedTalkRequest talk;
    talk.command = request.command;
    for (size_t i = 0; i < kTalkWordCount; ++i) {
        talk.words[i] = request.BodyLE32(kTalkWords + 4 * i);
    }
    return talk;
}

// One record, its block exactly the piece as it arrived.
std::vector<uint8_t> AudioRecord(std::span<const uint8_t> piece) {
    // Sized once: growing it by insert trips a false array-bounds warning.
    std::vector<uint8_t> record(PaddedRecordSize(kAudioHeaderSize + piece.size()), 0);
    record[0] = kTalkStreamDigit;
    record[1] = kTalkCodecDigit;
    record[2] = 'w';
    record[3] = 'b';
    PutLE16(record, 4, static_cast<uint16_t>(piece.size()));
    PutLE16(record, 6, static_cast<uint16_t>(piece.size()));
    std::copy(piece.begin(), piece.end(), record.begin() + kAudioHeaderSize);
    return record;
}

// Whether the peer closed (or the simulator stopped) while nothing was sent
// our way; bytes it sends on this direction are read and dropped.
bool PeerGone(Session& session) {
    std::array<uint8_t, 512> sink{};
    size_t got = 0;
    const ReadOutcome outcome =
        ReceiveSome(session.socket, session.server.stop, DeadlineAfter(1), sink, &got);
    return outcome != ReadOutcome::kBlock && outcome != ReadOutcome::kTimedOut;
}

// Counts this connection as an open talk link while it lives.
struct TalkLinkScope {
    explicit TalkLinkScope(Observations& o) : observations(o) {
        observations.TalkLinkChanged(true);
    }
    ~TalkLinkScope() { observations.TalkLinkChanged(false); }
    TalkLinkScope(const TalkLinkScope&) = delete;
    TalkLinkScope& operator=(const TalkLinkScope&) = delete;
    Observations& observations;
};

// Holds the connection without answering until the peer closes, the
// simulator stops or the request time-out passes without any bytes.
void StaySilent(Session& session, bool count_bytes) {
    std::array<uint8_t, kTalkPiece> piece{};
    for (;;) {
        size_t got = 0;
        if (ReceiveSome(session.socket, session.server.stop,
                        DeadlineAfter(session.server.config.request_timeout_ms), piece,
                        &got) != ReadOutcome::kBlock) {
            return;
        }
        if (count_bytes) {
            session.server.observations.CountTalkBytes(got);
        }
    }
}

}  // namespace

void TalkRelay::Push(std::vector<uint8_t> piece) {
    {
        std::lock_guard lock(mutex_);
        if (piece.size() > kLimitBytes - queued_bytes_) {
            return;
        }
        queued_bytes_ += piece.size();
        pieces_.push_back(std::move(piece));
    }
    arrived_.notify_all();
}

std::vector<uint8_t> TalkRelay::Take(int wait_ms) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] { return !pieces_.empty(); });
    if (pieces_.empty()) {
        return {};
    }
    std::vector<uint8_t> piece = std::move(pieces_.front());
    pieces_.pop_front();
    queued_bytes_ -= piece.size();
    return piece;
}

void TalkRelay::Clear() {
    std::lock_guard lock(mutex_);
    pieces_.clear();
    queued_bytes_ = 0;
}

SessionAction HandleTalkReceive(const Request& request, Session& session) {
    const ObservedTalkRequest talk = ReadTalkRequest(request);
    Observations& observations = session.server.observations;
    observations.RecordTalkRequest(talk);
    if (talk.words[kTalkDirection] == 0) {
        return SessionAction::kContinue;  // a close: no answer
    }
    TalkLinkScope scope(observations);
    if (session.server.config.faults.silent_talk) {
        StaySilent(session, false);
        return SessionAction::kClose;
    }
    TalkRelay& relay = session.server.actions.Talk();
    relay.Clear();
    // Silence is no reason to stop, but a whole request time-out of it is.
    const auto idle_limit = std::chrono::milliseconds(session.server.config.request_timeout_ms);
    auto last_piece = Clock::now();
    while (!session.server.stop.Raised()) {
        const std::vector<uint8_t> piece = relay.Take(kRelayWaitMs);
        if (!piece.empty()) {
            if (!session.writer.Send(AudioRecord(piece))) {
                break;
            }
            last_piece = Clock::now();
        } else if (Clock::now() - last_piece > idle_limit) {
            break;
        }
        if (PeerGone(session)) {
            break;
        }
    }
    return SessionAction::kClose;
}

SessionAction HandleTalkSend(const Request& request, Session& session) {
    const ObservedTalkRequest talk = ReadTalkRequest(request);
    Observations& observations = session.server.observations;
    observations.RecordTalkRequest(talk);
    if (talk.words[kTalkDirection] == 0) {
        return SessionAction::kContinue;
    }
    TalkLinkScope scope(observations);
    if (session.server.config.faults.silent_talk) {
        StaySilent(session, true);
        return SessionAction::kClose;
    }
    if (!SendStandardResponse(session, kResultOk)) {
        return SessionAction::kClose;
    }
    // From here on the connection carries raw audio, no request blocks.
    TalkRelay& relay = session.server.actions.Talk();
    std::vector<uint8_t> piece(kTalkPiece);
    for (;;) {
        size_t got = 0;
        if (ReceiveSome(session.socket, session.server.stop,
                        DeadlineAfter(session.server.config.request_timeout_ms), piece,
                        &got) != ReadOutcome::kBlock) {
            break;
        }
        observations.CountTalkBytes(got);
        relay.Push(std::vector<uint8_t>(piece.begin(), piece.begin() + static_cast<long>(got)));
    }
    return SessionAction::kClose;
}

}  // namespace kestrel::sim
