// One recorder found by the search, as the upgrade list shows it, and the
// parsing of the search replies that make the rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::flash {

// List text colours (0x00BBGGRR values, as the list control takes them).
constexpr uint32_t kColourRed = 255;
constexpr uint32_t kColourDarkBlue = 8192000;
constexpr uint32_t kColourDarkGreen = 32000;

constexpr int kRowsPerPage = 18;

struct DeviceRow {
    uint32_t colour = kColourDarkBlue;
    std::string state;
    uint32_t progress = 0;  // bytes uploaded
    uint32_t size = 0;      // image bytes the upload announced: the progress range
    std::string speed;      // the "Upload Speed(KB/s)" cell
    std::string comment;
    std::string ip;
    std::string job_text;        // copied into the upload job; discovery leaves it empty
    int index = 0;               // discovery order, 0-based
    uint32_t last_progress = 0;  // what the speed meter saw last
    int page = 0;
    int rows_per_page = kRowsPerPage;
    bool ticked = false;
    bool finished = true;  // no job running
    bool idle = true;
    bool permitted = false;  // the image is newer than what the recorder runs
    bool busy = false;       // the recorder reported an upgrade in progress
    bool updating = false;
};

// The dotted address of a recorder block: its first four bytes read from the
// last to the first.
std::string RecorderAddress(const uint8_t* block);

// A row for a recorder block, permitted or refused for the named image.
DeviceRow MakeDeviceRow(const uint8_t* block, size_t block_length, std::string_view image_name,
                        int index);

enum class SearchStep {
    kAdded,    // a reply: one row appended
    kIgnored,  // another command; the search goes on
    kEnd,      // not a packet; the search ends
};

// Handles one received datagram of the search. Every reply makes a row, so
// a recorder that answers twice is listed twice.
SearchStep AddSearchDatagram(const uint8_t* datagram, size_t size, std::string_view image_name,
                             std::vector<DeviceRow>* rows);

}  // namespace kestrel::flash
