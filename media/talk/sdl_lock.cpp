#include "sdl_lock.h"

namespace kestrel::media {

std::mutex& TalkSdlLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace kestrel::media
