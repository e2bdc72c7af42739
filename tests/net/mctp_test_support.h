// Owners and shortcuts for the MCTP codec tests.
#ifndef KESTREL_TESTS_MCTP_TEST_SUPPORT_H
#define KESTREL_TESTS_MCTP_TEST_SUPPORT_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc.h"
#include "qw_vscp_dataproc_hdp.h"

struct MessageDeleter {
    void operator()(MctpMessage* msg) const { QW_VSCP_DataProc_Msg_Destroy(msg); }
};
using MessagePtr = std::unique_ptr<MctpMessage, MessageDeleter>;

struct HdpDeleter {
    void operator()(HdpBody* body) const { QW_VSCP_Hdp_Free(body); }
};
using HdpPtr = std::unique_ptr<HdpBody, HdpDeleter>;

// Parses a header text held in a heap block of exactly its size, so that a
// read past the end shows up under AddressSanitizer.
inline int32_t ParseMessage(std::string_view header, MessagePtr* out, std::string_view body = {}) {
    std::vector<char> header_bytes(header.begin(), header.end());
    std::vector<char> body_bytes(body.begin(), body.end());
    MctpMessage* raw = nullptr;
    int32_t code = QW_VSCP_DataProc_Msg_ParserPacket(
        std::string_view(header_bytes.data(), header_bytes.size()),
        body_bytes.empty() ? nullptr : body_bytes.data(), body_bytes.size(), kMctpVersion, &raw);
    out->reset(raw);
    return code;
}

inline int32_t ParseHdp(std::string_view text, HdpPtr* out) {
    std::vector<char> bytes(text.begin(), text.end());
    HdpBody* raw = nullptr;
    int32_t code = QW_VSCP_Hdp_ParserPacket(bytes.data(), bytes.size(), &raw);
    out->reset(raw);
    return code;
}

inline std::string SegmentData(const HdpBody* body, int32_t index) {
    const char* data = nullptr;
    uint32_t length = 0;
    if (QW_VSCP_Hdp_GetSegment(body, index, &data, &length) != QW_NET_OK) {
        return "<missing>";
    }
    return std::string(data != nullptr ? data : "", length);
}

#endif  // KESTREL_TESTS_MCTP_TEST_SUPPORT_H
