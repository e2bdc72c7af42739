// Identification (command 10) and login check (command 25).
#include <array>

#include "accounts.h"
#include "byte_order.h"
#include "command_handlers.h"
#include "connection_writer.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

constexpr size_t kIdentifyValidWord = 20;  // LE 1 marks a valid answer
constexpr size_t kIdentifyFamily = 26;
constexpr size_t kIdentifyModel = 27;
constexpr size_t kLoginUser = 20;
constexpr size_t kLoginPassword = 52;

}  // namespace

SessionAction HandleIdentify(const Request&, Session& session) {
    // The client reads the answer as one whole block, not as a standard
    // response; the head is filled in anyway so a generic reader copes too.
    RequestBlock answer{};
    PutLE32(answer, 0, static_cast<uint32_t>(answer.size()));
    PutLE32(answer, 4, 0);
    PutLE32(answer, kIdentifyValidWord, 1);
    answer[kIdentifyFamily] = session.server.config.family;
    answer[kIdentifyModel] = session.server.config.model;
    return session.writer.Send(answer) ? SessionAction::kContinue : SessionAction::kClose;
}

SessionAction HandleLogin(const Request& request, Session& session) {
    // Answer: total length 16, result (the level or a refusal), rights words.
    std::array<uint8_t, 8> rights{};
    int32_t result = kResultBadRequest;
    if (request.Covers(kLoginPassword + kCredentialFieldSize)) {
        const CredentialCheck check = CheckCredentials(
            session.server.config, request.TextField(kLoginUser, kCredentialFieldSize),
            request.TextField(kLoginPassword, kCredentialFieldSize));
        result = check.refusal;
        if (check.user != nullptr) {
            result = check.user->level;
            PutLE32(rights, 0, check.user->rights_a);
            PutLE32(rights, 4, check.user->rights_b);
        }
    }
    return SendStandardResponse(session, result, rights) ? SessionAction::kContinue
                                                         : SessionAction::kClose;
}

}  // namespace kestrel::sim
