// Builds a complete MCTP request for a remote function call: the argument
// buffers become the segments of a "text/HDP" body, the start line is
// "REMOTE <function> MCTP/1.0" and the fields are, in this order, CSeq,
// Accept, Content-Type, Func-Version and Content-Length.
#ifndef KESTREL_QW_VSCP_DATAPROC_REQUEST_H
#define KESTREL_QW_VSCP_DATAPROC_REQUEST_H

#include <cstdint>
#include <span>
#include <string>

// One argument buffer; data may be null only when length is 0.
struct MctpArgBuffer {
    const void* data;
    uint32_t length;
};

// On success *header_text and *body hold the two parts to send, in this
// order. QW_VSCP_ERR_BAD_ARGUMENT for a missing or empty function name, one
// holding a space or CR LF, or a bad argument buffer; any codec code else.
// The outputs are unchanged on failure.
int32_t QW_VSCP_DataProc_BuildRequest(const char* function_name, uint32_t cseq,
                                      uint32_t func_version, std::span<const MctpArgBuffer> args,
                                      std::string* header_text, std::string* body);

#endif  // KESTREL_QW_VSCP_DATAPROC_REQUEST_H
