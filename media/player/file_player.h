// Playback of a recording file on the local disk, also while it is still
// being downloaded: the file's frame records are read ahead of the channel
// players of an embedded StreamDecoder, which decode, pace (by time stamp)
// and show them. Pause, rate, direction, positioning and single steps act
// on the reading and on the players; play-info goes through the library's
// one play-status thread.
//
// FilePlayer is the handle's control surface. What its threads touch lives
// in a Core they share (file_player_core.h):
//   - the read engine, from Start to Stop: the read thread or, for the older
//     types, the engine timer's thread;
//   - the open thread: for a download announced with SetFileLength, from
//     then until the file is there (it opens and starts playback) or Stop;
//   - the players' threads, owned by the StreamDecoder.
// A read or open thread that does not end within the stop wait is left to
// finish on its own; it keeps the Core alive, never the FilePlayer, and
// reaches neither the windows nor the play-info callback again.
//
// Threading: the exports call in on any thread, also from a play-info
// callback of this handle (except Stop and Close). Stop and Close return
// once no present, clear or play-info call for this handle runs or can
// start.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "kestrel_media.h"

namespace kestrel::media {

class StreamDecoder;

class FilePlayer {
public:
    static constexpr int kWindowCount = 4;

    // Opens local_file; with a device file name the file is a download that
    // opens once SetFileLength announced it. nullptr with the reason in
    // *result on failure.
    static std::unique_ptr<FilePlayer> Create(const char* local_file, const char* device_file,
                                              int32_t* result);
    ~FilePlayer();  // Close()
    FilePlayer(const FilePlayer&) = delete;
    FilePlayer& operator=(const FilePlayer&) = delete;

    // Stops playback and every thread, delivers or drops pending play-info
    // and unregisters the callback. The handle still answers calls after it
    // (they find nothing playing).
    void Close();

    int32_t SetFileLength(int32_t expected_length, const char* device_file);
    void SetCallback(void* user, QW_MEDIA_PLAYINFO_CALLBACK callback);

    int32_t Start(const std::array<KmVideoWindow*, kWindowCount>& windows);
    int32_t Stop();

    int32_t Pause(int32_t pause);
    int32_t SetDirection(int32_t direction);
    int32_t SetRate(int32_t rate);
    int32_t SetFrameInterval(int32_t interval_ms);
    int32_t SetPos(int32_t value, const QwMediaTime* time, int32_t mode, int32_t extra);
    int32_t NextFrame();
    int32_t PrevFrame();

    int32_t OpenSound(int32_t channel);
    int32_t CloseSound(int32_t channel);
    int32_t SetVolume(int32_t channel, int32_t volume);

    // The embedded decoder (display settings, capture); null until the
    // file is open.
    StreamDecoder* Decoder();

    struct Core;

private:
    explicit FilePlayer(std::shared_ptr<Core> core);

    std::shared_ptr<Core> core_;
};

}  // namespace kestrel::media
