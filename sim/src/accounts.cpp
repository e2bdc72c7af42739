#include "accounts.h"

#include "sim/result_codes.h"

namespace kestrel::sim {

CredentialCheck CheckCredentials(const RecorderConfig& config, const std::string& name,
                                 const std::string& password) {
    if (config.faults.refuse_logins) {
        return {nullptr, kResultLoginsDisabled};
    }
    for (const UserAccount& user : config.users) {
        if (user.name == name && user.password == password) {
            return {&user, 0};
        }
    }
    // Unknown user and wrong password look the same to the client.
    return {nullptr, kResultBadCredentials};
}

}  // namespace kestrel::sim
