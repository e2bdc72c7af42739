#include "sim/frame_records.h"

#include <algorithm>

#include "byte_order.h"

namespace kestrel::sim {
namespace {

constexpr size_t kVideoPayloadLength = 8;
constexpr size_t kVideoExtensionLength = 12;
constexpr size_t kVideoTimeStamp = 16;
constexpr size_t kAudioBlockSize = 4;
constexpr size_t kAudioPayloadLength = 6;
constexpr size_t kMaxAudioSamples = 510;  // the frame header counts 16-bit words in one byte

void PutTime(std::span<uint8_t> header, size_t at, const HeaderTime& time) {
    const int fields[] = {time.year - 2000, time.month,  time.day,
                          time.hour,        time.minute, time.second};
    for (int field : fields) {
        header[at++] = static_cast<uint8_t>(std::clamp(field, 0, 255));
    }
}

uint8_t StreamDigit(int channel) {
    return static_cast<uint8_t>('0' + std::clamp(channel, 0, 16));
}

void PadToAlignment(std::vector<uint8_t>& out, size_t record_start) {
    out.resize(record_start + PaddedRecordSize(out.size() - record_start), 0);
}

}  // namespace

std::array<uint8_t, kRecordingHeaderSize> BuildRecordingHeader(const RecordingHeaderInfo& info) {
    std::array<uint8_t, kRecordingHeaderSize> header{};
    PutTime(header, kHeaderStartTime, info.start);
    PutTime(header, kHeaderEndTime, info.end);
    header[kHeaderVideoStandard] = info.pal ? 1 : 0;
    PutLE16(header, kHeaderModelNumber, info.model_number);
    const size_t code_length = std::min(info.model_code.size(), size_t{12});
    std::copy_n(info.model_code.begin(), code_length, header.begin() + kHeaderModelCode);
    const size_t channels = std::min(info.channels.size(), kHeaderChannelRecordCount);
    for (size_t i = 0; i < channels; ++i) {
        const size_t record = kHeaderChannelRecords + i * kHeaderChannelRecordSize;
        header[record] = static_cast<uint8_t>(info.channels[i].channel + 1);
        header[record + 1] = static_cast<uint8_t>(info.channels[i].frames_per_second & 0x1F);
    }
    return header;
}

size_t AppendVideoRecord(std::vector<uint8_t>& out, const VideoFrame& frame) {
    const size_t start = out.size();
    out.resize(start + kVideoHeaderSize, 0);
    std::span<uint8_t> header(out.data() + start, kVideoHeaderSize);
    header[0] = StreamDigit(frame.channel);
    header[1] = frame.sub_stream == 1 ? '1' : '0';
    header[2] = 'd';
    header[3] = 'c';
    std::copy_n("H264", 4, header.begin() + 4);
    PutLE32(header, kVideoPayloadLength, static_cast<uint32_t>(frame.payload.size()));
    PutLE16(header, kVideoExtensionLength, static_cast<uint16_t>(frame.extension.size()));
    PutLE64(header, kVideoTimeStamp, frame.pts_us);
    out.insert(out.end(), frame.extension.begin(), frame.extension.end());
    out.insert(out.end(), frame.payload.begin(), frame.payload.end());
    PadToAlignment(out, start);
    return out.size() - start;
}

size_t AppendMuLawAudioRecord(std::vector<uint8_t>& out, int channel,
                              std::span<const uint8_t> samples) {
    samples = samples.first(std::min(samples.size(), kMaxAudioSamples) & ~size_t{1});
    const size_t block = kAudioFrameHeaderSize + samples.size();
    const size_t start = out.size();
    out.resize(start + kAudioHeaderSize + kAudioFrameHeaderSize, 0);
    std::span<uint8_t> header(out.data() + start, kAudioHeaderSize + kAudioFrameHeaderSize);
    header[0] = StreamDigit(channel);
    header[1] = kAudioCodecDigit;
    header[2] = 'w';
    header[3] = 'b';
    PutLE16(header, kAudioBlockSize, static_cast<uint16_t>(block));
    PutLE16(header, kAudioPayloadLength, static_cast<uint16_t>(block));
    // Frame header: 00 01, payload length in 16-bit words, 00.
    header[kAudioHeaderSize + 1] = 0x01;
    header[kAudioHeaderSize + 2] = static_cast<uint8_t>(samples.size() / 2);
    out.insert(out.end(), samples.begin(), samples.end());
    PadToAlignment(out, start);
    return out.size() - start;
}

}  // namespace kestrel::sim
