// Posting a message to a native window's message loop (Windows). Other
// platforms have no such loop: callers use their own message record there.
#pragma once

#include <cstdint>

namespace platform {

constexpr bool kHasNativeWindowMessages =
#ifdef _WIN32
    true;
#else
    false;
#endif

// Posts (message, w_param, l_param) to window; false when it could not be
// posted (always on platforms without native window messages).
bool PostNativeWindowMessage(void* window, uint32_t message, uintptr_t w_param, intptr_t l_param);

}  // namespace platform
