// The client core's seams as the Qt program fills them: the real clock and
// disk, and GUI-thread timers from the Qt event loop.
#pragma once

#include "client_seams.h"

namespace kestrel::ui {

// ClientSeams::System() with runLater as a single-shot Qt timer.
client::ClientSeams QtSeams();

}  // namespace kestrel::ui
