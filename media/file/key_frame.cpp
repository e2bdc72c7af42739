#include "key_frame.h"

namespace kestrel::media {

bool HasIdrPicture(std::span<const uint8_t> access_unit) {
    constexpr uint8_t kIdrSlice = 5;
    // Start codes are 00 00 01 (a fourth leading zero changes nothing).
    for (size_t i = 0; i + 3 < access_unit.size(); ++i) {
        if (access_unit[i] == 0 && access_unit[i + 1] == 0 && access_unit[i + 2] == 1) {
            if ((access_unit[i + 3] & 0x1F) == kIdrSlice) {
                return true;
            }
            i += 2;
        }
    }
    return false;
}

}  // namespace kestrel::media
