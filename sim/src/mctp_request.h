// Reading one MCTP request off a connection: the header block, at most
// 2047 bytes with its "\r\n\r\n", parsed by the protocol library's codec,
// then the body its Content-Length (decimal) announces.
//
// Threading: the connection's own thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "request_reader.h"

struct MctpMessage;

namespace platform {
class Socket;
}

namespace kestrel::sim {

class StopSignal;

struct MctpMessageDeleter {
    void operator()(MctpMessage* message) const;
};
using MctpMessagePtr = std::unique_ptr<MctpMessage, MctpMessageDeleter>;

struct MctpRequest {
    MctpMessagePtr header;  // start line and fields; no body
    std::string body;       // exactly Content-Length bytes
};

// Far above the largest set the store takes (16 records of 6060 bytes); a
// longer body is not read.
constexpr size_t kMaxMctpRequestBody = size_t{1} << 20;

enum class MctpRead {
    kRequest,    // *request is complete
    kMalformed,  // a whole header block that is not a request header, or a
                 // Content-Length that is not a number up to the limit
    kEnded,      // closed, timed out, stopped, or a header block too long
};

// Parses a whole header block (its "\r\n\r\n" included) into
// request->header and reads the body length it announces: kRequest, or
// kMalformed as ReadMctpRequest reports it.
MctpRead ParseMctpHeader(std::string_view header_block, MctpRequest* request, size_t* body_length);

// Bytes after the body are left unread.
MctpRead ReadMctpRequest(platform::Socket& socket, StopSignal& stop, ReadDeadline deadline,
                         MctpRequest* request);

}  // namespace kestrel::sim
