// The credential check shared by every command that carries a user name and
// password (login check, live start).
#pragma once

#include <cstdint>
#include <string>

#include "sim/recorder_config.h"

namespace kestrel::sim {

struct CredentialCheck {
    const UserAccount* user = nullptr;  // set when accepted
    int32_t refusal = 0;                // set when refused
};

CredentialCheck CheckCredentials(const RecorderConfig& config, const std::string& name,
                                 const std::string& password);

}  // namespace kestrel::sim
