// How the headless run shows rows: progress bars while it runs, and the
// final list as tab-separated lines or JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device_row.h"

namespace kestrel::flash {

// "IP<TAB>State<TAB>Comment\n" per row, texts as they stand.
std::string RowsAsText(const std::vector<DeviceRow>& rows);
// [{"ip":..,"state":..,"comment":..,"progress":..,"size":..}, ...]; size is
// the image's size in bytes.
std::string RowsAsJson(const std::vector<DeviceRow>& rows, uint64_t image_size);
// "127.0.0.2        [#########-----------]  45%  Uploading file"
std::string ProgressLine(const DeviceRow& row, uint64_t image_size);

}  // namespace kestrel::flash
