// Configuration of one simulated recorder: where it listens, who it claims
// to be, its users, its network device, its media and the faults it injects.
//
// Threading: plain data. RecorderSim keeps its own copy, unchanged while it
// runs, which every connection thread reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::sim {

struct UserAccount {
    std::string name;      // at most 32 characters
    std::string password;  // at most 32 characters
    int32_t level = 9;     // login result: 9 user, 10 and 11 administrator
    uint32_t rights_a = 0;
    uint32_t rights_b = 0;  // the client's permission bits
};

// A day with recordings on every channel of the simulated recorder.
struct RecordingDay {
    int year = 2011;  // 2000..2255
    int month = 3;
    int day = 5;
    friend bool operator==(const RecordingDay&, const RecordingDay&) = default;
};

// The video standard of the recorder's cameras: it sets the system record's
// TV standard and the frame rates and picture heights of the video records.
enum class TvStandard { kPal, kNtsc };

// What a disk slot reports; the values are the ones the disk record carries.
enum class DiskState : int32_t { kNoDisk = 0, kUnformatted = 1, kNormal = 2, kBad = 3 };

struct DiskSlot {
    DiskState state = DiskState::kNormal;
    uint64_t total_bytes = 0;  // an empty slot reports 0 whatever is set here
    uint64_t free_bytes = 0;   // at most total_bytes
};

// Failure behaviour of the MCTP configuration service, all off by default.
struct MctpFaults {
    // Every call is answered with this Return-Code; the call still runs and
    // its answer keeps its segments.
    std::optional<int32_t> return_code;
    // Every answer carries one segment more than the call's outputs (or only
    // those of misanswer_only).
    bool wrong_segment_count = false;
    // Answers go out one byte per send, with a short pause between bytes.
    bool answer_in_pieces = false;
    // Status 404 for every call, or for calls of this name only.
    bool all_unknown = false;
    std::string unknown_function;
    // Every array get (or only misanswer_only) is answered with this many
    // records (its count segment says so too), whatever it asked for: stored
    // records, repeated as needed.
    std::optional<int32_t> array_records;
    // When set, wrong_segment_count and array_records hit calls of this name
    // only; every other call is answered soundly.
    std::string misanswer_only;
    // Calls of these names are refused with their Return-Code and no segments;
    // they do not run, so a refused set stores nothing. The first entry of a
    // name counts; the faults above leave a refused call's answer alone.
    std::vector<std::pair<std::string, int32_t>> failing_calls;

    bool Misanswers(std::string_view function) const {
        return misanswer_only.empty() || misanswer_only == function;
    }
    const int32_t* FailingCode(std::string_view function) const {
        for (const auto& [name, code] : failing_calls) {
            if (name == function) {
                return &code;
            }
        }
        return nullptr;
    }
};

// Failure behaviour, all off by default. A byte count of 0 is a real value
// (close or stall before the first byte), so absence is std::nullopt.
struct Faults {
    // Binds the port and closes it again: connecting is refused.
    bool refuse_connections = false;
    // Accepts and reads requests but never answers; keeps each connection
    // until the client closes it or the simulator stops.
    bool silent = false;
    // Closes each connection once this many bytes were sent on it (responses
    // and stream bytes alike).
    std::optional<uint64_t> close_after_bytes;
    // Stops sending a live stream after this many stream bytes (counted from
    // the recording header on, not the start response) but keeps the
    // connection open.
    std::optional<uint64_t> stall_live_after_bytes;
    // Standard responses grow to 600 bytes with 600 in their length field.
    bool oversized_responses = false;
    // Every credential check fails with kResultLoginsDisabled (login and live
    // start alike).
    bool refuse_logins = false;
    // The whole-configuration read (command 14) announces this size and then
    // closes the connection without sending any data.
    std::optional<uint32_t> announced_config_size;
    // Talk requests (27, 28) are accepted but never answered: no send
    // answer, no audio back; the send direction's bytes are still counted.
    bool silent_talk = false;
    // The firmware announcement (8) is answered with this result and the
    // upload goes no further.
    std::optional<int32_t> firmware_result;
    // File searches (9) are answered with this result and no records.
    std::optional<int32_t> refuse_search_code;
    // File searches announce an answer of 1048577 bytes, send its 8-byte head
    // and close.
    bool oversized_search_answer = false;
    // A download (7) closes its connection after this many file bytes.
    std::optional<uint64_t> drop_download_after_bytes;
    // Only the first this many downloads since the start break so; none:
    // every download does.
    std::optional<uint32_t> drop_download_count;
    // Downloads (7) are answered with this result and send no file.
    std::optional<int32_t> refuse_download_code;
    MctpFaults mctp;
};

