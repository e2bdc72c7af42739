// What each recorder type and subtype means to the libraries and the client:
// channel count, display and sound slot rules, audio path and file playback
// engine. The one place these facts live; the media library and the client
// each compile this header in, so the two deliverables stay separate.
//
// Threading: constant tables and pure functions; safe from any thread.
#pragma once

#include <cstdint>

namespace kestrel {

// How a recording of the type is spread over playback windows.
enum class FileWindows : uint8_t {
    kSixteen,  // every channel slot gets its window
    kFour,     // four windows, sound always on channel 0
    kOne,      // a single window
};

// How the file player feeds frames of the type.
enum class FileEngine : uint8_t {
    kPeriodic,     // a timer reads on an interval derived from the frame rate
    kReadThread,   // paced by that interval, but fed by the read thread
    kTimeStamped,  // paced by the frames' own time stamps
};

// Wave format index for types whose sound goes through the audio player.
constexpr int8_t kWaveAudioPlayer = -2;
// No wave format known for the type.
constexpr int8_t kWaveNone = -1;

struct RecorderTypeTraits {
    uint32_t type_code;
    bool h264;                  // raw byte streams are parsed as H.264 records
    bool audio_player;          // live and file sound go to the audio player
    int8_t wave_format;         // index of the wave output format, or kWave*
    bool mu_law_subtype;        // kMuLawSubtype records mu-law (wave format 0)
    bool single_channel_slots;  // channel index 16 is not an alias of slot 0
    bool shared_display_slot;   // display settings act on slot 0, captures on the
                                // first started channel, a stop keeps the timer
    bool single_sound_channel;  // every channel's sound is channel 0's
    FileWindows file_windows;
    FileEngine file_engine;
    bool seeks_by_time;               // positioning corrects by the frames' times
    bool takes_show_info;             // the show-info flag is accepted
    bool sound_open_is_success;       // opening live sound reports success
    bool counts_frames_per_sec;       // the header's rate code counts frames per second
    uint32_t first_gen_channel_mask;  // old-layout headers; 0: scan the file
};

// The subtype whose recorders send mu-law sound on a PCM type.
constexpr uint32_t kMuLawSubtype = 0x02016100;

namespace traits_detail {

constexpr RecorderTypeTraits Type(uint32_t code) {
    RecorderTypeTraits t{};
    t.type_code = code;
    t.wave_format = kWaveNone;
    t.file_windows = FileWindows::kSixteen;
    t.file_engine = FileEngine::kPeriodic;
    t.first_gen_channel_mask = 0;
    return t;
}

constexpr RecorderTypeTraits Make(uint32_t code, int8_t wave, bool h264, bool ts, bool fps,
                                  uint32_t first_gen_mask) {
    RecorderTypeTraits t = Type(code);
    t.wave_format = wave;
    t.audio_player = wave == kWaveAudioPlayer;
    t.h264 = h264;
    t.file_engine = ts ? FileEngine::kTimeStamped : FileEngine::kPeriodic;
    t.counts_frames_per_sec = fps;
    t.first_gen_channel_mask = first_gen_mask;
    t.sound_open_is_success = t.audio_player;
    return t;
}

constexpr RecorderTypeTraits FedByReadThread(RecorderTypeTraits t) {
    t.file_engine = FileEngine::kReadThread;
    return t;
}

// The PCM types that seek by time; one subtype of theirs records mu-law.
constexpr RecorderTypeTraits PcmTimeSeeking(uint32_t code) {
    RecorderTypeTraits t = Make(code, 2, false, false, false, 0);
    t.mu_law_subtype = true;
    t.seeks_by_time = true;
    t.takes_show_info = true;
    return t;
}

constexpr RecorderTypeTraits kTypes[] = {
    [] {
        RecorderTypeTraits t = Make(0x01000101, 0, false, false, false, 0x1);
        t.single_channel_slots = true;
        return t;
    }(),
    [] {
        RecorderTypeTraits t = Make(0x01000102, 1, false, false, false, 0x1);
        t.shared_display_slot = true;
        t.single_sound_channel = true;
        t.file_windows = FileWindows::kFour;
        return t;
    }(),
    Make(0x01000103, 2, false, false, false, 0xF),
    Make(0x01000104, 3, true, false, true, 0),
    PcmTimeSeeking(0x01000201),
    PcmTimeSeeking(0x01000202),
    FedByReadThread(Make(0x01000203, 5, true, false, false, 0)),
    PcmTimeSeeking(0x01000204),
    [] {
        RecorderTypeTraits t = FedByReadThread(Make(0x01000205, 3, true, false, false, 0));
        t.file_windows = FileWindows::kOne;
        return t;
    }(),
    [] {
        RecorderTypeTraits t = Make(0x01000206, 5, true, true, false, 0x1);
        t.sound_open_is_success = true;
        return t;
    }(),
    Make(0x01000207, kWaveAudioPlayer, true, true, true, 0x1),
    Make(0x01000209, kWaveAudioPlayer, true, true, true, 0x1),
    Make(0x01000210, kWaveAudioPlayer, true, true, true, 0x1),
    FedByReadThread(Make(0x01000301, 3, false, false, true, 0)),
    Make(0x01000401, kWaveAudioPlayer, true, true, true, 0x1),
    Make(0x01000402, kWaveAudioPlayer, true, true, true, 0x1),
    Make(0x01000403, kWaveAudioPlayer, true, true, true, 0x1),
};

// An unknown type: periodic engine over every slot, no sound path, not H.264.
constexpr RecorderTypeTraits kUnknownType = Make(0, kWaveNone, false, false, false, 0x1);

struct SubtypeTraits {
    uint32_t subtype_code;
    int32_t channels;
    bool shared_display_slot;
};

constexpr SubtypeTraits kSubtypes[] = {
    {0x01020500, 1, false},  {0x01020501, 1, false},  {0x02026201, 1, false},
    {0x02026211, 1, false},  {0x02026221, 1, false},  {0x02026231, 1, false},
    {0x02026241, 1, false},  {0x02026251, 1, false},

    {0x01010200, 4, false},  {0x01030607, 4, true},   {0x02016100, 4, false},
    {0x02026202, 4, false},  {0x02026212, 4, false},  {0x02026222, 4, false},
    {0x02026232, 4, false},  {0x02026242, 4, false},  {0x02026252, 4, false},
    {0x02046300, 4, false},  {0x02066602, 4, false},  {0x02079602, 4, false},
    {0x02079612, 4, false},  {0x02091112, 4, false},  {0x06000004, 4, false},

    {0x01010300, 8, false},  {0x01030601, 8, false},  {0x01030606, 8, true},
    {0x02026203, 8, false},  {0x02026213, 8, false},  {0x02026223, 8, false},
    {0x02026233, 8, false},  {0x02026243, 8, false},  {0x02026253, 8, false},
    {0x02066603, 8, false},  {0x02079603, 8, false},  {0x02079613, 8, false},
    {0x04000008, 8, false},  {0x04000009, 8, false},

    {0x01030600, 16, false}, {0x02079614, 16, false}, {0x0400000A, 16, false},
};

}  // namespace traits_detail

// The traits of a type code; nullptr for a type the suite does not know.
constexpr const RecorderTypeTraits* FindRecorderType(uint32_t type_code) {
    for (const RecorderTypeTraits& t : traits_detail::kTypes) {
        if (t.type_code == type_code) {
            return &t;
        }
    }
    return nullptr;
}

// The traits of a type code; an unknown type gets conservative defaults.
constexpr const RecorderTypeTraits& RecorderType(uint32_t type_code) {
    const RecorderTypeTraits* found = FindRecorderType(type_code);
    return found != nullptr ? *found : traits_detail::kUnknownType;
}

// 1, 4, 8 or 16 for a known subtype; 0 for one not in the table.
constexpr int32_t ChannelCountOfSubtype(uint32_t subtype_code) {
    for (const auto& s : traits_detail::kSubtypes) {
        if (s.subtype_code == subtype_code) {
            return s.channels;
        }
    }
    return 0;
}

// Display settings of every channel act on slot 0 (the type, or the subtypes
// that share one display).
constexpr bool SharesDisplaySlot(uint32_t type_code, uint32_t subtype_code) {
    if (RecorderType(type_code).shared_display_slot) {
        return true;
    }
    for (const auto& s : traits_detail::kSubtypes) {
        if (s.subtype_code == subtype_code) {
            return s.shared_display_slot;
        }
    }
    return false;
}

// The wave output format of a type's sound: an index, kWaveAudioPlayer or
// kWaveNone.
constexpr int8_t WaveFormatOf(uint32_t type_code, uint32_t subtype_code) {
    const RecorderTypeTraits& t = RecorderType(type_code);
    if (t.mu_law_subtype && subtype_code == kMuLawSubtype) {
        return 0;
    }
    return t.wave_format;
}

}  // namespace kestrel
