#include "sim/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <utility>

#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

// Decimal, or hexadecimal with 0x; the whole text must be the number.
template <typename Int>
bool ParseNumber(const std::string& text, Int min, Int max, Int* out) {
    int base = 10;
    size_t skip = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        skip = 2;
    }
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [after, error] = std::from_chars(text.data() + skip, end, value, base);
    if (error != std::errc() || after != end || skip == text.size() || std::cmp_less(value, min) ||
        std::cmp_greater(value, max)) {
        return false;
    }
    *out = static_cast<Int>(value);
    return true;
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

// name:password:level[:rights_a:rights_b]
bool ParseUser(const std::string& text, UserAccount* user) {
    const std::vector<std::string> parts = SplitAt(text, ':');
    if (parts.size() != 3 && parts.size() != 5) {
        return false;
    }
    user->name = parts[0];
    user->password = parts[1];
    if (!ParseNumber<int32_t>(parts[2], std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), &user->level)) {
        return false;
    }
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    return parts.size() == 3 || (ParseNumber<uint32_t>(parts[3], 0, kMax, &user->rights_a) &&
                                 ParseNumber<uint32_t>(parts[4], 0, kMax, &user->rights_b));
}

// Six hexadecimal bytes separated by colons.
bool ParseHardwareAddress(const std::string& text, std::array<uint8_t, 6>* address) {
    const std::vector<std::string> parts = SplitAt(text, ':');
    if (parts.size() != address->size()) {
        return false;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty() || parts[i].size() > 2 ||
            !ParseNumber<uint8_t>("0x" + parts[i], 0, 255, &(*address)[i])) {
            return false;
        }
    }
    return true;
}

// STATE:TOTAL_GIB:FREE_GIB, STATE one of none, bad, unformatted, normal.
bool ParseDisk(const std::string& text, DiskSlot* disk) {
    static constexpr std::pair<const char*, DiskState> kStates[] = {
        {"none", DiskState::kNoDisk},
        {"bad", DiskState::kBad},
        {"unformatted", DiskState::kUnformatted},
        {"normal", DiskState::kNormal}};
    constexpr uint64_t kMaxGiB = uint64_t{1} << 20;
    const std::vector<std::string> parts = SplitAt(text, ':');
    if (parts.size() != 3) {
        return false;
    }
    const auto state = std::find_if(std::begin(kStates), std::end(kStates),
                                    [&](const auto& entry) { return parts[0] == entry.first; });
    uint64_t total_gib = 0;
    uint64_t free_gib = 0;
    if (state == std::end(kStates) || !ParseNumber<uint64_t>(parts[1], 0, kMaxGiB, &total_gib) ||
        !ParseNumber<uint64_t>(parts[2], 0, total_gib, &free_gib)) {
        return false;
    }
    disk->state = state->second;
    disk->total_bytes = total_gib << 30;
    disk->free_bytes = free_gib << 30;
    return true;
}

// FUNCTION[:CODE]
bool ParseFailingCall(const std::string& value, MctpFaults* faults) {
    const size_t colon = value.find(':');
    const std::string function = value.substr(0, colon);
    uint32_t code = static_cast<uint32_t>(kMctpRefusedByFault);
    if (function.empty() || (colon != std::string::npos &&
                             !ParseNumber<uint32_t>(value.substr(colon + 1), 0,
                                                    std::numeric_limits<uint32_t>::max(), &code))) {
        return false;
    }
    faults->failing_calls.emplace_back(function, static_cast<int32_t>(code));
    return true;
}

bool ParseMctpFault(const std::string& name, const std::string& value, MctpFaults* faults) {
    if (name == "mctp-fail") {
        return ParseFailingCall(value, faults);
    }
    if (name == "mctp-only" && !value.empty()) {
        faults->misanswer_only = value;
    } else if (name == "mctp-code") {
        uint32_t code = 0;
        if (!ParseNumber<uint32_t>(value, 0, std::numeric_limits<uint32_t>::max(), &code)) {
            return false;
        }
        faults->return_code = static_cast<int32_t>(code);
    } else if (name == "mctp-segments" && value.empty()) {
        faults->wrong_segment_count = true;
    } else if (name == "mctp-pieces" && value.empty()) {
        faults->answer_in_pieces = true;
    } else if (name == "mctp-unknown") {
        faults->all_unknown = value.empty();
        faults->unknown_function = value;
    } else if (name == "mctp-records") {
        int32_t records = 0;
        if (!ParseNumber<int32_t>(value, 0, 1024, &records)) {
            return false;
        }
        faults->array_records = records;
    } else {
        return false;
    }
    return true;
}

