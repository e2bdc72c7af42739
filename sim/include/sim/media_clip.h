// An H.264 Annex B clip cut into access units at its access unit delimiters
// (NAL type 9), as the simulator sends them: one access unit per video record.
//
// Threading: a loaded clip is never changed, so any number of threads may
// read it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::sim {

// Clips bigger than this are refused: the simulator keeps them in memory.
constexpr size_t kMaxClipBytes = size_t{32} << 20;

struct ByteRange {
    size_t offset = 0;
    size_t length = 0;
};

// Each range starts at the start code of an access unit delimiter (with the
// leading zero byte of a four-byte start code) and ends where the next one
// starts; the last runs to the end. Bytes before the first delimiter belong
// to the first range, so the ranges cover the input exactly. Empty when the
// input holds no delimiter.
std::vector<ByteRange> SplitAtAccessUnitDelimiters(std::span<const uint8_t> annex_b);

class MediaClip {
public:
    // Reads and splits a file; nullopt (with *error) when it cannot be read,
    // is empty or too big, or holds no access unit delimiter.
    static std::optional<MediaClip> Load(const std::string& path, std::string* error);
    static std::optional<MediaClip> FromBytes(std::vector<uint8_t> annex_b, std::string* error);

    size_t AccessUnitCount() const { return units_.size(); }
    std::span<const uint8_t> AccessUnit(size_t index) const;  // index < AccessUnitCount()
    std::span<const uint8_t> Bytes() const { return bytes_; }

private:
    MediaClip(std::vector<uint8_t> bytes, std::vector<ByteRange> units)
        : bytes_(std::move(bytes)), units_(std::move(units)) {}
    std::vector<uint8_t> bytes_;
    std::vector<ByteRange> units_;
};

// Whole file, at most max_bytes; nullopt when missing, unreadable or larger.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t max_bytes);

}  // namespace kestrel::sim
