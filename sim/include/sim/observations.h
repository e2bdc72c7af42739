// What a simulated recorder saw and did, for tests to check against.
//
// Threading: the simulator's connection threads write through the non-const
// members; tests read through the const ones from any thread at any time.
// One mutex guards everything; readers get copies. Every log is bounded:
// request blocks and MCTP requests each by RecorderConfig::request_log_limit
// (MCTP requests also by kMctpLogByteLimit of segment bytes), captured stream
// bytes by capture_limit_bytes over all streams, streams by kStreamLogLimit
// (the oldest ended stream is forgotten first). Requests beyond a limit are
// counted but not kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::sim {

constexpr size_t kRequestBlockSize = 500;

struct ObservedRequest {
    uint8_t command = 0;  // low 8 bits of the command field
    std::array<uint8_t, kRequestBlockSize> block{};
};

// The two words handed out by a live start and given back by stream sound.
struct StreamId {
    uint32_t word1 = 0;
    uint32_t word2 = 0;
    friend bool operator==(const StreamId&, const StreamId&) = default;
};

struct ObservedStream {
    StreamId id;
    int channel = 0;        // 0-based
    int stream_number = 0;  // 0 main, 1 sub
    bool running = false;
    bool sound_open = false;
    uint64_t bytes_sent = 0;         // stream bytes, recording header included
    std::vector<uint8_t> captured;   // the first of those bytes, when capturing
    bool capture_truncated = false;  // capturing, but the limit cut bytes off
};

// One MCTP request as it arrived: texts exactly as sent (empty when the field
// was absent or had no value).
struct ObservedMctpRequest {
    std::string function;                        // the start line's target
    std::string func_version;                    // "Func-Version"
    std::string cseq;                            // "CSeq"
    int32_t segment_count = -1;                  // -1 when the body was not a valid HDP body
    std::vector<std::vector<uint8_t>> segments;  // in order, each whole
};

// The two TCP services; each counts its own connections.
enum class ServicePort { kCommand, kMctp };

class Observations {
public:
    static constexpr size_t kStreamLogLimit = 1024;
    static constexpr size_t kMctpLogByteLimit = size_t{64} << 20;

    Observations(size_t request_limit, bool capture, size_t capture_limit);
    Observations(const Observations&) = delete;
    Observations& operator=(const Observations&) = delete;

    // ---- written by the simulator
    void RecordRequest(std::span<const uint8_t, kRequestBlockSize> block);
    void RecordMctpRequest(ObservedMctpRequest request);
    void CountAcceptedConnection(ServicePort port = ServicePort::kCommand);
    void CountRejectedConnection(ServicePort port = ServicePort::kCommand);
    void StreamStarted(StreamId id, int channel, int stream_number);
    void StreamSent(StreamId id, std::span<const uint8_t> bytes);
    void StreamEnded(StreamId id);
    void SoundChanged(StreamId id, bool open);

    // ---- read by tests
    std::vector<ObservedRequest> Requests() const;          // in arrival order
    size_t RequestCount() const;                            // including those beyond the log limit
    std::vector<ObservedMctpRequest> MctpRequests() const;  // in arrival order
    size_t MctpRequestCount() const;                        // including those beyond the log limits
    // Taken up for serving, and closed at once (connection limit).
    uint64_t AcceptedConnections(ServicePort port = ServicePort::kCommand) const;
    uint64_t RejectedConnections(ServicePort port = ServicePort::kCommand) const;
    std::vector<StreamId> StreamIds() const;  // in the order handed out
    std::optional<ObservedStream> Stream(StreamId id) const;
    uint64_t StreamBytesSent(StreamId id) const;  // 0 for an unknown stream
    bool SoundOpen(StreamId id) const;
    size_t RunningStreams() const;

private:
    ObservedStream* FindLocked(StreamId id);
    const ObservedStream* FindLocked(StreamId id) const;

    const size_t request_limit_;
    const bool capture_;
    const size_t capture_limit_;

    mutable std::mutex mutex_;  // guards every field below
    std::deque<ObservedRequest> requests_;
    size_t request_count_ = 0;
    std::deque<ObservedMctpRequest> mctp_requests_;
    size_t mctp_request_count_ = 0;
    size_t mctp_bytes_kept_ = 0;
    std::array<uint64_t, 2> accepted_{};  // by ServicePort
    std::array<uint64_t, 2> rejected_{};
    std::deque<ObservedStream> streams_;
    size_t captured_total_ = 0;
};

}  // namespace kestrel::sim
