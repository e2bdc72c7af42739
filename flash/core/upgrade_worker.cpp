// One upload: the worker thread's body and the recorder's status texts.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "flash_packet.h"
#include "fleet_core.h"

namespace kestrel::flash {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kReviewNetwork[] = "Please review network connection";
constexpr int kReadableSliceMs = 1000;
// A send waits this long for room before the connection counts as broken.
constexpr int kSendWaitMs = 30000;

bool TimedOut(uint32_t error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

RowText Failed(const char* comment) {
    return {"Upgrade failed", comment, kColourRed};
}

// The worker's view of its row and its connection.
class Upload {
public:
    Upload(std::shared_ptr<UpgradeFleet::Core> core, const UpgradeOptions& options, UpgradeJob job)
        : core_(std::move(core)), options_(options), job_(std::move(job)) {}

    void Run();

private:
    enum class Loop { kContinue, kEnd };

    void Show(const char* state, const char* comment, uint32_t colour) {
        core_->UpdateRow(job_.row, [&](DeviceRow& row) {
            row.state = state;
            row.comment = comment;
            row.colour = colour;
        });
    }
    void ShowProgress(uint32_t progress) { core_->UpdateProgress(job_.row, progress); }
    bool Connect();
    bool SendPacket(const FlashPacket& packet);
    void ReceiveLoop();
    Loop OnPacket(const PacketBytes& received);
    void WritePhase();
    void End();

    std::shared_ptr<UpgradeFleet::Core> core_;
    const UpgradeOptions& options_;
    const UpgradeJob job_;
    platform::Socket socket_;
    bool registered_ = false;
    bool upgrading_ = false;  // the recorder took the image (status 6)
    bool complete_ = false;   // every byte sent; the verdict is awaited
    uint32_t sent_ = 0;
};

bool Upload::Connect() {
    socket_ = platform::Socket::Tcp();
    if (!socket_.IsOpen() ||
        socket_.Connect(job_.ip, options_.network.tcp_port, options_.connect_timeout_ms) !=
            platform::ConnectResult::kConnected) {
        return false;
    }
    std::lock_guard lock(core_->mutex);
    if (core_->stopping) {
        return false;
    }
    core_->sockets.push_back(&socket_);
    registered_ = true;
    // Receives wake every second, so the silence limit and a stop are seen;
    // a send that finds no room for this long counts as a broken connection.
    return socket_.SetTimeouts(kSendWaitMs, kReadableSliceMs);
}

bool Upload::SendPacket(const FlashPacket& packet) {
    PacketBytes bytes{};
    if (EncodePacket(packet, &bytes) != PacketResult::kOk) {
        return false;
    }
    // Blocking sends bounded by the socket's send time-out.
    for (size_t done = 0; done < bytes.size();) {
        const long sent = socket_.Send(bytes.data() + done, bytes.size() - done);
        if (sent <= 0) {
            return false;
        }
        done += static_cast<size_t>(sent);
    }
    return true;
}

void Upload::Run() {
    const uint32_t size = static_cast<uint32_t>(job_.image->bytes.size());
    core_->UpdateRow(job_.row, [&](DeviceRow& row) {
        row.size = size;
        row.progress = 0;
        row.speed.clear();
        row.colour = kColourDarkBlue;
        row.state = "Connecting device";
        row.comment = "Connection of device may take 20 minutes, please wait...";
        row.finished = false;
        row.idle = false;
    });
    if (!Connect()) {
        Show("Connect failed", kReviewNetwork, kColourRed);
        return End();
    }
    Show("Connect succeeded", "", kColourDarkBlue);
    if (core_->WaitForStop(options_.connected_pause_ms)) {
        return End();
    }
    FlashPacket request;
    if (MakeUpgradeRequest(size, job_.image->name, &request) != PacketResult::kOk ||
        !SendPacket(request)) {
        Show("Upload failed", kReviewNetwork, kColourRed);
        return End();
    }
    Show("Uploading file", "Please keep device and network running normally", kColourDarkBlue);
    ShowProgress(0);
    ReceiveLoop();
    core_->UpdateRow(job_.row, [](DeviceRow& row) { row.finished = true; });
    if (upgrading_ && !core_->Stopping()) {
        WritePhase();
    }
    End();
}

// Reads whole packets: TCP may hand one over in pieces.
void Upload::ReceiveLoop() {
    PacketBytes buffer{};
    size_t have = 0;
    int empty_reads = 0;
    auto last_data = Clock::now();
    const auto silence_limit = std::chrono::seconds(options_.silence_timeout_s);
    while (!core_->Stopping()) {
        const long got = socket_.Receive(buffer.data() + have, buffer.size() - have);
        if (got < 0 && TimedOut(platform::LastSocketError())) {
            if (Clock::now() - last_data >= silence_limit) {
                Show("Upload failed", kReviewNetwork, kColourRed);
                return;
            }
            continue;
        }
        if (got == 0) {
            // The recorder closed: leave quietly, the last text stays.
            if (++empty_reads >= options_.empty_read_limit ||
                core_->WaitForStop(options_.empty_read_pause_ms)) {
                return;
            }
            continue;
        }
        if (got < 0) {
            std::fprintf(stderr, "Device[%d] Receive Error[%d], recvLen[%d]\n", job_.row,
                         static_cast<int>(platform::LastSocketError()), static_cast<int>(got));
            Show("Upload failed", kReviewNetwork, kColourRed);
            return;
        }
        // Once the image is out, only a verdict counts: empty acknowledgements
        // do not hold the worker past the silence limit.
        if (!complete_) {
            last_data = Clock::now();
        } else if (Clock::now() - last_data >= silence_limit) {
            Show("Upload failed", kReviewNetwork, kColourRed);
            return;
        }
        have += static_cast<size_t>(got);
        if (have < buffer.size()) {
            continue;
        }
        have = 0;
        if (OnPacket(buffer) == Loop::kEnd) {
            return;
        }
    }
}

Upload::Loop Upload::OnPacket(const PacketBytes& received) {
    const std::vector<uint8_t>& image = job_.image->bytes;
    const UploadStep step = NextUploadStep(received, sent_, image.size());
    switch (step.kind) {
        case UploadStep::Kind::kEnd:
            return Loop::kEnd;
        case UploadStep::Kind::kFailed:
            Show("Upload failed", kReviewNetwork, kColourRed);
            return Loop::kEnd;
        case UploadStep::Kind::kVerdict:
            Show(step.verdict.state, step.verdict.comment, step.verdict.colour);
            upgrading_ = step.upgrading;
            return Loop::kEnd;
        case UploadStep::Kind::kSendChunk: {
            FlashPacket data;
            if (MakeDataChunk(image.data() + sent_, step.chunk_size, &data) != PacketResult::kOk ||
                !SendPacket(data)) {
                Show("Upload failed", kReviewNetwork, kColourRed);
                return Loop::kEnd;
            }
            sent_ += static_cast<uint32_t>(step.chunk_size);
            ShowProgress(sent_);
            return Loop::kContinue;
        }
        case UploadStep::Kind::kComplete:
            break;
    }
    // Everything is there; the verdict follows.
    complete_ = true;
    core_->UpdateRow(job_.row, [](DeviceRow& row) {
        row.speed = "100";
        row.state = "Upload succeeded";
        row.comment.clear();
    });
    return Loop::kContinue;
}

// The recorder writes its flash without reporting; the bar shows the time it
// usually takes.
void Upload::WritePhase() {
    const uint64_t size = job_.image->bytes.size();
    for (int step = 0; step <= 100; ++step) {
        ShowProgress(static_cast<uint32_t>(size * step / 100));
        if (step < 100 && core_->WaitForStop(options_.write_step_ms)) {
            break;
        }
    }
    core_->UpdateRow(job_.row, [&](DeviceRow& row) {
        row.state = "Upgrade succeeded";
        row.comment.clear();
        row.progress = static_cast<uint32_t>(size);
        row.colour = kColourDarkGreen;
    });
}

void Upload::End() {
    bool all_finished = false;
    {
        std::lock_guard lock(core_->mutex);
        if (registered_) {
            std::erase(core_->sockets, &socket_);
        }
        const int index = job_.row;
        if (index >= 0 && static_cast<size_t>(index) < core_->rows.size()) {
            core_->rows[index].finished = true;
            core_->rows[index].idle = true;
        }
        // A stop from the window leaves the count alone: nothing is enabled
        // again while the tool closes.
        if (--core_->running_count <= 0 && !core_->stopping) {
            core_->running_count = -1;
            all_finished = true;
        }
    }
    socket_.Close();
    FleetListener* listener = core_->listener.load();
    if (listener != nullptr) {
        listener->RowChanged(job_.row);
        if (all_finished) {
            listener->UploadsFinished();
        }
    }
}

}  // namespace

RowText StatusRowText(uint32_t status) {
    switch (status) {
        case 1:
            return Failed("device memory allocate failed ");
        case 2:
            return Failed("device flash access failed");
        case 5:
            return Failed("The application of upgrading is running");
        case 6:
            return {"Upgrading device", "It will take 2 or 3 minutes,Please don't power off",
                    kColourDarkBlue};
        case 7:
            return Failed("Device is upgrading");
        case 8:
            return Failed("File name of upgrading check failed");
        case 9:
            return Failed("Device has the newest system version");
        case 10:
            return Failed("The upgrading of device occured exception");
        default:
            return Failed(kReviewNetwork);
    }
}

UploadStep NextUploadStep(const PacketBytes& received, size_t sent, size_t image_size) {
    // A packet the codec refuses reads as no command at all, so it fails the
    // upload like any other stray command.
    FlashPacket packet;
    DecodePacket(received.data(), received.size(), &packet);
    UploadStep step;
    if (packet.Is(FlashCommand::kUploadEnd)) {
        step.kind = UploadStep::Kind::kEnd;
        return step;
    }
    if (!packet.Is(FlashCommand::kUpgradeReply) && !packet.Is(FlashCommand::kDataReply)) {
        step.kind = UploadStep::Kind::kFailed;
        return step;
    }
    const uint32_t status = packet.Status();
    if (status != 0) {
        step.kind = UploadStep::Kind::kVerdict;
        step.verdict = StatusRowText(status);
        step.upgrading = status == 6;
        return step;
    }
    if (sent < image_size) {
        step.kind = UploadStep::Kind::kSendChunk;
        step.chunk_size = std::min<size_t>(image_size - sent, kPayloadBytes);
        return step;
    }
    step.kind = UploadStep::Kind::kComplete;
    return step;
}

void RunUpgradeWorker(std::shared_ptr<UpgradeFleet::Core> core, UpgradeOptions options,
                      UpgradeJob job, std::shared_ptr<std::atomic<bool>> ended) {
    {
        Upload upload(core, options, std::move(job));
        upload.Run();
    }
    {
        std::lock_guard lock(core->mutex);
        // Marked before the count drops, so that whoever sees no live worker
        // also sees this thread ready to join.
        ended->store(true);
        --core->live_workers;
    }
    core->changed.notify_all();
}

}  // namespace kestrel::flash
