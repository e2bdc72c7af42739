#include "sim/uid_server.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#include "byte_order.h"
#include "sim/recorder_config.h"

namespace kestrel::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kListenBacklog = 16;
// Every wait is cut into slices so that Stop() is seen soon.
constexpr int kSliceMs = 100;
constexpr size_t kIdentifierOffset = 4;
constexpr size_t kEchoedIdentifierChars = kUidAddressOffset - kIdentifierOffset - 1;
constexpr size_t kIdentifierLogLimit = 1000;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, kSliceMs)) : 0;
}

}  // namespace

UidServer::UidServer(UidServerConfig config) : config_(std::move(config)) {}

UidServer::~UidServer() {
    Stop();
}

std::array<uint8_t, kUidMessageBytes> UidServer::BuildRecord(const UidEntry& entry) {
    std::array<uint8_t, kUidMessageBytes> record{};
    PutLE32(record, 0, kUidLookupCode);
    std::memcpy(record.data() + kIdentifierOffset, entry.identifier.data(),
                std::min(entry.identifier.size(), kEchoedIdentifierChars));
    std::copy(entry.address.begin(), entry.address.end(), record.begin() + kUidAddressOffset);
    PutLE16(record, kUidCommandPortOffset, entry.command_port);
    PutLE16(record, kUidMctpPortOffset, entry.mctp_port);
    return record;
}

bool UidServer::Start() {
    if (Running()) {
        last_error_ = "already running";
        return false;
    }
    if (!IsLoopbackAddress(config_.bind_address)) {
        last_error_ = "bind address " + config_.bind_address + " is outside 127.0.0.0/8";
        return false;
    }
    if (config_.short_answer_bytes && *config_.short_answer_bytes >= kUidMessageBytes) {
        last_error_ = "a short answer has fewer than 72 bytes";
        return false;
    }
    listener_ = platform::Socket::Tcp();
    if (!listener_.IsOpen() || !listener_.Bind(config_.bind_address, config_.port) ||
        !listener_.Listen(kListenBacklog)) {
        last_error_ = "cannot listen on " + config_.bind_address + ":" +
                      std::to_string(config_.port) + " (error " +
                      std::to_string(platform::LastSocketError()) + ")";
        listener_.Close();
        return false;
    }
    port_ = listener_.LocalPort();
    stopping_ = false;
    try {
        accept_thread_ = std::thread(&UidServer::AcceptLoop, this);
    } catch (const std::system_error&) {
        last_error_ = "cannot start the accept thread";
        listener_.Close();
        return false;
    }
    return true;
}

void UidServer::Stop() {
    if (accept_thread_.joinable()) {
        stopping_ = true;
        listener_.Shutdown();
        accept_thread_.join();
    }
    listener_.Close();
}

uint64_t UidServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> UidServer::Identifiers() const {
    std::lock_guard lock(mutex_);
    return identifiers_;
}

void UidServer::AcceptLoop() {
    while (!stopping_) {
        const platform::WaitResult ready = listener_.WaitReadable(kSliceMs);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        if (ready != platform::WaitResult::kReady || stopping_) {
            return;
        }
        platform::Socket connection = listener_.Accept();
        if (connection.IsOpen()) {
            Serve(connection);
        }
    }
}

bool UidServer::ReadRequest(platform::Socket& connection,
                            std::array<uint8_t, kUidMessageBytes>* request) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(config_.request_timeout_ms);
    size_t received = 0;
    while (received < request->size() && !stopping_) {
        const int wait_ms = MsLeft(deadline);
        if (wait_ms == 0) {
            return false;
        }
        const platform::WaitResult ready = connection.WaitReadable(wait_ms);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        const long got =
            ready == platform::WaitResult::kReady
                ? connection.Receive(request->data() + received, request->size() - received)
                : -1;
        if (got <= 0) {
            return false;
        }
        received += static_cast<size_t>(got);
    }
    return received == request->size();
}

void UidServer::Hold(platform::Socket& connection) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(config_.hold_ms);
    uint8_t scratch[256];
    while (!stopping_) {
        const int wait_ms = MsLeft(deadline);
        if (wait_ms == 0) {
            return;
        }
        const platform::WaitResult ready = connection.WaitReadable(wait_ms);
        if (ready == platform::WaitResult::kError ||
            (ready == platform::WaitResult::kReady &&
             connection.Receive(scratch, sizeof scratch) <= 0)) {
            return;  // the client left
        }
    }
}

void UidServer::Serve(platform::Socket& connection) {
    std::array<uint8_t, kUidMessageBytes> request{};
    if (!ReadRequest(connection, &request) || GetLE32(request, 0) != kUidLookupCode) {
        return;
    }
    const char* text = reinterpret_cast<const char*>(request.data() + kIdentifierOffset);
    const std::string identifier(text, strnlen(text, kUidMessageBytes - kIdentifierOffset));
    {
        std::lock_guard lock(mutex_);
        ++requests_;
        if (identifiers_.size() < kIdentifierLogLimit) {
            identifiers_.push_back(identifier);
        }
    }
    const auto entry = std::find_if(config_.entries.begin(), config_.entries.end(),
                                    [&](const UidEntry& e) { return e.identifier == identifier; });
    if (entry == config_.entries.end()) {
        return;  // closing unanswered means "not found"
    }
    if (config_.silent) {
        Hold(connection);
        return;
    }
    const std::array<uint8_t, kUidMessageBytes> record = BuildRecord(*entry);
    const size_t length = config_.short_answer_bytes.value_or(record.size());
    connection.SendAll(record.data(), length, config_.request_timeout_ms);
    if (length < record.size()) {
        Hold(connection);
    }
}

}  // namespace kestrel::sim
