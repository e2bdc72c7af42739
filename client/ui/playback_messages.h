// The notifications among the REPLAY page, its calendar pane, its file list
// and its playback controller, and the controller's calls the file list
// makes. The numbers are the ones the client has always used.
//
// Threading: GUI thread. Library and worker threads reach these panes only
// by posting through the context's PagePoster (their PageIds: kCalendarPane,
// kFileListPane, kPlaybackPage, kPlaybackController).
#pragma once

#include <cstdint>

#include "playback_requests.h"

namespace kestrel::ui {

// Calendar pane -> file list: first points to the day to search (file_search.h)
// (valid for the call only), or is 0 to empty the list.
constexpr uint32_t UM_SEARCH_DAY = 0x3403;
// File list or calendar pane -> calendar pane: the search finished.
constexpr uint32_t UM_SEARCH_DONE = 0x804;
constexpr intptr_t kSearchDoneCode = 0x811;
// Calendar pane -> playback page, and the page to itself.
constexpr uint32_t UM_CALENDAR = 0x4401;
constexpr intptr_t kCalendarQueryAndMark = 0x803;  // query, then redraw the marks
constexpr intptr_t kCalendarQuery = 0x804;         // query the selected month's day mask
constexpr intptr_t kCalendarFailed = 0xA04;        // second: the library's result code
// Client core -> file list after login: fill the two filter drop-downs.
constexpr uint32_t UM_FILL_FILTERS = 0xC0F;
// File list -> playback page: the selected pane becomes the playback target.
constexpr uint32_t UM_SELECT_TARGET = 0x809;
// The controller's own notifications and the file list's requests
// (playback_requests.h), by the names the panes use.
using client::kDownloadStateCode;
using client::kDownloadStopped;
using client::kPlaybackStopped;
using client::PlaybackRequests;
using client::UM_DOWNLOAD_PROGRESS;
using client::UM_DOWNLOAD_STATE;
using client::UM_PLAYBACK_STATE;

}  // namespace kestrel::ui
