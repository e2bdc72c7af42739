// File download (command 7): the answer with the file's length, then the
// file's bytes from the asked offset on the same connection, then close.
#include <algorithm>
#include <array>
#include <chrono>

#include "byte_order.h"
#include "command_block.h"
#include "connection_writer.h"
#include "file_commands.h"
#include "platform/socket.h"
#include "recording_store.h"
#include "request_reader.h"
#include "sim/result_codes.h"
#include "stop_signal.h"

namespace kestrel::sim {
namespace {

constexpr size_t kDownloadFixedOne = 20;  // BE 1
constexpr size_t kDownloadFixedZero = 24;
constexpr size_t kDownloadMode = 28;    // BE 0..3, not used otherwise
constexpr size_t kDownloadOffset = 40;  // BE byte offset into the file
constexpr size_t kDownloadName = 44;
constexpr size_t kDownloadNameSize = 128;
constexpr size_t kDownloadBodyEnd = kDownloadName + kDownloadNameSize;
constexpr uint32_t kMaxDownloadMode = 3;

constexpr size_t kFullSpeedPiece = 64 * 1024;
// A rate-limited download sends a piece every 20 ms or so.
constexpr uint64_t kPacedPiecesPerSecond = 50;
constexpr size_t kMinPacedPiece = 512;

int32_t CheckDownload(const Request& request) {
    if (!request.Covers(kDownloadBodyEnd) || request.BodyBE32(kDownloadFixedOne) != 1 ||
        request.BodyBE32(kDownloadFixedZero) != 0 ||
        request.BodyBE32(kDownloadMode) > kMaxDownloadMode) {
        return kResultBadRequest;
    }
    return kResultOk;
}

}  // namespace

SessionAction HandleDownload(const Request& request, Session& session) {
    int32_t result = CheckDownload(request);
    const std::string name = request.TextField(kDownloadName, kDownloadNameSize);
    const RecordingFile* file = session.server.recordings.Find(name);
    const uint32_t offset = request.BodyBE32(kDownloadOffset);
    if (result == kResultOk && session.server.config.faults.refuse_download_code) {
        result = *session.server.config.faults.refuse_download_code;
    }
    if (result == kResultOk && file == nullptr) {
        result = kResultNoSuchFile;
    }
    if (result == kResultOk && offset > file->size) {
        result = kResultBadFileOffset;
    }
    if (result != kResultOk) {
        return SendStandardResponse(session, result) ? SessionAction::kContinue
                                                     : SessionAction::kClose;
    }
    const auto bytes = session.server.recordings.Bytes(*file);
    std::array<uint8_t, 4> length{};
    PutLE32(length, 0, file->size);
    ObservedDownload seen{name, offset, 0, false};
    if (!SendStandardResponse(session, kResultOk, length)) {
        session.server.observations.RecordDownload(seen);
        return SessionAction::kClose;
    }

    const RecorderConfig& config = session.server.config;
    const uint64_t rate = config.download_rate_limit;
    const size_t piece = rate == 0
                             ? kFullSpeedPiece
                             : std::clamp<size_t>(static_cast<size_t>(rate / kPacedPiecesPerSecond),
                                                  kMinPacedPiece, kFullSpeedPiece);
    size_t end = bytes->size();
    const uint32_t number = session.server.recordings.NextDownloadNumber();
    if (config.faults.drop_download_after_bytes &&
        (!config.faults.drop_download_count || number < *config.faults.drop_download_count)) {
        end = static_cast<size_t>(
            std::min<uint64_t>(end, offset + *config.faults.drop_download_after_bytes));
    }
    StopSignal& stop = session.server.stop;
    const auto started = StopSignal::Clock::now();
    size_t at = offset;
    while (at < end) {
        if (stop.Raised() || PeerClosed(session.socket)) {
            break;
        }
        if (rate != 0) {
            const auto due = started + std::chrono::microseconds(seen.bytes_sent * 1000000 / rate);
            if (stop.WaitUntil(due)) {
                break;
            }
        }
        const size_t count = std::min(piece, end - at);
        size_t sent = 0;
        const bool ok =
            session.writer.Send(std::span<const uint8_t>(bytes->data() + at, count), &sent);
        at += sent;
        seen.bytes_sent += sent;
        if (!ok) {
            break;
        }
    }
    seen.completed = at == bytes->size();
    session.server.observations.RecordDownload(seen);
    // The end of the connection is the end of the file for the client.
    return SessionAction::kClose;
}

}  // namespace kestrel::sim
