#include "qw_vscp_dataproc_request.h"

#include <cstdio>
#include <memory>

#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc.h"
#include "qw_vscp_dataproc_hdp.h"

namespace {

constexpr const char* kRemoteMethod = "REMOTE";
constexpr const char* kHdpContentType = "text/HDP";

struct HdpBodyDeleter {
    void operator()(HdpBody* body) const { QW_VSCP_Hdp_Free(body); }
};
struct MessageDeleter {
    void operator()(MctpMessage* msg) const { QW_VSCP_DataProc_Msg_Destroy(msg); }
};

int32_t BuildHdpBody(std::span<const MctpArgBuffer> args, std::string* packet) {
    HdpBody* raw = nullptr;
    int32_t code = QW_VSCP_Hdp_Create(&raw);
    if (code != QW_NET_OK) {
        return code;
    }
    std::unique_ptr<HdpBody, HdpBodyDeleter> body(raw);
    for (const MctpArgBuffer& arg : args) {
        code = QW_VSCP_Hdp_AppendSegment(body.get(), arg.data, arg.length, kHdpBorrow);
        if (code != QW_NET_OK) {
            return code;
        }
    }
    return QW_VSCP_Hdp_BuildPacket(body.get(), packet);
}

int32_t AppendFields(MctpMessage* msg, uint32_t cseq, uint32_t func_version, size_t body_length) {
    char cseq_text[16];
    char version_text[16];
    char length_text[24];
    std::snprintf(cseq_text, sizeof cseq_text, "%u", cseq);
    std::snprintf(version_text, sizeof version_text, "%#x", func_version);
    std::snprintf(length_text, sizeof length_text, "%zu", body_length);
    const char* const fields[][2] = {
        {"CSeq", cseq_text},
        {"Accept", kHdpContentType},
        {"Content-Type", kHdpContentType},
        {"Func-Version", version_text},
        {"Content-Length", length_text},
    };
    for (const auto& field : fields) {
        int32_t code = QW_VSCP_DataProc_Msg_SetHeadField(msg, field[0], field[1]);
        if (code != QW_NET_OK) {
            return code;
        }
    }
    return QW_NET_OK;
}

}  // namespace

int32_t QW_VSCP_DataProc_BuildRequest(const char* function_name, uint32_t cseq,
                                      uint32_t func_version, std::span<const MctpArgBuffer> args,
                                      std::string* header_text, std::string* body) {
    if (function_name == nullptr || *function_name == '\0' || header_text == nullptr ||
        body == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    std::string hdp;
    int32_t code = BuildHdpBody(args, &hdp);
    if (code != QW_NET_OK) {
        return code;
    }
    MctpMessage* raw = nullptr;
    code = QW_VSCP_DataProc_Msg_Create(MCTP_REQUEST, &raw);
    if (code != QW_NET_OK) {
        return code;
    }
    std::unique_ptr<MctpMessage, MessageDeleter> msg(raw);
    if ((code = QW_VSCP_DataProc_Msg_SetMethod(msg.get(), kRemoteMethod)) != QW_NET_OK ||
        (code = QW_VSCP_DataProc_Msg_SetTarget(msg.get(), function_name)) != QW_NET_OK ||
        (code = QW_VSCP_DataProc_Msg_SetVersion(msg.get(), kMctpVersion)) != QW_NET_OK ||
        (code = AppendFields(msg.get(), cseq, func_version, hdp.size())) != QW_NET_OK ||
        (code = QW_VSCP_DataProc_Msg_SetBody(msg.get(), hdp.data(), hdp.size())) != QW_NET_OK) {
        return code;
    }
    return QW_VSCP_DataProc_Msg_BuildPacket(msg.get(), header_text, body);
}
