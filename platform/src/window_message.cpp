#include "platform/window_message.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

bool PostNativeWindowMessage(void* window, uint32_t message, uintptr_t w_param, intptr_t l_param) {
#ifdef _WIN32
    return PostMessageA(static_cast<HWND>(window), message, w_param, l_param) != 0;
#else
    (void)window;
    (void)message;
    (void)w_param;
    (void)l_param;
    return false;
#endif
}

}  // namespace platform
