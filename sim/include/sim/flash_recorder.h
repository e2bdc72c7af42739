// One simulated recorder's firmware-upgrade service: the recorder's side of
// the upgrade tool's protocol, whose every datagram and TCP message is a
// 1032-byte packet (command word at 0, length word at 4, payload at 8).
//
// Search: a SEARCH_REQUEST datagram on the UDP port is answered, to its
// sender and only when that lies in 127.0.0.0/8, with a SEARCH_REPLY carrying
// the 204-byte recorder block as its payload: the address (LE 32-bit, last
// number first), the segment count (LE), the busy flag and eight 24-byte
// version texts (segment 4 at block offset 12, segments 1..3 at 36, 60, 84,
// segments 5..8 at 108, 132, 156, 180). The socket is bound to the loopback
// broadcast address with address reuse, so every recorder of a fleet sharing
// the port hears one broadcast. Other datagrams are counted and ignored.
//
// Upload: on the TCP port of the recorder's own address the tool sends an
// UPGRADE_REQUEST (image size, image name) and then DATA_CHUNKs. The request
// and each chunk are answered with status 0; once the announced size is
// complete the verdict follows (a DATA_REPLY status, UPLOAD_END, or nothing).
// A non-zero status ends the exchange: the recorder then only waits for the
// tool to close, so the status is not lost to a reset. The connection is
// closed at once on a packet other than the one expected next, a chunk
// length outside 1..1024 or past the announced size, and an announced size
// of 0 or above kMaxFlashImageBytes.
//
// Threading: Start(), Stop() and the destructor from one controlling thread.
// The search thread, the accept thread and one thread per upload connection
// are owned here: Start() starts the first two, Stop() wakes them all at
// once and joins them. Every wait is cut into slices of at most 200 ms, and a
// peer that sends nothing for peer_timeout_ms is dropped. The observations
// may be read from any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace kestrel::sim {

constexpr uint32_t kMaxFlashImageBytes = 256u << 20;
constexpr int kFlashSegmentSlots = 8;
// Uploads one recorder serves at a time; further connections close at once.
constexpr size_t kMaxFlashUploads = 8;
// Chunk lengths kept per upload (a 256 MiB image in 1-byte chunks would not fit).
constexpr size_t kFlashChunkLogLimit = 1 << 20;

enum class FlashVerdict {
    kStatus,     // a DATA_REPLY with verdict_status
    kUploadEnd,  // an UPLOAD_END packet (status 0) instead
    kNone,       // nothing: the tool is left waiting
};

struct FlashRecorderConfig {
    std::string address = "127.0.0.2";                  // must lie in 127.0.0.0/8
    std::string broadcast_address = "127.255.255.255";  // must lie in 127.0.0.0/8
    uint16_t udp_port = 0;  // 0: ephemeral, see FlashRecorder::UdpPort()
    uint16_t tcp_port = 0;  // 0: ephemeral, see FlashRecorder::TcpPort()

    uint32_t segment_count = 5;  // any value, to test counts other than 5 and 8
    bool busy = false;
    // Installed versions of segments 1..8, each at most 23 characters.
    std::array<std::string, kFlashSegmentSlots> versions = {
        "T091128", "T091128", "T091128", "T091128", "T091128", "T091128", "T091128", "T091128"};
    int replies_per_search = 1;  // 0..16; 2 tests a recorder answering twice

    // Upload script. At chunk reply_status_at_chunk (0: the answer to the
    // request, 1: the first chunk; -1: never) scripted_status replaces 0.
    int reply_status_at_chunk = -1;
    uint32_t scripted_status = 1;
    FlashVerdict verdict = FlashVerdict::kStatus;
    uint32_t verdict_status = 6;       // "taken, writing it"
    bool close_after_request = false;  // close on the request, unanswered
    bool silent = false;               // read everything, answer nothing
    int chunk_delay_ms = 0;            // 0..60000, before each chunk's reply
    int peer_timeout_ms = 20000;       // 100..600000
    bool keep_image = true;            // keep the received bytes (LastUpload().image)
};

