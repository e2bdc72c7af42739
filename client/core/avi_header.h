// The first 512 bytes of a finalised record file, made from the writer's
// counters, and the state block read back from them.
#pragma once

#include <array>
#include <cstdint>

#include "avi_layout.h"
#include "record_state.h"

namespace kestrel::client {

using AviHeader = std::array<uint8_t, avi::kHeaderSize>;

// RIFF and hdrl headers, the stream lists of the streams that have chunks,
// the junk chunk carrying the state block, and the movi list header.
AviHeader BuildAviHeader(const RecordState& state);

// The nineteen words at the state block offset.
RecordState ReadStateBlock(const AviHeader& header);

// Picture size and frame rate from a raw recording header for channel0, as
// the recorder describes the channel (rate in the low 5 bits, resolution code).
void TakeVideoParameters(const uint8_t* recordingHeader, int32_t channel0, RecordState* state);

// The fixed G.711 mu-law parameters every record file carries.
void SetAudioParameters(RecordState* state);

}  // namespace kestrel::client
