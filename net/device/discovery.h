// Local-network search for recorders: one UDP broadcast request, then every
// answer of the right size is handed to the search callback, and one last
// callback (found = 0) marks the end of the search.
//
// The discovery resource is process-wide: created on first use, kept until
// DestroySearchResource(), created again by the next use after that.
//
// Threading: every function may be called from any thread. The callback runs
// on the receiver thread, never under the resource's lock, so it may call
// these functions itself. DestroySearchResource() blocks until the receiver
// has ended (the end-of-search callback still comes during that wait); called
// from inside the callback it cannot wait for its own thread and returns at
// once, the end-of-search callback following after the callback returns.
#pragma once

#include <cstdint>

#include "kestrel_net.h"

namespace kestrel::net {

// Result of StartSearch() when the socket or the receiver could not be made
// (also for an unusable destination override).
constexpr int32_t kSearchNotStarted = 255;

// Stores the callback pair for this and later searches. Always 0.
int32_t SetSearchCallback(SearchDevCallback callback, void* user);
// 0 when a search runs: a running one is left alone (one receiver at most).
int32_t StartSearch();
// Ends a running search and frees the resource. Harmless without one.
void DestroySearchResource();

}  // namespace kestrel::net
