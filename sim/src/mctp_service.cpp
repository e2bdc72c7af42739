// The MCTP port's service: one request, observed as it arrived, answered
// from the configuration store (or by the configured fault), then the
// connection ends.
#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "config_store.h"
#include "kestrel_net_codes.h"
#include "mctp_answer.h"
#include "mctp_calls.h"
#include "mctp_request.h"
#include "platform/socket.h"
#include "qw_vscp_dataproc.h"
#include "qw_vscp_dataproc_hdp.h"
#include "services.h"
#include "sim/result_codes.h"
#include "stop_signal.h"

namespace kestrel::sim {
namespace {

constexpr std::string_view kRemoteMethod = "REMOTE";
// A client that reads nothing for this long while a send waits is gone.
constexpr int kSendWaitMs = 10000;
// Between the bytes of an answer sent in pieces, so that each byte travels
// on its own.
constexpr auto kPiecePause = std::chrono::microseconds(500);

struct HdpDeleter {
    void operator()(HdpBody* body) const { QW_VSCP_Hdp_Free(body); }
};
using HdpPtr = std::unique_ptr<HdpBody, HdpDeleter>;

std::optional<std::string> FieldValue(const MctpMessage* header, const char* name) {
    const char* value = nullptr;
    if (QW_VSCP_DataProc_Msg_GetHeadField(header, name, &value) != QW_NET_OK) {
        return std::nullopt;
    }
    return std::string(value != nullptr ? value : "");
}

// The body's segments; an empty body is a request without segments.
bool ParseSegments(const std::string& body, HdpPtr* hdp, std::vector<std::string_view>* segments) {
    if (body.empty()) {
        return true;
    }
    HdpBody* raw = nullptr;
    if (QW_VSCP_Hdp_ParserPacket(body.data(), body.size(), &raw) != QW_NET_OK) {
        return false;
    }
    hdp->reset(raw);
    int32_t count = 0;
    QW_VSCP_Hdp_GetSegmentCount(raw, &count);
    for (int32_t i = 1; i <= count; ++i) {
        const char* data = nullptr;
        uint32_t length = 0;
        if (QW_VSCP_Hdp_GetSegment(raw, i, &data, &length) != QW_NET_OK) {
            return false;
        }
        segments->emplace_back(data, length);
    }
    return true;
}

void Observe(ServerContext& server, const MctpMessage* header, std::string_view function,
             bool body_parsed, const std::vector<std::string_view>& segments) {
    ObservedMctpRequest seen;
    seen.function = function;
    seen.func_version = FieldValue(header, "Func-Version").value_or("");
    seen.cseq = FieldValue(header, "CSeq").value_or("");
    if (body_parsed) {
        seen.segment_count = static_cast<int32_t>(segments.size());
        for (std::string_view segment : segments) {
            seen.segments.emplace_back(segment.begin(), segment.end());
        }
    }
    server.observations.RecordMctpRequest(std::move(seen));
}

bool UnknownByFault(const MctpFaults& faults, std::string_view function) {
    return faults.all_unknown ||
           (!faults.unknown_function.empty() && faults.unknown_function == function);
}

MctpAnswer AnswerCall(const MctpRequest& request, ServerContext& server) {
    const MctpFaults& faults = server.config.faults.mctp;
    const MctpMessage* header = request.header.get();
    MctpAnswer answer;
    answer.cseq = FieldValue(header, "CSeq");

    MctpKind kind = MCTP_RESPONSE;
    const char* function = nullptr;
    const char* method = nullptr;
    QW_VSCP_DataProc_Msg_GetStartLine(header, &kind, &function);
    QW_VSCP_DataProc_Msg_GetStartToken(header, 1, &method);
    if (kind != MCTP_REQUEST || function == nullptr) {
        answer.status = kStatusBadRequest;
        return answer;
    }
    HdpPtr hdp;
    std::vector<std::string_view> segments;
    const bool body_parsed = ParseSegments(request.body, &hdp, &segments);
    Observe(server, header, function, body_parsed, segments);
    if (!body_parsed || method == nullptr || method != kRemoteMethod) {
        answer.status = kStatusBadRequest;
        return answer;
    }

    const CallInfo* call = FindConfigCall(function);
    if (call == nullptr || UnknownByFault(faults, function)) {
        answer.status = kStatusUnknownCall;
        return answer;
    }
    if (const int32_t* code = faults.FailingCode(function)) {
        // Refused before it runs: nothing is stored, nothing answered.
        answer.return_code = *code;
        return answer;
    }
    if (!RequestFitsShape(*call, segments)) {
        answer.return_code = kMctpBadShape;
    } else {
        answer.return_code = server.records.Run(*call, segments, faults, &answer.segments);
    }
    if (faults.return_code) {
        answer.return_code = *faults.return_code;
    }
    if (faults.wrong_segment_count && faults.Misanswers(function)) {
        answer.segments.push_back(WordBytes(0));
    }
    return answer;
}

void SendAnswer(platform::Socket& socket, StopSignal& stop, const std::string& bytes,
                bool in_pieces) {
    if (!in_pieces) {
        socket.SendAll(bytes.data(), bytes.size(), kSendWaitMs);
        return;
    }
    for (const char byte : bytes) {
        if (!socket.SendAll(&byte, 1, kSendWaitMs) ||
            stop.WaitUntil(StopSignal::Clock::now() + kPiecePause)) {
            return;
        }
    }
}

}  // namespace

void ServeMctpConnection(platform::Socket& socket, ServerContext& server) {
    MctpRequest request;
    MctpAnswer answer;
    switch (ReadMctpRequest(socket, server.stop, DeadlineAfter(server.config.request_timeout_ms),
                            &request)) {
        case MctpRead::kEnded:
            return;
        case MctpRead::kMalformed:
            answer.status = kStatusBadRequest;
            if (request.header) {
                answer.cseq = FieldValue(request.header.get(), "CSeq");
            }
            break;
        case MctpRead::kRequest:
            answer = AnswerCall(request, server);
            break;
    }
    SendAnswer(socket, server.stop, AnswerBytes(answer),
               server.config.faults.mctp.answer_in_pieces);
}

}  // namespace kestrel::sim
