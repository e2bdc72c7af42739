// The MCTP client of a device object: remote function calls on the
// recorder, each on its own connection (connect, request, answer, close).
//
// Threading: one call at a time per client (the device object's
// configuration calls come from one thread); clients of different devices
// are independent. Open and Close are not concurrent with calls.
#ifndef KESTREL_QW_VSCP_MCTP_CLIENT_H
#define KESTREL_QW_VSCP_MCTP_CLIENT_H

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qw_csocket.h"
#include "qw_vscp_dataproc_request.h"

// The function version every configuration call announces.
inline constexpr uint32_t kMctpFunctionVersion = 16;

struct MctpSettings {
    std::string address;  // dotted IPv4
    uint16_t port = 0;
    std::array<char, 128> user{};
    std::array<char, 128> password{};
    MctpWaitTime wait = kMctpDefaultWait;
};

// Where an answer segment goes: copied into (data, length) up to the smaller
// of the two lengths; received says how many bytes were copied.
struct MctpOutput {
    void* data = nullptr;
    size_t length = 0;
    size_t received = 0;
};

// One remote call. In copy mode (allocate == false) the answer must carry
// exactly outputs.size() segments, or none at all (outputs then untouched).
// In allocate mode every answer segment is handed over in allocated: each
// buffer is the caller's, to be released with std::free.
struct MctpCall {
    std::string name;  // at most 127 characters
    uint32_t version = kMctpFunctionVersion;
    std::vector<MctpArgBuffer> inputs;
    std::vector<MctpOutput> outputs;
    bool allocate = false;
    std::vector<MctpOutput> allocated;
    int32_t result = 0;  // the recorder's Return-Code, or a status code
};

class MctpClient {
public:
    MctpClient() = default;
    ~MctpClient();
    MctpClient(const MctpClient&) = delete;
    MctpClient& operator=(const MctpClient&) = delete;

    // No connection is made. 0, QW_MCTP_ERR_BAD_SETTINGS or
    // QW_MCTP_ERR_ALREADY_OPEN.
    int32_t Open(const MctpSettings& settings);
    int32_t Close();  // 0; harmless when not open
    bool IsOpen() const { return open_; }

    // Returns the exchange's failure code (connect, send, receive, parse,
    // QW_MCTP_ERR_SEGMENT_COUNT), or else call->result: the answer's
    // "Return-Code" (absent: 0) for status 200, QW_MCTP_ERR_UNKNOWN_CALL for
    // 404 and the status number itself for any other status.
    int32_t Call(MctpCall* call);

private:
    bool open_ = false;
    bool sockets_started_ = false;
    MctpSettings settings_;
    std::atomic<uint32_t> cseq_{0};
};

#endif  // KESTREL_QW_VSCP_MCTP_CLIENT_H
