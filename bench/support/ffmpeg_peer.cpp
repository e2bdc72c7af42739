#include "ffmpeg_peer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>

namespace kestrel::bench {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    for (const char c : path.string()) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::optional<PeerFigures> RunFfmpeg(const std::string& arguments,
                                     const std::filesystem::path& log) {
    const std::string command =
        "ffmpeg -hide_banner -nostdin -benchmark " + arguments + " 2> " + Quoted(log);
    const int status = std::system(command.c_str());
    const std::string text = ReadText(log);
    std::smatch bench;
    static const std::regex kBench(R"(bench: utime=([0-9.]+)s stime=([0-9.]+)s rtime=([0-9.]+)s)");
    if (status != 0 || !std::regex_search(text, bench, kBench)) {
        return std::nullopt;
    }
    PeerFigures figures;
    figures.cpu_seconds = std::stod(bench[1]) + std::stod(bench[2]);
    figures.wall_seconds = std::stod(bench[3]);
    static const std::regex kFrame(R"(frame=\s*([0-9]+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kFrame);
         it != std::sregex_iterator(); ++it) {
        figures.frames = std::stoi((*it)[1]);
    }
    return figures;
}

Repetition FfmpegRepetition(std::string arguments, std::filesystem::path log, double amount,
                            int frames) {
    return [arguments = std::move(arguments), log = std::move(log), amount,
            frames]() -> std::optional<Work> {
        const std::optional<PeerFigures> peer = RunFfmpeg(arguments, log);
        if (!peer) {
            return std::nullopt;
        }
        Work work;
        work.wall_seconds = peer->wall_seconds;
        work.cpu_seconds = peer->cpu_seconds;
        work.amount = amount;
        work.ok = peer->frames == frames;
        return work;
    };
}

long ProbePackets(const std::filesystem::path& file, const std::string& stream) {
    const std::string command = "ffprobe -v error -count_packets -select_streams " + stream +
                                " -show_entries stream=nb_read_packets -of csv=p=0 " +
                                Quoted(file) + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = pclose(pipe);
    char* end = nullptr;
    const long packets = read ? std::strtol(line, &end, 10) : -1;
    return status == 0 && read && end != line ? packets : -1;
}

bool WriteAccessUnits(const std::filesystem::path& path, const sim::MediaClip& clip, int frames) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int frame = 0; frame < frames; ++frame) {
        const auto unit = clip.AccessUnit(static_cast<size_t>(frame) % clip.AccessUnitCount());
        out.write(reinterpret_cast<const char*>(unit.data()),
                  static_cast<std::streamsize>(unit.size()));
    }
    return static_cast<bool>(out);
}

}  // namespace kestrel::bench
