#include "live_pacing.h"

#include <algorithm>

namespace kestrel::media {
namespace {

constexpr int64_t kAssumedGapMs = 33;  // a missing or absurd gap: about 30 fps

}  // namespace

int TargetDepthForBufferMode(int32_t buffer_mode) {
    return buffer_mode == 1 ? kDeepTargetDepth : kShallowTargetDepth;
}

int ShallowBufferSleepMs(size_t queued) {
    if (queued == 0) {
        return 100;
    }
    if (queued <= 2) {
        return 60;
    }
    switch (queued) {
        case 3:
            return 40;
        case 4:
            return 35;
        case 5:
            return 33;
        case 6:
            return 30;
        case 7:
            return 25;
        default:
            break;
    }
    if (queued <= 14) {
        return 20;
    }
    if (queued <= 19) {
        return 15;
    }
    if (queued <= 29) {
        return 10;
    }
    return 5;
}

int DeepBufferSleepMs(size_t queued, int64_t frame_gap_ms) {
    const int64_t v = (frame_gap_ms <= 0 || frame_gap_ms > 10000) ? kAssumedGapMs : frame_gap_ms;
    const int64_t f = std::max<int64_t>(1, v / 30);
    // Slow streams need fewer frames queued for the same wait in time.
    const int64_t h = v > 100 ? kDeepTargetDepth * 33 / v : kDeepTargetDepth;
    const int64_t q = static_cast<int64_t>(std::min<size_t>(queued, 1u << 30));

    // Large backlogs first: they override the ordinary bands.
    if (q >= h + 100) {
        return 5;
    }
    if (q >= h + 90) {
        return 10;
    }
    if (q >= h + 70) {
        return 15;
    }
    if (q >= h + 60) {
        return 20;
    }
    if (q >= h + 50) {
        return 25;
    }
    int64_t s;
    if (q >= h + 45) {
        s = v - 20 * f;
    } else if (q >= h + 40) {
        s = v - 15 * f;
    } else if (q >= h + 35) {
        s = v - 8 * f;
    } else if (q >= h + 30) {
        s = v - 2 * f;
    } else if (q >= h + 20) {
        s = v - 25 * f;
    } else if (q >= h + 10) {
        s = v - 15 * f;
    } else if (q >= h + 5) {
        s = v - 8 * f;
    } else if (q >= h + 3) {
        s = v - 2 * f;
    } else if (q > h - 3) {
        s = v;
    } else if (q > h - 5) {
        s = v + 2 * f;
    } else if (q > h - 7) {
        s = v + 8 * f;
    } else if (q > h - 10) {
        s = v + 15 * f;
    } else if (q > h - 12) {
        s = v + 20 * f;
    } else if (q > h - 15) {
        s = v + 30 * f;
    } else if (q > h - 20) {
        s = v + 50 * f;
    } else {
        s = v + 100 * f;
    }
    return static_cast<int>(std::clamp<int64_t>(s, kMinLiveSleepMs, kMaxLiveSleepMs));
}

int LiveSleepMs(int target_depth, size_t queued, int64_t frame_gap_ms) {
    return target_depth == kDeepTargetDepth ? DeepBufferSleepMs(queued, frame_gap_ms)
                                            : ShallowBufferSleepMs(queued);
}

}  // namespace kestrel::media
