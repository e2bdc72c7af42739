// What each simulated recorder model says about itself: the family and model
// bytes of the identification answer, the type and subtype codes the client
// library maps them to, and the model number and model code written into the
// recording header of every stream and recording.
//
// This table is the single list of recorder models the suite knows: the
// media library's model table is built to hold exactly these rows, so a
// recording made by the simulator is recognised by its header. Add a model
// here first. Model numbers are (family << 8) | model; model codes are exactly
// 12 characters.
//
// Threading: a constant table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrel::sim {

struct ModelIdentity {
    uint8_t family;
    uint8_t model;
    uint32_t type_code;
    uint32_t subtype_code;
    uint16_t model_number;
    std::string_view model_code;    // 12 characters, no terminator in the header
    int channel_count;              // 1, 4, 8 or 16
    std::string_view type_name;     // DVR_..._TYPE
    std::string_view subtype_name;  // DVR_SUB_...
};

constexpr size_t kModelCodeLength = 12;

std::span<const ModelIdentity> ModelIdentities();
// nullptr when the pair is not a known model (an unknown family, say).
const ModelIdentity* FindModelIdentity(uint8_t family, uint8_t model);

}  // namespace kestrel::sim
