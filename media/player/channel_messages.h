// Thread messages of a channel player (posted with its thread's queue).
// Every message not listed here only wakes the thread.
#pragma once

#include <cstdint>

#include "platform/thread.h"

namespace kestrel::media {

constexpr uint32_t kChannelQuit = platform::kQuitMessage;
constexpr uint32_t kChannelWake = 3025;        // new data queued
constexpr uint32_t kChannelSetVolume = 3027;   // w_param: volume 0..0xFFFF
constexpr uint32_t kChannelCloseSound = 3029;  //
constexpr uint32_t kChannelOpenSound = 3030;   //

}  // namespace kestrel::media
