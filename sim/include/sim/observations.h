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

// A talk request (27 or 28): its six body words as sent.
struct ObservedTalkRequest {
    uint8_t command = 0;
    std::array<uint32_t, 6> words{};
};

struct ObservedPtzAction {
    uint32_t parameter = 0;  // the client's channel
    uint32_t command = 0;
    uint32_t speed = 0;
};

// A format request (20): operation 283 start, 284 status; disk word 8.
struct ObservedFormatRequest {
    uint32_t operation = 0;
    uint32_t disk = 0;
};

// The latest firmware upload: its announcement, then what followed it.
struct ReceivedFirmware {
    std::string name;
    uint32_t announced_length = 0;
    std::vector<uint8_t> first_piece;  // the 1024 bytes sent ahead of the file
    std::vector<uint8_t> bytes;        // the file as far as it arrived
    bool complete = false;             // all announced bytes arrived
};

// A download (7) the simulator served, logged when it ended.
struct ObservedDownload {
    std::string name;
    uint32_t offset = 0;      // where the client asked to start
    uint64_t bytes_sent = 0;  // file bytes after the answer
    bool completed = false;   // the file's last byte went out
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
    void RecordTalkRequest(const ObservedTalkRequest& request);
    void TalkLinkChanged(bool opened);
    void CountTalkBytes(size_t count);
    void RecordPtzAction(const ObservedPtzAction& action);
    void RecordShutDown(uint32_t mode);
    void RecordFormatRequest(const ObservedFormatRequest& request);
    void RecordFirmware(ReceivedFirmware firmware);  // replaces the previous one
    void RecordDownload(ObservedDownload download);

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
    // Action logs, in arrival order, each bounded like the request blocks.
    std::vector<ObservedTalkRequest> TalkRequests() const;
    int OpenTalkLinks() const;           // talk connections still being served
    uint64_t TalkBytesReceived() const;  // over all talk send connections
    std::vector<ObservedPtzAction> PtzActions() const;
    std::vector<uint32_t> ShutDownModes() const;
    std::vector<ObservedFormatRequest> FormatRequests() const;
    std::optional<ReceivedFirmware> Firmware() const;
    std::vector<ObservedDownload> Downloads() const;  // in the order they ended

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
    std::vector<ObservedTalkRequest> talk_requests_;
    int open_talk_links_ = 0;
    uint64_t talk_bytes_ = 0;
    std::vector<ObservedPtzAction> ptz_actions_;
    std::vector<uint32_t> shut_down_modes_;
    std::vector<ObservedFormatRequest> format_requests_;
    std::optional<ReceivedFirmware> firmware_;
    std::vector<ObservedDownload> downloads_;
};

}  // namespace kestrel::sim
