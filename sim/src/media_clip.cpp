#include "sim/media_clip.h"

#include <fstream>
#include <iterator>

namespace kestrel::sim {
namespace {

constexpr uint8_t kNalTypeMask = 0x1F;
constexpr uint8_t kAccessUnitDelimiter = 9;

}  // namespace

std::vector<ByteRange> SplitAtAccessUnitDelimiters(std::span<const uint8_t> annex_b) {
    std::vector<size_t> starts;
    for (size_t i = 0; i + 3 < annex_b.size(); ++i) {
        if (annex_b[i] != 0 || annex_b[i + 1] != 0 || annex_b[i + 2] != 1) {
            continue;
        }
        if ((annex_b[i + 3] & kNalTypeMask) == kAccessUnitDelimiter) {
            // A four-byte start code's zero byte belongs to the unit it opens.
            starts.push_back(i > 0 && annex_b[i - 1] == 0 ? i - 1 : i);
        }
        i += 2;
    }
    std::vector<ByteRange> units;
    if (starts.empty()) {
        return units;
    }
    starts.front() = 0;  // leading bytes go with the first unit
    for (size_t n = 0; n < starts.size(); ++n) {
        const size_t end = n + 1 < starts.size() ? starts[n + 1] : annex_b.size();
        units.push_back(ByteRange{starts[n], end - starts[n]});
    }
    return units;
}

std::optional<MediaClip> MediaClip::Load(const std::string& path, std::string* error) {
    auto bytes = ReadFileBytes(path, kMaxClipBytes);
    if (!bytes) {
        *error = "cannot read clip " + path;
        return std::nullopt;
    }
    auto clip = FromBytes(std::move(*bytes), error);
    if (!clip) {
        *error += ": " + path;
    }
    return clip;
}

std::optional<MediaClip> MediaClip::FromBytes(std::vector<uint8_t> annex_b, std::string* error) {
    if (annex_b.size() > kMaxClipBytes) {
        *error = "clip too big";
        return std::nullopt;
    }
    std::vector<ByteRange> units = SplitAtAccessUnitDelimiters(annex_b);
    if (units.empty()) {
        *error = "clip has no access unit delimiters";
        return std::nullopt;
    }
    return MediaClip(std::move(annex_b), std::move(units));
}

std::span<const uint8_t> MediaClip::AccessUnit(size_t index) const {
    const ByteRange& unit = units_.at(index);
    return std::span<const uint8_t>(bytes_).subspan(unit.offset, unit.length);
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t max_bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        const size_t got = static_cast<size_t>(in.gcount());
        if (bytes.size() + got > max_bytes) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), piece, piece + got);
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace kestrel::sim
