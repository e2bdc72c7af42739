#include "plain_download.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/socket.h"

namespace kestrel::bench {

namespace {

constexpr int kWaitMs = 30000;

void PutBE32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

}  // namespace

bool SameBytes(const std::string& path, const std::vector<uint8_t>& expected) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(size_t{1} << 20);
    size_t at = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const size_t got = static_cast<size_t>(in.gcount());
        if (at + got > expected.size() || std::memcmp(block.data(), expected.data() + at, got)) {
            return false;
        }
        at += got;
    }
    return at == expected.size();
}

std::optional<Work> PlainOnce(const RecorderProcess& recorder, const std::string& name,
                              const std::string& path, const std::vector<uint8_t>& expected) {
    platform::Socket socket = platform::Socket::Tcp();
    if (socket.Connect(recorder.Address(), recorder.CommandPort(), 5000) !=
        platform::ConnectResult::kConnected) {
        return std::nullopt;
    }
    unsigned char block[500] = {};
    PutBE32(block, 1);
    PutBE32(block + 4, 7);
    PutBE32(block + 16, 172);
    PutBE32(block + 20, 1);
    std::memcpy(block + 44, name.data(), std::min<size_t>(name.size(), 127));
    if (!socket.SendAll(block, sizeof block, 5000)) {
        return std::nullopt;
    }
    size_t head = 0;
    while (head < 12) {  // bounded: each wait is at most kWaitMs, the head 12 bytes
        if (socket.WaitReadable(kWaitMs) != platform::WaitResult::kReady) {
            return std::nullopt;
        }
        const long got = socket.Receive(block, 12 - head);
        if (got <= 0) {
            return std::nullopt;
        }
        head += static_cast<size_t>(got);
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return std::nullopt;
    }
    std::vector<unsigned char> buffer(102400);
    uint64_t copied = 0;
    const Stopwatch stopwatch;
    // Bounded: every receive waits at most kWaitMs and the file is finite.
    while (copied < expected.size() &&
           socket.WaitReadable(kWaitMs) == platform::WaitResult::kReady) {
        const long got = socket.Receive(buffer.data(), buffer.size());
        if (got <= 0) {
            break;
        }
        std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out);
        copied += static_cast<uint64_t>(got);
    }
    Work work = stopwatch.Stop(static_cast<double>(copied), copied == expected.size());
    std::fclose(out);
    work.ok = work.ok && SameBytes(path, expected);
    return work;
}

}  // namespace kestrel::bench
