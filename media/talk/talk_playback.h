// Plays a buffer of 8000 Hz mono S16 samples once on the default output:
// opens a device for it, waits until it has been heard, closes the device.
//
// Threading: runs on the calling thread, which it blocks for about the
// buffer's duration; SDL's playback thread lives only during the call.
#pragma once

#include <cstdint>
#include <span>

namespace kestrel::media {

// False when the samples could not be played (no output device); an empty
// buffer plays nothing and returns true at once.
bool PlayOnce(std::span<const int16_t> samples);

}  // namespace kestrel::media
