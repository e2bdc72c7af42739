// One upload connection of a FlashRecorder, on its own thread.
#include <algorithm>
#include <chrono>

#include "flash_packet.h"
#include "sim/flash_recorder.h"

namespace kestrel::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSliceMs = 200;
constexpr int kPauseSliceMs = 50;
constexpr int kSendWaitMs = 5000;

int MsLeft(Clock::time_point deadline, int slice_ms) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, slice_ms)) : 0;
}

// One whole packet over as many receives as it takes; false when the peer
// closed or stayed silent for timeout_ms, or the recorder stops.
bool ReadPacket(platform::Socket& connection, const std::atomic<bool>& stopping, int timeout_ms,
                flash::PacketBytes* packet) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    size_t received = 0;
    while (received < packet->size() && !stopping) {
        const int wait_ms = MsLeft(deadline, kSliceMs);
        if (wait_ms == 0) {
            return false;
        }
        const platform::WaitResult ready = connection.WaitReadable(wait_ms);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        const long got =
            ready == platform::WaitResult::kReady
                ? connection.Receive(packet->data() + received, packet->size() - received)
                : -1;
        if (got <= 0) {
            return false;
        }
        received += static_cast<size_t>(got);
    }
    return received == packet->size();
}

// Reads and drops whatever comes until the peer closes, so that a last
// status is read before the connection ends; bounded by timeout_ms.
void Hold(platform::Socket& connection, const std::atomic<bool>& stopping, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    uint8_t scratch[2048];
    while (!stopping) {
        const int wait_ms = MsLeft(deadline, kSliceMs);
        if (wait_ms == 0) {
            return;
        }
        const platform::WaitResult ready = connection.WaitReadable(wait_ms);
        if (ready == platform::WaitResult::kError ||
            (ready == platform::WaitResult::kReady &&
             connection.Receive(scratch, sizeof scratch) <= 0)) {
            return;
        }
    }
}

// false when the recorder stopped during the pause.
bool Pause(const std::atomic<bool>& stopping, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (int wait_ms; (wait_ms = MsLeft(deadline, kPauseSliceMs)) > 0 && !stopping;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    }
    return !stopping;
}

}  // namespace

uint64_t FlashRecorder::BeginUpload(const uint8_t* request, uint32_t image_size,
                                    std::string image_name) {
    std::lock_guard lock(mutex_);
    last_upload_ = {};
    last_upload_.request.assign(request, request + flash::kPacketBytes);
    last_upload_.image_size = image_size;
    last_upload_.image_name = std::move(image_name);
    return ++upload_serial_;
}

void FlashRecorder::RecordChunk(uint64_t upload, const uint8_t* data, uint32_t length,
                                bool complete) {
    bytes_received_ += length;
    std::lock_guard lock(mutex_);
    if (upload != upload_serial_) {
        return;  // a later request took over the observation
    }
    FlashUploadObservation& observed = last_upload_;
    if (observed.chunk_lengths.size() < kFlashChunkLogLimit) {
        observed.chunk_lengths.push_back(length);
    }
    if (config_.keep_image) {
        // Grow by doubling, but never past the announced size (which the
        // caller has checked the chunk against).
        std::vector<uint8_t>& image = observed.image;
        const size_t needed = image.size() + length;
        if (image.capacity() < needed) {
            image.reserve(
                std::min<size_t>(observed.image_size, std::max(needed, image.capacity() * 2)));
        }
        image.insert(image.end(), data, data + length);
    }
    observed.complete = complete;
}

void FlashRecorder::Serve(platform::Socket& connection) {
    const int timeout_ms = config_.peer_timeout_ms;
    const auto reply = [&](flash::FlashCommand command, uint32_t status) {
        if (config_.silent) {
            return true;
        }
        flash::PacketBytes bytes{};
        flash::EncodePacket(flash::MakeStatusReply(command, status), &bytes);
        return connection.SendAll(bytes.data(), bytes.size(), kSendWaitMs);
    };
    const auto scripted = [&](uint32_t chunk) {
        return config_.reply_status_at_chunk >= 0 &&
               static_cast<uint32_t>(config_.reply_status_at_chunk) == chunk;
    };

    flash::PacketBytes bytes{};
    flash::FlashPacket packet;
    if (!ReadPacket(connection, stopping_, timeout_ms, &bytes) ||
        flash::DecodePacket(bytes.data(), bytes.size(), &packet) != flash::PacketResult::kOk ||
        !packet.Is(flash::FlashCommand::kUpgradeRequest)) {
        return;
    }
    const uint32_t size = flash::UpgradeRequestImageSize(packet);
    const uint64_t upload = BeginUpload(bytes.data(), size, flash::UpgradeRequestImageName(packet));
    ++upgrade_requests_;  // counted once observable
    if (config_.close_after_request || size == 0 || size > kMaxFlashImageBytes) {
        return;
    }
    if (scripted(0)) {
        reply(flash::FlashCommand::kUpgradeReply, config_.scripted_status);
        Hold(connection, stopping_, timeout_ms);
        return;
    }
    if (!reply(flash::FlashCommand::kUpgradeReply, 0)) {
        return;
    }

    uint32_t received = 0;
    for (uint32_t chunk = 1; received < size; ++chunk) {
        if (!ReadPacket(connection, stopping_, timeout_ms, &bytes) ||
            flash::DecodePacket(bytes.data(), bytes.size(), &packet) != flash::PacketResult::kOk ||
            !packet.Is(flash::FlashCommand::kDataChunk) || packet.length > size - received) {
            return;
        }
        received += packet.length;
        RecordChunk(upload, packet.payload.data(), packet.length, received == size);
        if (received == size) {
            ++uploads_completed_;
        }
        if (!Pause(stopping_, config_.chunk_delay_ms)) {
            return;
        }
        if (scripted(chunk)) {
            reply(flash::FlashCommand::kDataReply, config_.scripted_status);
            Hold(connection, stopping_, timeout_ms);
            return;
        }
        if (!reply(flash::FlashCommand::kDataReply, 0)) {
            return;
        }
    }

    switch (config_.verdict) {
        case FlashVerdict::kStatus:
            reply(flash::FlashCommand::kDataReply, config_.verdict_status);
            break;
        case FlashVerdict::kUploadEnd:
            reply(flash::FlashCommand::kUploadEnd, 0);
            break;
        case FlashVerdict::kNone:
            break;
    }
    Hold(connection, stopping_, timeout_ms);
}

}  // namespace kestrel::sim
