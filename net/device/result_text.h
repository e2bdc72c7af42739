#pragma once

#include <cstdint>

namespace kestrel::net {

// Short static English text for a result code; never null.
const char* ResultText(int32_t code);

}  // namespace kestrel::net
