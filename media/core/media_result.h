// Result codes of the media library. Never renumbered or reused.
#pragma once

#include <cstdint>

namespace kestrel::media {

constexpr int32_t kMediaOk = 0;
constexpr int32_t kMediaBadFrameLength = -1;  // single-frame input of the wrong length
constexpr int32_t kMediaBadArgument = static_cast<int32_t>(0x80060000);
constexpr int32_t kMediaNotAvailable = static_cast<int32_t>(0x80F00002);
constexpr int32_t kMediaAlreadyOpen = static_cast<int32_t>(0x80F00003);
constexpr int32_t kMediaNotOpen = static_cast<int32_t>(0x80F00004);
constexpr int32_t kMediaNothingToDo = static_cast<int32_t>(0x80F0000C);
constexpr int32_t kMediaFailed = static_cast<int32_t>(0x80FF0000);
constexpr int32_t kMediaInputBufferFull = static_cast<int32_t>(0x80050001);
constexpr int32_t kMediaPlayerAllocation = static_cast<int32_t>(0x80050002);
constexpr int32_t kMediaStartEvent = static_cast<int32_t>(0x80050004);
constexpr int32_t kMediaThreadCreation = static_cast<int32_t>(0x80070001);
constexpr int32_t kMediaTimer = static_cast<int32_t>(0x80070002);

}  // namespace kestrel::media
