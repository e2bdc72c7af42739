#include "ffmpeg_peer.h"

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