bool ParseFault(const std::string& text, Faults* faults) {
    const size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : text.substr(equals + 1);
    constexpr uint64_t kMaxBytes = std::numeric_limits<uint32_t>::max();
    uint64_t bytes = 0;
    if (name == "refuse" && value.empty()) {
        faults->refuse_connections = true;
    } else if (name == "silent" && value.empty()) {
        faults->silent = true;
    } else if (name == "oversized" && value.empty()) {
        faults->oversized_responses = true;
    } else if (name == "refuse-logins" && value.empty()) {
        faults->refuse_logins = true;
    } else if (name == "close-after" && ParseNumber<uint64_t>(value, 0, kMaxBytes, &bytes)) {
        faults->close_after_bytes = bytes;
    } else if (name == "stall-after" && ParseNumber<uint64_t>(value, 0, kMaxBytes, &bytes)) {
        faults->stall_live_after_bytes = bytes;
    } else if (name == "config-size" && ParseNumber<uint64_t>(value, 0, kMaxBytes, &bytes)) {
        faults->announced_config_size = static_cast<uint32_t>(bytes);
    } else if (name == "drop-download" && ParseNumber<uint64_t>(value, 0, kMaxBytes, &bytes)) {
        faults->drop_download_after_bytes = bytes;
    } else if (name == "drop-downloads" && ParseNumber<uint64_t>(value, 1, kMaxBytes, &bytes)) {
        faults->drop_download_count = static_cast<uint32_t>(bytes);
    } else if (name == "refuse-download" && ParseNumber<uint64_t>(value, 0, kMaxBytes, &bytes)) {
        faults->refuse_download_code = static_cast<int32_t>(static_cast<uint32_t>(bytes));
    } else {
        return ParseMctpFault(name, value, &faults->mctp);
    }
    return true;
}

}  // namespace

