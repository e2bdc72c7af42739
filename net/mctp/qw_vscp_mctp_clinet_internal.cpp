#include "qw_vscp_mctp_clinet_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc.h"
#include "qw_vscp_dataproc_hdp.h"

namespace {

constexpr int32_t kStatusCalled = 200;
constexpr int32_t kStatusUnknownFunction = 404;

struct MessageDeleter {
    void operator()(MctpMessage* m) const { QW_VSCP_DataProc_Msg_Destroy(m); }
};
struct BodyDeleter {
    void operator()(HdpBody* b) const { QW_VSCP_Hdp_Free(b); }
};

// The status token as a number; 0 for anything that is not a plain decimal.
int32_t StatusNumber(const char* token) {
    if (token == nullptr || *token == '\0') {
        return 0;
    }
    int32_t value = 0;
    for (const char* p = token; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || value > 99999) {
            return 0;
        }
        value = value * 10 + (*p - '0');
    }
    return value;
}

int32_t MapSegments(const HdpBody* hdp, MctpCall* call) {
    int32_t count = 0;
    int32_t rc = QW_VSCP_Hdp_GetSegmentCount(hdp, &count);
    if (rc != 0) {
        return rc;
    }
    if (call->allocate) {
        for (int32_t i = 1; i <= count; ++i) {
            const char* data = nullptr;
            uint32_t length = 0;
            if ((rc = QW_VSCP_Hdp_GetSegment(hdp, i, &data, &length)) != 0) {
                return rc;
            }
            // One spare byte so a zero-length segment still gets a buffer.
            void* copy = std::malloc(length + 1u);
            if (copy == nullptr) {
                return QW_MCTP_ERR_NO_MEMORY;
            }
            std::memcpy(copy, data, length);
            call->allocated.push_back({copy, length, length});
        }
        return 0;
    }
    if (count == 0) {
        return 0;  // an answer without segments leaves the outputs as they are
    }
    if (static_cast<size_t>(count) != call->outputs.size()) {
        return QW_MCTP_ERR_SEGMENT_COUNT;
    }
    for (int32_t i = 1; i <= count; ++i) {
        const char* data = nullptr;
        uint32_t length = 0;
        if ((rc = QW_VSCP_Hdp_GetSegment(hdp, i, &data, &length)) != 0) {
            return rc;
        }
        MctpOutput& out = call->outputs[static_cast<size_t>(i - 1)];
        size_t copied = std::min<size_t>(length, out.length);
        if (copied > 0) {
            std::memcpy(out.data, data, copied);
        }
        out.received = copied;
    }
    return 0;
}

}  // namespace

void QW_VSCP_MCTP_ReportError(const char* module, int line, int32_t code) {
    std::printf("<%s>(%d)[0x%X]\n", module, line, static_cast<unsigned>(code));
}

int32_t QW_VSCP_MCTP_MapAnswer(std::string_view header_text, std::string_view body,
                               MctpCall* call) {
    MctpMessage* raw = nullptr;
    int32_t rc = QW_VSCP_DataProc_Msg_ParserPacket(header_text, body.data(), body.size(),
                                                   kMctpVersion, &raw);
    if (rc != 0) {
        return rc;
    }
    std::unique_ptr<MctpMessage, MessageDeleter> message(raw);
    MctpKind kind;
    const char* status_token = nullptr;
    if ((rc = QW_VSCP_DataProc_Msg_GetStartLine(message.get(), &kind, &status_token)) != 0) {
        return rc;
    }
    if (kind != MCTP_RESPONSE) {
        return QW_VSCP_ERR_BAD_START_LINE;
    }
    int32_t status = StatusNumber(status_token);
    if (status == kStatusUnknownFunction) {
        call->result = QW_MCTP_ERR_UNKNOWN_CALL;
        return 0;
    }
    if (status != kStatusCalled) {
        call->result = status;
        return 0;
    }

    int32_t added_data_length = 0;  // read and discarded, as the recorder expects
    if ((rc = QW_VSCP_DataProc_Msg_GetIntField(message.get(), "AddedData-Length",
                                               &added_data_length)) != 0) {
        return rc;
    }
    int32_t return_code = 0;
    if ((rc = QW_VSCP_DataProc_Msg_GetIntField(message.get(), "Return-Code", &return_code)) != 0) {
        return rc;
    }

    if (!body.empty()) {
        HdpBody* hdp_raw = nullptr;
        if ((rc = QW_VSCP_Hdp_ParserPacket(body.data(), body.size(), &hdp_raw)) != 0) {
            return rc;
        }
        std::unique_ptr<HdpBody, BodyDeleter> hdp(hdp_raw);
        if ((rc = MapSegments(hdp.get(), call)) != 0) {
            return rc;
        }
    }
    call->result = return_code;
    return 0;
}
