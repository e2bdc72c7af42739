#include "qw_vscp_mctp_client.h"

#include <cstdio>

#include "kestrel_net_codes.h"
#include "platform/socket.h"
#include "qw_vscp_dataproc_request.h"
#include "qw_vscp_mctp_clinet_internal.h"
#include "qw_vscp_transfer.h"

namespace {
constexpr const char* kModule = "qw_vscp_mctp_client";
constexpr size_t kMaxCallName = 127;
}  // namespace

MctpClient::~MctpClient() {
    Close();
}

int32_t MctpClient::Open(const MctpSettings& settings) {
    if (open_) {
        QW_VSCP_MCTP_ReportError(kModule, __LINE__, QW_MCTP_ERR_ALREADY_OPEN);
        return QW_MCTP_ERR_ALREADY_OPEN;
    }
    if (!platform::IsDottedIPv4(settings.address) || settings.port == 0) {
        QW_VSCP_MCTP_ReportError(kModule, __LINE__, QW_MCTP_ERR_BAD_SETTINGS);
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    sockets_started_ = platform::SocketsStartup() == 0;
    settings_ = settings;
    cseq_ = 0;
    open_ = true;
    return 0;
}

int32_t MctpClient::Close() {
    if (open_) {
        settings_ = MctpSettings{};
        open_ = false;
        if (sockets_started_) {
            platform::SocketsCleanup();
            sockets_started_ = false;
        }
    }
    return 0;
}

int32_t MctpClient::Call(MctpCall* call) {
    if (!open_) {
        QW_VSCP_MCTP_ReportError(kModule, __LINE__, QW_MCTP_ERR_NOT_OPEN);
        return QW_MCTP_ERR_NOT_OPEN;
    }
    if (call == nullptr || call->name.empty() || call->name.size() > kMaxCallName) {
        QW_VSCP_MCTP_ReportError(kModule, __LINE__, QW_MCTP_ERR_BAD_SETTINGS);
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    call->result = 0;

    std::string header_text, body;
    uint32_t cseq = cseq_.fetch_add(1) + 1;  // the first request carries 1
    int32_t rc = QW_VSCP_DataProc_BuildRequest(call->name.c_str(), cseq, call->version,
                                               call->inputs, &header_text, &body);
    if (rc != 0) {
        std::printf("MkPacket error !\n");
        return rc;
    }

    std::string answer_header, answer_body;
    rc = QW_VSCP_Transfer_SendRequest(settings_.address.c_str(), settings_.port, settings_.wait,
                                      header_text, body, &answer_header, &answer_body);
    if (rc != 0) {
        QW_VSCP_MCTP_ReportError(kModule, __LINE__, rc);
        return rc;
    }
    rc = QW_VSCP_MCTP_MapAnswer(answer_header, answer_body, call);
    if (rc != 0) {
        QW_VSCP_MCTP_ReportError(kModule, __LINE__, rc);
        return rc;
    }
    return call->result;
}
