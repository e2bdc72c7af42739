// What the REPLAY page's playback controller exchanges with the file list:
// the notifications it posts there and to its own bar, and the requests the
// file list makes of it. The numbers are the ones the client has always
// used. client/ui/playback_messages.h holds the page's other notifications
// and names these there too.
//
// Threading: the requests come on the GUI thread; the notifications are
// posted from any thread through the context's PagePoster.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::client {

// Controller -> file list: first kDownloadStateCode, second 1 started / 0 ended.
constexpr uint32_t UM_DOWNLOAD_STATE = 0x702;
constexpr intptr_t kDownloadStateCode = 0x808;
// Controller <-> file list: first kDownloadStopped or kPlaybackStopped.
constexpr uint32_t UM_PLAYBACK_STATE = 0x806;
constexpr intptr_t kDownloadStopped = 0xC0E;
constexpr intptr_t kPlaybackStopped = 0xC13;
// Data callbacks -> controller (and file list, for downloads): first the
// downloaded extent in per mille.
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

}  // namespace kestrel::client
