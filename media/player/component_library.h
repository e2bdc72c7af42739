// The outside components (H.264 decoder, audio player, voice codec, AMR
// decoder) are shared libraries loaded by name from this library's folder
// on first use and kept loaded for the life of the process: unloading would
// orphan their one-time allocations and race with instances still running
// on other threads.
//
// Threading: any thread; one lock serialises the loads.
#pragma once

#include <string>

namespace kestrel::media {

// Resolves `symbol` in component `name` (loading it on first use); nullptr
// with the loader's reason in *error when the component or symbol is
// missing.
void* ComponentSymbol(const char* name, const char* symbol, std::string* error);

}  // namespace kestrel::media
