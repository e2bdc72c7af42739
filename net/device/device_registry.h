// Process-wide set of the device objects the library handed out, so that a
// closed or foreign handle is refused instead of being dereferenced.
//
// Threading: every function may be called from any thread. Lookup only says
// the object is alive now; a caller must still not close a handle while
// another thread uses it.
#pragma once

#include <memory>

#include "dvr_device.h"

namespace kestrel::net {

// Takes ownership and returns the handle.
QW_DVR_HANDLE RegisterDevice(std::unique_ptr<DvrDevice> device);
// The device behind handle, or null when the handle is unknown.
DvrDevice* LookupDevice(QW_DVR_HANDLE handle);
// Removes handle and gives back ownership; null when unknown (so a second
// close is harmless).
std::unique_ptr<DvrDevice> UnregisterDevice(QW_DVR_HANDLE handle);

}  // namespace kestrel::net