struct RecorderConfig {
    std::string bind_address = "127.0.0.1";
    uint16_t command_port = 0;    // 0: an ephemeral port, see RecorderSim::CommandPort()
    uint16_t mctp_port = 0;       // 0: an ephemeral port, see RecorderSim::MctpPort()
    bool allow_external = false;  // binding outside 127.0.0.0/8 needs this
    uint8_t family = 0x96;
    uint8_t model = 0x13;
    int channel_count = 0;  // 0: the model's own count (4 for unknown models); max 16
    // The device type the device information reports as decimal text; none:
    // family << 8 | model. Only that text changes (and the frame budget the
    // default video records keep to): identification, channel count and
    // recording headers still follow family and model.
    std::optional<uint32_t> device_type;
    // PAL: up to 25 frames per second, 576 lines; NTSC: 30 and 480.
    TvStandard tv_standard = TvStandard::kPal;
    // The disk slots in order, at most 8: by default two normal disks,
    // 500 GiB with 120 GiB free and 1000 GiB with 800 GiB free.
    std::vector<DiskSlot> disks = DefaultDisks();
    std::vector<UserAccount> users = DefaultUsers();
    // The network device the configuration records describe; the device
    // information starts with its name, and the recorder identifier is built
    // from its hardware address.
    std::string netdev_name = "eth0";  // 1..63 characters
    std::array<uint8_t, 6> hardware_address{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    std::string media_folder = DefaultMediaFolder();
    Faults faults;

    bool unpaced_live = false;  // send live streams as fast as the socket takes them
    // After this many frames a live stream goes on with the other stream's
    // clip (main D1, sub CIF) from its first access unit, an IDR with its
    // parameter sets, and loops that clip; time stamps and frame indexes run
    // on. Frame 0 counts, so 0 starts with the other clip. None: no switch.
    std::optional<uint64_t> live_clip_switch_after_frames;
    bool capture_live = false;  // keep the bytes of every live stream (see Observations)
    size_t capture_limit_bytes = size_t{64} << 20;  // over all streams of this simulator
    size_t request_log_limit = 10000;               // request blocks kept
    int max_connections = 64;        // further connections are accepted and closed at once
    int request_timeout_ms = 10000;  // idle or half-received request: close
    // Answers to the format status polls (command 20), in order from each
    // format start; the last one repeats. Empty: 1 at once.
    std::vector<uint32_t> format_status_sequence{8, 8, 1};
    // Firmware announced longer than this is refused before any allocation.
    uint32_t firmware_limit_bytes = uint32_t{64} << 20;
    // Days with recordings (see sim/recordings.h): by default 2011-03-05, the
    // day the configuration was made, the days 2 and 5 days before it in its
    // month, and the 4th, 11th and 25th of the month before.
    std::vector<RecordingDay> recording_days = DefaultRecordingDays();
    int recording_frames = 100;  // video records per recording, 1..100000
    // Adds recordings on channel 1 of each day whose names climb out with
    // "../", are absolute, or fill the 127 characters a download can name.
    bool hostile_file_names = false;
    uint64_t download_rate_limit = 0;  // download bytes per second; 0: as fast as possible

    // admin/admin level 11 with every right, user/user level 9 with
    // recording and replay rights.
    static std::vector<UserAccount> DefaultUsers();
    // The checked-in clips and tone (sim/media of the source tree).
    static std::string DefaultMediaFolder();
    static std::vector<RecordingDay> DefaultRecordingDays();
    static std::vector<DiskSlot> DefaultDisks();
};

// Empty when the configuration can be served, else what is wrong with it.
std::string CheckConfig(const RecorderConfig& config);
// The channel count a recorder with this configuration offers.
int EffectiveChannelCount(const RecorderConfig& config);
// The device type the recorder reports: the override, else family << 8 | model.
uint32_t ReportedDeviceType(const RecorderConfig& config);
// True for a dotted address in 127.0.0.0/8.
bool IsLoopbackAddress(const std::string& dotted);

}  // namespace kestrel::sim