// The latest upgrade request a recorder accepted, and what followed it.
struct FlashUploadObservation {
    std::vector<uint8_t> request;  // the raw 1032-byte UPGRADE_REQUEST
    uint32_t image_size = 0;
    std::string image_name;
    std::vector<uint32_t> chunk_lengths;  // in order of arrival
    std::vector<uint8_t> image;           // when keep_image
    bool complete = false;                // all announced bytes arrived
};

class FlashRecorder {
public:
    explicit FlashRecorder(FlashRecorderConfig config = {});
    ~FlashRecorder();  // Stop()
    FlashRecorder(const FlashRecorder&) = delete;
    FlashRecorder& operator=(const FlashRecorder&) = delete;

    // false (with LastError()) for a bad configuration, a port that cannot
    // be bound, or while running.
    bool Start();
    // Harmless when not running; Start() may follow. Observations are kept.
    void Stop();
    bool Running() const { return search_thread_.joinable(); }

    const FlashRecorderConfig& Config() const { return config_; }
    uint16_t UdpPort() const { return udp_port_; }  // bound ports; 0 before Start()
    uint16_t TcpPort() const { return tcp_port_; }
    const std::string& LastError() const { return last_error_; }

    uint64_t SearchRequests() const { return search_requests_; }
    uint64_t SearchReplies() const { return search_replies_; }  // datagrams sent
    uint64_t IgnoredDatagrams() const { return ignored_datagrams_; }
    std::vector<uint8_t> LastSearchRequest() const;  // raw, empty before the first
    uint64_t ConnectionsAccepted() const { return connections_; }
    uint64_t ConnectionsRefused() const { return refused_; }  // beyond kMaxFlashUploads
    uint64_t UpgradeRequests() const { return upgrade_requests_; }
    uint64_t BytesReceived() const { return bytes_received_; }  // image bytes, all uploads
    uint64_t UploadsCompleted() const { return uploads_completed_; }
    FlashUploadObservation LastUpload() const;

private:
    struct Upload;

    std::string CheckConfig() const;
    void SearchLoop();
    void AcceptLoop();
    void ReapFinishedUploads();
    // Per connection (flash_upload.cpp).
    void Serve(platform::Socket& connection);
    uint64_t BeginUpload(const uint8_t* request, uint32_t image_size, std::string image_name);
    void RecordChunk(uint64_t upload, const uint8_t* data, uint32_t length, bool complete);

    const FlashRecorderConfig config_;
    std::vector<uint8_t> search_reply_;  // built by Start(), read by the search thread
    platform::Socket udp_;               // search thread's; Stop() may shut it down
    platform::Socket listener_;          // accept thread's; Stop() may shut it down
    uint16_t udp_port_ = 0;
    uint16_t tcp_port_ = 0;
    std::string last_error_;
    std::thread search_thread_;
    std::thread accept_thread_;
    std::vector<std::unique_ptr<Upload>> uploads_;  // accept thread's, then Stop()'s
    std::atomic<bool> stopping_{false};

    std::atomic<uint64_t> search_requests_{0};
    std::atomic<uint64_t> search_replies_{0};
    std::atomic<uint64_t> ignored_datagrams_{0};
    std::atomic<uint64_t> connections_{0};
    std::atomic<uint64_t> refused_{0};
    std::atomic<uint64_t> upgrade_requests_{0};
    std::atomic<uint64_t> bytes_received_{0};
    std::atomic<uint64_t> uploads_completed_{0};

    mutable std::mutex mutex_;  // guards the three below
    std::vector<uint8_t> last_search_;
    FlashUploadObservation last_upload_;
    uint64_t upload_serial_ = 0;  // which connection may still write last_upload_
};

}  // namespace kestrel::sim
