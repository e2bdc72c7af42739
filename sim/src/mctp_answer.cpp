#include "mctp_answer.h"

#include <cstdio>
#include <memory>

#include "kestrel_net_codes.h"
#include "mctp_request.h"
#include "qw_vscp_dataproc.h"
#include "qw_vscp_dataproc_hdp.h"

namespace kestrel::sim {
namespace {

struct HdpDeleter {
    void operator()(HdpBody* body) const { QW_VSCP_Hdp_Free(body); }
};

const char* ReasonOf(MctpStatus status) {
    switch (status) {
        case kStatusCalled:
            return "OK";
        case kStatusBadRequest:
            return "Bad Request";
        case kStatusUnknownCall:
            return "Not Found";
    }
    return "Error";
}

// Small results in decimal, failure words in hexadecimal, as recorders
// write them.
std::string ReturnCodeText(int32_t code) {
    char text[16];
    if (code >= -1) {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(code));
    } else {
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    }
    return text;
}

bool HdpText(const std::vector<Bytes>& segments, std::string* text) {
    HdpBody* raw = nullptr;
    if (QW_VSCP_Hdp_Create(&raw) != QW_NET_OK) {
        return false;
    }
    const std::unique_ptr<HdpBody, HdpDeleter> body(raw);
    for (const Bytes& segment : segments) {
        if (QW_VSCP_Hdp_AppendSegment(body.get(), segment.data(),
                                      static_cast<uint32_t>(segment.size()),
                                      kHdpBorrow) != QW_NET_OK) {
            return false;
        }
    }
    return QW_VSCP_Hdp_BuildPacket(body.get(), text) == QW_NET_OK;
}

bool Build(const MctpAnswer& answer, bool echo_cseq, std::string* bytes) {
    std::string body;
    if (answer.status == kStatusCalled && !HdpText(answer.segments, &body)) {
        return false;
    }
    MctpMessage* raw = nullptr;
    if (QW_VSCP_DataProc_Msg_Create(MCTP_RESPONSE, &raw) != QW_NET_OK) {
        return false;
    }
    const MctpMessagePtr message(raw);
    const std::string status = std::to_string(static_cast<int>(answer.status));
    bool ok = QW_VSCP_DataProc_Msg_SetVersion(raw, kMctpVersion) == QW_NET_OK &&
              QW_VSCP_DataProc_Msg_SetStatus(raw, status.c_str()) == QW_NET_OK &&
              QW_VSCP_DataProc_Msg_SetReason(raw, ReasonOf(answer.status)) == QW_NET_OK;
    if (ok && echo_cseq && answer.cseq) {
        ok = QW_VSCP_DataProc_Msg_SetHeadField(raw, "CSeq", answer.cseq->c_str()) == QW_NET_OK;
    }
    if (ok && answer.status == kStatusCalled) {
        ok = QW_VSCP_DataProc_Msg_SetHeadField(raw, "Content-Type", "text/HDP") == QW_NET_OK &&
             QW_VSCP_DataProc_Msg_SetHeadField(
                 raw, "Return-Code", ReturnCodeText(answer.return_code).c_str()) == QW_NET_OK;
    }
    const std::string length = std::to_string(body.size());
    ok = ok &&
         QW_VSCP_DataProc_Msg_SetHeadField(raw, "Content-Length", length.c_str()) == QW_NET_OK &&
         QW_VSCP_DataProc_Msg_SetBody(raw, body.empty() ? nullptr : body.data(), body.size()) ==
             QW_NET_OK;
    std::string header;
    std::string body_copy;
    if (!ok || QW_VSCP_DataProc_Msg_BuildPacket(raw, &header, &body_copy) != QW_NET_OK) {
        return false;
    }
    *bytes = header + body_copy;
    return true;
}

}  // namespace

std::string AnswerBytes(const MctpAnswer& answer) {
    std::string bytes;
    // A CSeq too long to echo within the header limit is left out.
    if (!Build(answer, true, &bytes) && !Build(answer, false, &bytes)) {
        bytes = "MCTP/1.0 400 Bad Request\r\nContent-Length:0\r\n\r\n";
    }
    return bytes;
}

}  // namespace kestrel::sim
