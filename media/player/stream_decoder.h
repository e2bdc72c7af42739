// The live side of a decoder handle (and the inner part of a file player):
// the stream input with its 1 MiB buffer, 16 channel slots, and the routing
// of parsed frames to the current channel.
//
// Threading: Input, StartChannel, StopChannel and the display settings may
// come from any thread; one lock serialises them with the slots. Frames are
// handed to a channel's queue under that lock (the order is StreamDecoder
// lock, then stream input lock, then frame queue lock).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "channel_player.h"
#include "kestrel_media.h"
#include "kestrel_recorder_traits.h"
#include "platform/clock.h"
#include "stream_input.h"

namespace kestrel::media {

constexpr int kChannelSlots = 16;

class StreamDecoder final : public StreamSink {
public:
    // nullptr when the input buffer cannot be allocated.
    static std::unique_ptr<StreamDecoder> Create(uint32_t type_code, uint32_t subtype_code);
    ~StreamDecoder() override;
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    uint32_t TypeCode() const { return type_code_; }
    uint32_t SubtypeCode() const { return subtype_code_; }

    // Starts (or restarts) the channel `index` (0..16; 16 means slot 0
    // except on the single-channel type) in `window`; it becomes the current
    // channel that receives parsed frames.
    int32_t StartChannel(int32_t index, KmVideoWindow* window, bool live);
    // Stops channel 0..15 and empties its slot; 0 also when it was empty.
    int32_t StopChannel(int32_t channel);
    void StopAll();

    // QW_MEDIA_INPUT_* kinds.
    int32_t Input(int32_t kind, std::span<const uint8_t> data);

    // Display settings; channel 0..15.
    int32_t SetOsd(int32_t channel, int32_t enable, const char* text, int32_t position,
                   int32_t colour);
    int32_t SetShowInfo(int32_t flag);
    int32_t SetBrightness(int32_t channel, int32_t level);

    // Sound of the live channels; channel 0..15. One channel's sound is open
    // at a time; the stream's audio goes to the current channel.
    int32_t OpenSound(int32_t channel);
    int32_t CloseSound(int32_t channel);
    int32_t SetVolume(int32_t channel, int32_t volume);
    int32_t SetMute(int32_t channel, int32_t mute);

    // The picture a channel (0..16) last showed as 24-bit rows. *width and
    // *height give the buffer's size in pixels and receive the picture's.
    int32_t Capture(int32_t channel, uint8_t* pixels, int32_t* width, int32_t* height, bool flip);

    // Periodic wake-up of every channel thread; period <= 0 stops it.
    int32_t SetTimerRate(int32_t period_ms);

    // What a file player hands to each player it starts.
    void SetPlaybackInfo(const char* name, const QwMediaTime& start_time,
                         std::function<void(int32_t, intptr_t)> notify);

    // File playback: the file's bytes are parsed whatever the type, and a
    // file of several channels sends each record to its own channel.
    void SetFileMode(bool several_channels);
    // Runs fn on every started player, under the lock.
    void ForEachPlayer(const std::function<void(int slot, ChannelPlayer&)>& fn);
    // Most frames queued on the players of the channels in `mask`.
    size_t MaxQueued(uint32_t mask) const;
    // Drops buffered input, every player's queued frames and sound, and
    // wakes the players (a position change).
    void Flush();
    // A step from a key frame: drops what is queued, feeds `stream` and asks
    // every player to decode `decodes` frames and show the last. No player
    // pass runs meanwhile, so a step still under way never takes the new
    // frames for its own.
    void StartStep(std::span<const uint8_t> stream, int decodes);

    // For tests and benchmarks: figures of the player in a slot.
    bool ChannelStatsOf(int32_t channel, ChannelStats* out) const;

private:
    StreamDecoder(uint32_t type_code, uint32_t subtype_code);
    // StreamSink: runs under mutex_ via the stream input.
    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us) override;
    void OnAudioBlock(int codec_type, std::span<const uint8_t> block, uint64_t pts_us) override;

    int SlotOf(int32_t channel) const;         // start/stop index rule
    int DisplaySlotOf(int32_t channel) const;  // display settings rule
    void StopTimerLocked();
    // Swaps a slot's player under slots_mutex_ and returns the old one, to
    // be destroyed (its thread stopped) outside that lock.
    std::unique_ptr<ChannelPlayer> ReplaceSlotLocked(int slot,
                                                     std::unique_ptr<ChannelPlayer> player);

    const uint32_t type_code_;
    const uint32_t subtype_code_;
    const RecorderTypeTraits& traits_;
    std::unique_ptr<StreamInput> input_;
    mutable std::mutex mutex_;
    // All below guarded by mutex_; slots_ is written under slots_mutex_
    // too, which is all the timer's tick takes.
    std::mutex slots_mutex_;
    std::array<std::unique_ptr<ChannelPlayer>, kChannelSlots> slots_;
    int current_ = 0;
    bool sound_open_ = false;
    bool route_by_stream_digit_ = false;
    int volume_ = kInitialVolume;
    std::array<char, 16> name_{};
    QwMediaTime start_time_{};
    std::function<void(int32_t, intptr_t)> notify_;
    platform::PeriodicTimer timer_;
};

}  // namespace kestrel::media
