// The ffmpeg peer that benchmarks measure themselves against, run in the same
// process run on the same input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

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

// The path quoted for the shell command line of RunFfmpeg.
std::string Quoted(const std::filesystem::path& path);

// Writes the clip's access units, looping, `frames` of them; false on error.
bool WriteAccessUnits(const std::filesystem::path& path, const sim::MediaClip& clip, int frames);

}  // namespace kestrel::bench
