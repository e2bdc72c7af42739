// The notifications among the REPLAY page, its calendar pane, its file list
// and its playback controller, and the controller's calls the file list
// makes. The numbers are the ones the client has always used.
//
// Threading: GUI thread. Library and worker threads reach these panes only
// by posting through the context's PagePoster (their PageIds: kCalendarPane,
// kFileListPane, kPlaybackPage, kPlaybackController).
#pragma once

#include <cstdint>
#include <string>

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
// Controller -> file list: first kDownloadStateCode, second 1 started / 0 ended.
constexpr uint32_t UM_DOWNLOAD_STATE = 0x702;
constexpr intptr_t kDownloadStateCode = 0x808;
// Controller <-> file list: first kDownloadStopped or kPlaybackStopped.
constexpr uint32_t UM_PLAYBACK_STATE = 0x806;
constexpr intptr_t kDownloadStopped = 0xC0E;
constexpr intptr_t kPlaybackStopped = 0xC13;
// File list -> playback page: the selected pane becomes the playback target.
constexpr uint32_t UM_SELECT_TARGET = 0x809;
// Data callbacks -> controller: first the downloaded extent in per mille.
constexpr uint32_t UM_DOWNLOAD_PROGRESS = 0xAAD3;

// What the file list asks of the playback controller.
class PlaybackRequests {
public:
    virtual ~PlaybackRequests() = default;
    // 1 when the controller accepted the request, 0 otherwise.
    virtual int Play(const std::string& remoteName, int channel, uint32_t size) = 0;
    // 1 when the transfer was requested (a failure arrives as
    // UM_DOWNLOAD_STATE 0), 0 when refused or the local file is complete.
    virtual int Download(const std::string& remoteName, int channel, uint32_t size) = 0;
    // The stop-download request (UM_PLAYBACK_STATE kDownloadStopped).
    virtual void StopDownload() = 0;
};

}  // namespace kestrel::ui
