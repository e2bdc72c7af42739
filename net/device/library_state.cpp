#include "library_state.h"

#include <mutex>

#include "platform/socket.h"

namespace kestrel::net {

namespace {
std::mutex g_sockets_lock;
bool g_sockets_started = false;  // guarded by g_sockets_lock
}  // namespace

int32_t StartSocketsOnce() {
    std::lock_guard<std::mutex> guard(g_sockets_lock);
    if (g_sockets_started) {
        return 0;
    }
    if (platform::SocketsStartup() != 0) {
        return 1;
    }
    g_sockets_started = true;
    return 0;
}

int32_t StopSocketsIfStarted() {
    std::lock_guard<std::mutex> guard(g_sockets_lock);
    if (!g_sockets_started) {
        return 0;
    }
    g_sockets_started = false;
    return platform::SocketsCleanup();
}

}  // namespace kestrel::net
