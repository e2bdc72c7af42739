#include "mctp_request.h"

#include <span>
#include <string_view>

#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc.h"
#include "qw_vscp_dataproc_internal.h"

namespace kestrel::sim {
namespace {

constexpr size_t kMaxHeaderBytes = kMctpHeaderBufferSize - 1;
constexpr size_t kPieceBytes = 4096;

// The header block's length with its terminator, once it has arrived.
size_t HeaderEnd(const std::string& received, size_t search_from) {
    const size_t at = received.find(kQwBlockEnd, search_from);
    return at == std::string::npos ? std::string::npos : at + kQwBlockEnd.size();
}

bool BodyLength(const MctpMessage* header, size_t* length) {
    const char* value = nullptr;
    const int32_t found = QW_VSCP_DataProc_Msg_GetHeadField(header, "Content-Length", &value);
    *length = 0;
    if (found == QW_VSCP_ERR_FIELD_NOT_FOUND || (found == QW_NET_OK && value == nullptr)) {
        return true;  // no body
    }
    uint64_t number = 0;
    if (found != QW_NET_OK || !QW_VSCP_DataProc_ParseDecimal(QW_VSCP_DataProc_Trim(value),
                                                             kMaxMctpRequestBody, &number)) {
        return false;
    }
    *length = static_cast<size_t>(number);
    return true;
}

}  // namespace

void MctpMessageDeleter::operator()(MctpMessage* message) const {
    QW_VSCP_DataProc_Msg_Destroy(message);
}

MctpRead ParseMctpHeader(std::string_view header_block, MctpRequest* request, size_t* body_length) {
    MctpMessage* parsed = nullptr;
    if (QW_VSCP_DataProc_Msg_ParserPacket(header_block, nullptr, 0, kMctpVersion, &parsed) !=
        QW_NET_OK) {
        return MctpRead::kMalformed;
    }
    request->header.reset(parsed);
    return BodyLength(parsed, body_length) ? MctpRead::kRequest : MctpRead::kMalformed;
}

MctpRead ReadMctpRequest(platform::Socket& socket, StopSignal& stop, ReadDeadline deadline,
                         MctpRequest* request) {
    std::string received;
    size_t header_end = std::string::npos;
    uint8_t piece[kPieceBytes];
    // Each pass adds at least one byte, and the header is bounded.
    while (header_end == std::string::npos) {
        if (received.size() >= kMaxHeaderBytes) {
            return MctpRead::kEnded;
        }
        size_t got = 0;
        if (ReceiveSome(socket, stop, deadline, piece, &got) != ReadOutcome::kBlock) {
            return MctpRead::kEnded;
        }
        // A terminator may have started in the bytes already held.
        const size_t search_from = received.size() >= 3 ? received.size() - 3 : 0;
        received.append(reinterpret_cast<const char*>(piece), got);
        header_end = HeaderEnd(received, search_from);
    }
    if (header_end > kMaxHeaderBytes) {
        return MctpRead::kEnded;
    }

    size_t length = 0;
    if (ParseMctpHeader(std::string_view(received).substr(0, header_end), request, &length) !=
        MctpRead::kRequest) {
        return MctpRead::kMalformed;
    }
    request->body.assign(received, header_end, length);
    const size_t have = request->body.size();
    request->body.resize(length);
    const std::span<uint8_t> rest(reinterpret_cast<uint8_t*>(request->body.data()) + have,
                                  length - have);
    return ReadExactly(socket, stop, deadline, rest) == ReadOutcome::kBlock ? MctpRead::kRequest
                                                                            : MctpRead::kEnded;
}

}  // namespace kestrel::sim
