// Pan-tilt-zoom (24), shut-down (18), disk format (20) and firmware upload
// (8). Each arrives on a fresh connection of its own.
#include "device_actions.h"

#include <algorithm>
#include <array>

#include "byte_order.h"
#include "command_block.h"
#include "connection_writer.h"
#include "request_reader.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

constexpr size_t kPtzParameter = 20;  // LE words
constexpr size_t kPtzCommand = 24;
constexpr size_t kPtzSpeed = 28;

constexpr size_t kShutDownMode = 20;  // BE

constexpr size_t kFormatOperation = 20;  // BE
constexpr size_t kFormatDisk = 24;       // BE
constexpr uint32_t kFormatStart = 283;
constexpr uint32_t kFormatStatus = 284;
constexpr uint32_t kFormatDiskWord = 8;
constexpr uint32_t kFormatStartAnswer = 1;

constexpr size_t kFirmwareName = 20;
constexpr size_t kFirmwareNameSize = 128;
constexpr size_t kFirmwareLength = 148;  // BE
constexpr size_t kFirmwareFirstPiece = 1024;
constexpr size_t kFirmwareReadPiece = 64 * 1024;

SessionAction Answered(bool sent) {
    return sent ? SessionAction::kContinue : SessionAction::kClose;
}

// Reads up to out->size() bytes; each piece must come within timeout_ms of
// the previous one. Returns the count that arrived.
size_t ReadFile(Session& session, std::vector<uint8_t>* out) {
    const int timeout_ms = session.server.config.request_timeout_ms;
    size_t filled = 0;
    while (filled < out->size()) {
        const size_t want = std::min(kFirmwareReadPiece, out->size() - filled);
        size_t got = 0;
        if (ReceiveSome(session.socket, session.server.stop, DeadlineAfter(timeout_ms),
                        std::span<uint8_t>(out->data() + filled, want),
                        &got) != ReadOutcome::kBlock) {
            break;
        }
        filled += got;
    }
    return filled;
}

}  // namespace

void DeviceActions::RestartFormat() {
    std::lock_guard lock(mutex_);
    format_position_ = 0;
}

uint32_t DeviceActions::NextFormatStatus(const std::vector<uint32_t>& sequence) {
    if (sequence.empty()) {
        return 1;  // done at once
    }
    std::lock_guard lock(mutex_);
    const size_t at = std::min(format_position_, sequence.size() - 1);
    ++format_position_;
    return sequence[at];
}

SessionAction HandlePtz(const Request& request, Session& session) {
    if (!request.Covers(kPtzSpeed + 4)) {
        return Answered(SendStandardResponse(session, kResultBadRequest));
    }
    session.server.observations.RecordPtzAction({request.BodyLE32(kPtzParameter),
                                                 request.BodyLE32(kPtzCommand),
                                                 request.BodyLE32(kPtzSpeed)});
    return SessionAction::kContinue;  // the client reads no answer
}

SessionAction HandleShutDown(const Request& request, Session& session) {
    if (!request.Covers(kShutDownMode + 4)) {
        return Answered(SendStandardResponse(session, kResultBadRequest));
    }
    session.server.observations.RecordShutDown(request.BodyBE32(kShutDownMode));
    return Answered(SendStandardResponse(session, kResultOk));
}

SessionAction HandleFormat(const Request& request, Session& session) {
    if (!request.Covers(kFormatDisk + 4)) {
        return Answered(SendStandardResponse(session, kResultBadRequest));
    }
    const uint32_t operation = request.BodyBE32(kFormatOperation);
    const uint32_t disk = request.BodyBE32(kFormatDisk);
    session.server.observations.RecordFormatRequest({operation, disk});
    uint32_t answer = 0;
    if (operation == kFormatStart && disk == kFormatDiskWord) {
        session.server.actions.RestartFormat();
        answer = kFormatStartAnswer;
    } else if (operation == kFormatStatus && disk == kFormatDiskWord) {
        answer =
            session.server.actions.NextFormatStatus(session.server.config.format_status_sequence);
    } else {
        return Answered(SendStandardResponse(session, kResultBadRequest));
    }
    std::array<uint8_t, 4> bytes{};
    PutLE32(bytes, 0, answer);
    return Answered(session.writer.Send(bytes));
}

SessionAction HandleFirmware(const Request& request, Session& session) {
    if (!request.Covers(kFirmwareLength + 4)) {
        return Answered(SendStandardResponse(session, kResultBadRequest));
    }
    const RecorderConfig& config = session.server.config;
    Observations& observations = session.server.observations;
    ReceivedFirmware firmware;
    firmware.name = request.TextField(kFirmwareName, kFirmwareNameSize);
    firmware.announced_length = request.BodyBE32(kFirmwareLength);
    observations.RecordFirmware(firmware);

    int32_t result = config.faults.firmware_result.value_or(kResultOk);
    if (result == kResultOk && firmware.announced_length > config.firmware_limit_bytes) {
        result = kResultBadRequest;  // refused before anything is allocated
    }
    if (!SendStandardResponse(session, result) || result != kResultOk) {
        return SessionAction::kClose;
    }
    // The file's head comes first as a request of its own, then the whole file.
    firmware.first_piece.resize(kFirmwareFirstPiece);
    if (ReadExactly(session.socket, session.server.stop, DeadlineAfter(config.request_timeout_ms),
                    firmware.first_piece) != ReadOutcome::kBlock ||
        !SendStandardResponse(session, kResultOk)) {
        firmware.first_piece.clear();
        observations.RecordFirmware(std::move(firmware));
        return SessionAction::kClose;
    }
    firmware.bytes.resize(firmware.announced_length);
    firmware.bytes.resize(ReadFile(session, &firmware.bytes));
    firmware.complete = firmware.bytes.size() == firmware.announced_length;
    observations.RecordFirmware(std::move(firmware));
    // Whatever follows is not a request block.
    return SessionAction::kClose;
}

}  // namespace kestrel::sim
