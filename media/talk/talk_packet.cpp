#include "talk_packet.h"

#include <algorithm>

namespace kestrel::media {

size_t BuildTalkPacket(std::span<const uint8_t> frame, std::span<uint8_t> out) {
    const size_t n = frame.size();
    if (n == 0 || n > kTalkMaxFrameBytes || out.size() < TalkPacketSize(n)) {
        return 0;
    }
    const size_t size = TalkPacketSize(n);
    out[0] = '0';
    out[1] = '3';
    out[2] = 'w';
    out[3] = 'b';
    // Block size and payload length: the packet carries exactly one block.
    for (size_t at : {size_t{4}, size_t{6}}) {
        out[at] = static_cast<uint8_t>(n & 0xFF);
        out[at + 1] = static_cast<uint8_t>(n >> 8);
    }
    std::copy(frame.begin(), frame.end(), out.begin() + kTalkPacketHeaderBytes);
    std::fill(out.begin() + static_cast<ptrdiff_t>(kTalkPacketHeaderBytes + n),
              out.begin() + static_cast<ptrdiff_t>(size), uint8_t{0});
    return size;
}

}  // namespace kestrel::media