std::string CommandLineUsage() {
    return "usage: kestrel-dvrsim [options]\n"
           "  --address IP          listen address, 127.0.0.0/8 only unless --allow-external\n"
           "                        (default 127.0.0.1; 'localhost' means 127.0.0.1)\n"
           "  --port N              command port (default 0: any free port)\n"
           "  --mctp-port N         MCTP configuration port (default 0: any free port)\n"
           "  --discovery-port N    answer discovery broadcasts to 127.255.255.255:N\n"
           "  --uid-port N          answer identifier lookups on this TCP port\n"
           "  --family N --model N  identity bytes, decimal or 0x.. (default 0x96, 0x13)\n"
           "  --channels N          channel count 1..16 (default: the model's)\n"
           "  --device-type N       device type the device information reports (default:\n"
           "                        family << 8 | model, 38419)\n"
           "  --tv-standard pal|ntsc\n"
           "                        video standard: 25 or 30 frames per second (default pal)\n"
           "  --disk STATE:TOTAL_GIB:FREE_GIB\n"
           "                        a disk slot, STATE none | bad | unformatted | normal;\n"
           "                        repeatable, up to 8; the first --disk replaces the\n"
           "                        default normal:500:120 and normal:1000:800\n"
           "  --user NAME:PASSWORD:LEVEL[:RIGHTS_A:RIGHTS_B]\n"
           "                        a login; the first --user replaces the default users\n"
           "                        admin:admin:11 and user:user:9\n"
           "  --netdev NAME         network device name (default eth0)\n"
           "  --hardware-address XX:XX:XX:XX:XX:XX\n"
           "                        the network device's address (default 00:1A:2B:3C:4D:5E)\n"
           "  --media DIR           folder with clip_d1.h264, clip_cif.h264 and tone.ul\n"
           "  --fault F             refuse | silent | oversized | refuse-logins |\n"
           "                        close-after=BYTES | stall-after=BYTES | config-size=BYTES |\n"
           "                        mctp-code=N | mctp-segments | mctp-pieces |\n"
           "                        mctp-unknown[=FUNCTION] | mctp-records=N |\n"
           "                        mctp-only=FUNCTION (mctp-segments and mctp-records hit\n"
           "                        only FUNCTION) |\n"
           "                        mctp-fail=FUNCTION[:CODE] (FUNCTION answers CODE, default\n"
           "                        0x8F000006, and stores nothing; repeatable) |\n"
           "                        drop-download=BYTES (downloads break after BYTES) |\n"
           "                        drop-downloads=N (only the first N break) |\n"
           "                        refuse-download=CODE (e.g. 0x80F00003) (repeatable)\n"
           "  --recording-frames N  video frames per recording, 1..100000 (default 100;\n"
           "                        4500 make three minutes)\n"
           "  --download-rate N     download bytes per second (default 0: unlimited)\n"
           "  --unpaced             send live streams as fast as possible\n"
           "  --switch-clip-after N live streams change to the other stream's clip (main\n"
           "                        D1, sub CIF) after N frames, from its first IDR, and\n"
           "                        loop that clip (default: no switch)\n"
           "  --flash-fleet N       instead of the recorder, the firmware-upgrade services of\n"
           "                        N recorders (1..200) on 127.0.0.2 onwards: search on\n"
           "                        127.255.255.255 at KESTREL_FLASH_UDP_PORT (default 8200),\n"
           "                        uploads at KESTREL_FLASH_TCP_PORT (default 8100). Recorder\n"
           "                        n (from 1) has 8 segments when n%4 == 0, else 5; runs\n"
           "                        T091128 everywhere when n%5 == 0, else V100000; is busy\n"
           "                        when n%6 == 0. One line per recorder on stdout\n"
           "  --flash-chunk-delay MS\n"
           "                        pause before each uploaded chunk's reply (default 0)\n"
           "  --duration SECONDS    stop after this long (default: until SIGINT/SIGTERM)\n"
           "  --allow-external      permit a listen address outside 127.0.0.0/8\n"
           "  --help\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error) {
    RecorderConfig& config = out->config;
    bool users_given = false;
    bool disks_given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            out->show_help = true;
            continue;
        }
        if (option == "--allow-external") {
            config.allow_external = true;
            continue;
        }
        if (option == "--unpaced") {
            config.unpaced_live = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = "unknown option or missing value: " + option;
            return false;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (option == "--address") {
            config.bind_address = value == "localhost" ? "127.0.0.1" : value;
        } else if (option == "--port") {
            ok = ParseNumber<uint16_t>(value, 0, 65535, &config.command_port);
        } else if (option == "--discovery-port") {
            uint16_t port = 0;
            ok = ParseNumber<uint16_t>(value, 0, 65535, &port);
            out->discovery_port = port;
        } else if (option == "--uid-port") {
            uint16_t port = 0;
            ok = ParseNumber<uint16_t>(value, 0, 65535, &port);
            out->uid_port = port;
        } else if (option == "--mctp-port") {
            ok = ParseNumber<uint16_t>(value, 0, 65535, &config.mctp_port);
        } else if (option == "--netdev") {
            config.netdev_name = value;
        } else if (option == "--hardware-address") {
            ok = ParseHardwareAddress(value, &config.hardware_address);
        } else if (option == "--family") {
            ok = ParseNumber<uint8_t>(value, 0, 255, &config.family);
        } else if (option == "--model") {
            ok = ParseNumber<uint8_t>(value, 0, 255, &config.model);
        } else if (option == "--channels") {
            ok = ParseNumber<int>(value, 1, 16, &config.channel_count);
        } else if (option == "--device-type") {
            uint32_t type = 0;
            ok = ParseNumber<uint32_t>(value, 0, std::numeric_limits<uint32_t>::max(), &type);
            config.device_type = type;
        } else if (option == "--tv-standard") {
            ok = value == "pal" || value == "ntsc";
            config.tv_standard = value == "ntsc" ? TvStandard::kNtsc : TvStandard::kPal;
        } else if (option == "--disk") {
            if (!disks_given) {
                config.disks.clear();
                disks_given = true;
            }
            ok = ParseDisk(value, &config.disks.emplace_back());
        } else if (option == "--user") {
            if (!users_given) {
                config.users.clear();
                users_given = true;
            }
            ok = ParseUser(value, &config.users.emplace_back());
        } else if (option == "--media") {
            config.media_folder = value;
        } else if (option == "--fault") {
            ok = ParseFault(value, &config.faults);
        } else if (option == "--switch-clip-after") {
            uint64_t frames = 0;
            ok = ParseNumber<uint64_t>(value, 0, std::numeric_limits<int64_t>::max(), &frames);
            if (ok) {
                config.live_clip_switch_after_frames = frames;
            }
        } else if (option == "--recording-frames") {
            ok = ParseNumber<int>(value, 1, 100000, &config.recording_frames);
        } else if (option == "--download-rate") {
            ok = ParseNumber<uint64_t>(value, 0, std::numeric_limits<uint32_t>::max(),
                                       &config.download_rate_limit);
        } else if (option == "--flash-fleet") {
            int size = 0;
            ok = ParseNumber<int>(value, 1, 200, &size);
            out->flash_fleet = size;
        } else if (option == "--flash-chunk-delay") {
            ok = ParseNumber<int>(value, 0, 60000, &out->flash_chunk_delay_ms);
        } else if (option == "--duration") {
            int seconds = 0;
            ok = ParseNumber<int>(value, 0, 1000000, &seconds);
            out->duration_seconds = seconds;
        } else {
            *error = "unknown option: " + option;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + option + ": " + value;
            return false;
        }
    }
    if (out->flash_fleet && (out->discovery_port || out->uid_port)) {
        // Those serve the recorder, which a fleet does not start.
        *error = "--flash-fleet runs without --discovery-port and --uid-port";
        return false;
    }
    return true;
}

bool ReadFlashPorts(uint16_t* udp_port, uint16_t* tcp_port, std::string* error) {
    const struct {
        const char* name;
        uint16_t fallback;
        uint16_t* port;
    } settings[] = {{"KESTREL_FLASH_UDP_PORT", 8200, udp_port},
                    {"KESTREL_FLASH_TCP_PORT", 8100, tcp_port}};
    for (const auto& setting : settings) {
        const char* text = std::getenv(setting.name);
        *setting.port = setting.fallback;
        if (text != nullptr && *text != '\0' &&
            !ParseNumber<uint16_t>(text, 0, 65535, setting.port)) {
            *error = std::string("bad ") + setting.name + ": " + text;
            return false;
        }
    }
    return true;
}

}  // namespace kestrel::sim
