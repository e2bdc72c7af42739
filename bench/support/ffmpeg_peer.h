// The ffmpeg peer that benchmarks measure themselves against, run in the same
// process run on the same input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "paired_rounds.h"
#include "sim/media_clip.h"

namespace kestrel::bench {

struct PeerFigures {
    double wall_seconds = 0;
    double cpu_seconds = 0;  // user + system, as our side counts process CPU
    int frames = 0;          // the last progress line's frame count
};

// Runs "ffmpeg -hide_banner -nostdin -benchmark <arguments>" with its report
// in log; nullopt when it failed or printed no benchmark line.
std::optional<PeerFigures> RunFfmpeg(const std::string& arguments,
                                     const std::filesystem::path& log);

// One repetition of a paired comparison: ffmpeg with `arguments`, its wall and
// CPU time from its own report (start-up excluded, as for our side), credited
// with `amount`; its work is correct when it reported `frames` frames.
Repetition FfmpegRepetition(std::string arguments, std::filesystem::path log, double amount,
                            int frames);

// The packets ffprobe counts in one stream ("v:0", "a:0") of a file; -1 when it
// could not read the file.
long ProbePackets(const std::filesystem::path& file, const std::string& stream);

// The path quoted for the shell command line of RunFfmpeg.
std::string Quoted(const std::filesystem::path& path);

// Writes the clip's access units, looping, `frames` of them; false on error.
bool WriteAccessUnits(const std::filesystem::path& path, const sim::MediaClip& clip, int frames);

}  // namespace kestrel::bench
