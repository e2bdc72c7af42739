#include "first_generation_frames.h"

#include <vector>

#include "block_scan.h"

namespace kestrel::media {
namespace {

constexpr uint64_t kDataStart = 512;
constexpr ScanLimits kForwardLimits{4096, 2001};
constexpr ScanLimits kBackwardLimits{512, 8000};
constexpr size_t kChannelScanBlock = 40960;
constexpr int kChannelScanFrames = 50;
constexpr int kChannelScanEmptyReads = 100;
constexpr uint32_t kAllFourChannels = 0x0F;

std::optional<uint8_t> FromBcd(uint8_t byte) {
    const int high = byte >> 4, low = byte & 0x0F;
    if (high > 9 || low > 9) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(high * 10 + low);
}

bool IsMainVideo(std::span<const uint8_t> window) {
    const auto header = ReadFirstGenFrameHeader(window);
    return header && header->kind == FirstGenKind::kMainVideo;
}

std::optional<RecordingTime> TimeAt(RandomAccessInput& input, std::optional<uint64_t> offset) {
    if (!offset) {
        return std::nullopt;
    }
    uint8_t bytes[kFirstGenFrameHeaderSize];
    if (input.ReadAt(*offset, bytes) != sizeof bytes) {
        return std::nullopt;
    }
    const auto header = ReadFirstGenFrameHeader(bytes);
    if (!header) {
        return std::nullopt;
    }
    return header->time;
}

}  // namespace

std::optional<FirstGenFrameHeader> ReadFirstGenFrameHeader(std::span<const uint8_t> data) {
    if (data.size() < kFirstGenFrameHeaderSize || data[0] < 0x30 || data[0] > 0x3F) {
        return std::nullopt;
    }
    FirstGenFrameHeader header;
    if (data[1] == '0' && data[2] == 'd' && data[3] == 'c') {
        header.kind = FirstGenKind::kMainVideo;
    } else if (data[1] == '1' && data[2] == 'd' && data[3] == 'c') {
        header.kind = FirstGenKind::kSubVideo;
    } else if (data[1] == '1' && data[2] == 'w' && data[3] == 'b') {
        header.kind = FirstGenKind::kAudio;
    } else {
        return std::nullopt;
    }
    uint8_t fields[6];
    for (size_t i = 0; i < 6; ++i) {
        const auto value = FromBcd(data[kFirstGenTimeOffset + i]);
        if (!value) {
            return std::nullopt;
        }
        fields[i] = *value;
    }
    header.channel_digit = data[0];
    header.length = uint32_t{data[4]} | uint32_t{data[5]} << 8 | uint32_t{data[6]} << 16;
    header.time = RecordingTime{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    return header;
}

std::optional<RecordingTime> FirstGenFirstMainTime(RandomAccessInput& input) {
    return TimeAt(input, ScanForward(input, kDataStart, kFirstGenFrameHeaderSize, kForwardLimits,
                                     IsMainVideo));
}

std::optional<RecordingTime> FirstGenLastMainTime(RandomAccessInput& input) {
    const auto offset =
        ScanBackward(input, input.Size(), kFirstGenFrameHeaderSize, kBackwardLimits, IsMainVideo);
    if (offset && *offset < kDataStart) {
        return std::nullopt;  // inside the file header
    }
    return TimeAt(input, offset);
}

uint32_t FirstGenScanChannelMask(RandomAccessInput& input) {
    std::vector<uint8_t> block(kChannelScanBlock);
    uint32_t mask = 0;
    int frames = 0;
    int empty_reads = 0;
    uint64_t position = kDataStart;
    while (frames < kChannelScanFrames && empty_reads < kChannelScanEmptyReads &&
           mask != kAllFourChannels) {
        const size_t got = input.ReadAt(position, block);
        if (got < kFirstGenFrameHeaderSize) {
            break;
        }
        const std::span<const uint8_t> data(block.data(), got);
        // Records found in this block; a record that runs past it moves the
        // next read to its end, so its payload is not searched for tags.
        uint64_t next = position + got - (kFirstGenFrameHeaderSize - 1);
        bool found = false;
        size_t at = 0;
        while (at + kFirstGenFrameHeaderSize <= got && frames < kChannelScanFrames &&
               mask != kAllFourChannels) {
            const auto header = ReadFirstGenFrameHeader(data.subspan(at));
            if (!header) {
                ++at;
                continue;
            }
            found = true;
            ++frames;
            mask |= uint32_t{1} << (header->Channel() % 4);
            const uint64_t end = at + header->RecordLength();
            if (end + kFirstGenFrameHeaderSize > got) {
                next = position + end;
                break;
            }
            at = static_cast<size_t>(end);
        }
        if (!found) {
            ++empty_reads;
        }
        position = next;
    }
    return mask;
}

}  // namespace kestrel::media
