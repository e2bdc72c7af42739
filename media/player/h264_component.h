// The functions of the outside H.264 decoder component (libqw_h264dec_w).
//
// Threading: H264Component() may be called from any thread; the first call
// loads, later ones return the same record.
#pragma once

#include <string>

#include "qw_h264dec.h"

namespace kestrel::media {

struct H264ComponentApi {
    Qw264DecCreateFn create = nullptr;
    Qw264DecAUFn decode = nullptr;
    Qw264DecDestroyFn destroy = nullptr;
    std::string error;  // why loading failed; empty when the functions are set

    bool Usable() const { return create != nullptr && decode != nullptr && destroy != nullptr; }
};

inline constexpr const char* kH264ComponentName = "qw_h264dec_w";

const H264ComponentApi& H264Component();

}  // namespace kestrel::media
