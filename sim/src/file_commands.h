// Recorded files: the day search, the month calendar and the download of one
// recording, answered from the simulator's RecordingStore.
//
// Threading: each handler runs on the thread of its connection.
#pragma once

#include <cstdint>

#include "session.h"

namespace kestrel::sim {

struct Request;

enum FileCommand : uint8_t {
    kCommandDownload = 7,
    kCommandSearchFiles = 9,
    kCommandCalendar = 17,
};

// Answer head announced by the oversized-search-answer fault: one byte past
// what a client's reply buffer holds.
constexpr uint32_t kOversizedSearchTotal = 1048577;
constexpr size_t kFileRecordSize = 148;

SessionAction HandleSearchFiles(const Request& request, Session& session);  // 9
SessionAction HandleCalendar(const Request& request, Session& session);     // 17
// Sends the file after its answer and closes the connection.
SessionAction HandleDownload(const Request& request, Session& session);  // 7

}  // namespace kestrel::sim
