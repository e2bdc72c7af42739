#include "client_seams.h"

#include "platform/paths.h"

namespace kestrel::client {

ClientSeams ClientSeams::System() {
    ClientSeams seams;
    seams.freeBytes = [](const std::string& folder) { return platform::FreeDiskBytes(folder); };
    return seams;
}

}  // namespace kestrel::client
