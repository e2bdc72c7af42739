// The search for recorders: one broadcast request from the operator's host
// address, then every reply until the network has been silent for a second.
//
// Threading: SearchDevices blocks for at least one second; callers with a
// window run it on a worker thread and hand the report to their GUI thread.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "device_row.h"
#include "flash_network.h"

namespace kestrel::flash {

constexpr int kSearchSilenceMs = 1000;
// A flood of replies cannot keep a search going for ever.
constexpr size_t kMaxSearchRows = 4096;
constexpr int kMaxSearchMs = 60000;

enum class SearchOutcome {
    kFound,
    kNothingFound,  // the network stayed silent
    kSocketFailed,  // creating, binding or broadcasting failed
};

struct SearchReport {
    SearchOutcome outcome = SearchOutcome::kNothingFound;
    // The message box text when nothing was found or a socket call failed
    // ("socket bind failed, Socket address in use\n", ...); empty otherwise.
    std::string message;
    std::vector<DeviceRow> rows;  // discovery order, each row's index its place
};

// Searches from host_ip (the socket is bound there, on the search port) and
// judges each reply against the named image. cancel, when given, ends the
// wait early (the rows found so far are kept).
SearchReport SearchDevices(const std::string& host_ip, std::string_view image_name,
                           const FlashNetwork& network, const std::atomic<bool>* cancel = nullptr);

// "Search [3] devices": the run state after a search.
std::string SearchStateText(size_t found);

extern const char kSearchingText[];        // "Searching device ..."
extern const char kNothingFoundMessage[];  // "Device search failed, ..."

}  // namespace kestrel::flash
