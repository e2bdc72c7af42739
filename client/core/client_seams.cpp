#include "client_seams.h"

#include <chrono>
#include <thread>

#include "platform/paths.h"

namespace kestrel::client {

ClientSeams ClientSeams::System() {
    ClientSeams seams;
    seams.freeBytes = [](const std::string& folder) { return platform::FreeDiskBytes(folder); };
    seams.sleep = [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    return seams;
}

}  // namespace kestrel::client
