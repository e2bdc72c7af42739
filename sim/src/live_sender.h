// Sends one live stream on its connection: the recording header, then one
// video record per access unit of the stream's clip, looping the clip, with
// an audio record after each video record while the stream's sound is on.
// With RecorderConfig::live_clip_switch_after_frames the stream changes to
// the other stream's clip once, at that frame, and loops that one.
// Paced at 25 frames per second against a monotonic clock (frame n is due n
// frame intervals after the header, so pacing does not drift), or unpaced.
//
// Threading: runs on the connection's thread; reads the stream's sound
// switch, which other connections flip.
#pragma once

#include <cstdint>
#include <vector>

#include "session.h"

namespace kestrel::sim {

struct ActiveStream;

class LiveSender {
public:
    LiveSender(Session& session, const ActiveStream& stream);
    // Returns when the client closes, a send fails, the connection's byte
    // budget runs out or the simulator stops. A stream stalled by its fault
    // keeps the connection open until the client closes it or stop.
    void Run();

private:
    void SendHeader();
    void AppendFrame(uint64_t frame);
    void AppendAudio();
    // Sends within the stall budget and logs what went out; false when the
    // stream cannot go on (broken or stalled).
    bool SendStreamBytes(std::span<const uint8_t> bytes);
    void HoldStalledConnection();

    Session& session_;
    const ActiveStream& stream_;
    uint64_t pts_base_us_ = 0;
    uint64_t stream_bytes_ = 0;
    size_t tone_position_ = 0;
    bool stalled_ = false;
    std::vector<uint8_t> record_;  // reused for every frame
};

}  // namespace kestrel::sim
