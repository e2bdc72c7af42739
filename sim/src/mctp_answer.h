// The answer of the MCTP service, built with the protocol library's codec:
// "MCTP/1.0 200 OK" with the fields CSeq (echoed when the request had one),
// Content-Type "text/HDP", Return-Code and Content-Length, and an HDP body
// of the output segments; other statuses carry CSeq and Content-Length 0.
//
// Threading: plain functions of their arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config_records.h"

namespace kestrel::sim {

enum MctpStatus : int {
    kStatusCalled = 200,
    kStatusBadRequest = 400,   // not a request of a remote call, or a broken body
    kStatusUnknownCall = 404,  // no such function
};

struct MctpAnswer {
    MctpStatus status = kStatusCalled;
    std::optional<std::string> cseq;  // the request's text; empty for a field without value
    int32_t return_code = 0;          // status 200 only
    std::vector<Bytes> segments;      // status 200 only
};

// The header block followed by the body, ready to send.
std::string AnswerBytes(const MctpAnswer& answer);

}  // namespace kestrel::sim
