// Live stream start (command 3): checks the request, answers with the new
// stream's identifier and then turns the connection into that stream.
#include <array>
#include <bit>

#include "accounts.h"
#include "byte_order.h"
#include "command_handlers.h"
#include "live_sender.h"
#include "sim/result_codes.h"
#include "stream_registry.h"

namespace kestrel::sim {
namespace {

constexpr size_t kStartFixedOne = 20;      // BE 1
constexpr size_t kStartFixedSixteen = 24;  // BE 16
constexpr size_t kStartChannelMask = 28;   // BE 1 << channel
constexpr size_t kStartLinkMode = 32;      // BE, the client's value, not used here
constexpr size_t kStartStreamNumber = 36;  // BE 0 main, 1 sub
constexpr size_t kStartUser = 40;
constexpr size_t kStartPassword = 72;
constexpr size_t kStartBodyEnd = kStartPassword + kCredentialFieldSize;

struct StartRequest {
    int channel = 0;
    int stream_number = 0;
};

int32_t CheckStart(const Request& request, const RecorderConfig& config, StartRequest* start) {
    static_assert(kStartLinkMode < kStartStreamNumber);
    if (!request.Covers(kStartBodyEnd) || request.BodyBE32(kStartFixedOne) != 1 ||
        request.BodyBE32(kStartFixedSixteen) != 16) {
        return kResultBadRequest;
    }
    const CredentialCheck check =
        CheckCredentials(config, request.TextField(kStartUser, kCredentialFieldSize),
                         request.TextField(kStartPassword, kCredentialFieldSize));
    if (check.user == nullptr) {
        return check.refusal;
    }
    const uint32_t mask = request.BodyBE32(kStartChannelMask);
    if (std::popcount(mask) != 1 || std::countr_zero(mask) >= EffectiveChannelCount(config)) {
        return kResultNoSuchChannel;
    }
    const uint32_t stream_number = request.BodyBE32(kStartStreamNumber);
    if (stream_number > 1) {
        return kResultNoSuchStream;
    }
    start->channel = std::countr_zero(mask);
    start->stream_number = static_cast<int>(stream_number);
    return kResultOk;
}

}  // namespace

SessionAction HandleLiveStart(const Request& request, Session& session) {
    StartRequest start;
    const int32_t result = CheckStart(request, session.server.config, &start);
    if (result != kResultOk) {
        return SendStandardResponse(session, result) ? SessionAction::kContinue
                                                     : SessionAction::kClose;
    }
    const auto stream = session.server.streams.Open(start.channel, start.stream_number);
    std::array<uint8_t, 8> id{};
    PutLE32(id, 0, stream->id.word1);
    PutLE32(id, 4, stream->id.word2);
    if (SendStandardResponse(session, kResultOk, id)) {
        LiveSender(session, *stream).Run();
    }
    session.server.streams.Close(stream);
    // The connection carried a stream; it serves no further requests.
    return SessionAction::kClose;
}

}  // namespace kestrel::sim
