// Result codes of file playback; the same numbers as QW_MEDIA_ERR_* in
// kestrel_media.h. Never renumbered or reused.
#pragma once

#include <cstdint>

namespace kestrel::media {

constexpr int32_t kMediaFileOpen = static_cast<int32_t>(0x80020005);
constexpr int32_t kMediaSeekDirection = static_cast<int32_t>(0x80020007);
constexpr int32_t kMediaShortHeader = static_cast<int32_t>(0x8002000D);
constexpr int32_t kMediaSeekRange = static_cast<int32_t>(0x8002000E);
constexpr int32_t kMediaFileBusy = static_cast<int32_t>(0x80020012);
constexpr int32_t kMediaFileName = static_cast<int32_t>(0x80020013);
constexpr int32_t kMediaFileFormat = static_cast<int32_t>(0x80020014);

}  // namespace kestrel::media
