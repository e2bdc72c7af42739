// The binary command protocol's request block: a 20-byte header (marker,
// command, sequence number, reserved, request length) and the command body,
// always sent as exactly 500 bytes. The header mixes big-endian fields with
// a sequence number in host order; bodies are little-endian unless a command
// says otherwise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrel::net {

constexpr size_t kRequestBlockBytes = 500;
constexpr size_t kCommandHeaderBytes = 20;
constexpr size_t kStandardResponseHeader = 8;  // total length, result

// Command codes of the binary protocol.
enum Command : uint8_t {
    kCmdLiveStart = 3,
    kCmdDownload = 7,
    kCmdFirmwareAnnounce = 8,
    kCmdSearchFiles = 9,
    kCmdIdentify = 10,
    kCmdReadConfig = 14,
    kCmdWriteConfig = 15,
    kCmdCalendar = 17,
    kCmdShutDown = 18,
    kCmdFormat = 20,
    kCmdPtz = 24,
    kCmdLogin = 25,
    kCmdStreamSound = 26,
    kCmdTalkReceive = 27,
    kCmdTalkSend = 28,
};

// The process-wide sequence counter: returns the current value and moves on;
// after 10000 it starts again at 0.
uint32_t NextSequenceNumber();

class RequestBlock {
public:
    // A zeroed block with the header of command and the given request length
    // (20 + meaningful body bytes); takes the next sequence number.
    RequestBlock(uint8_t command, uint32_t request_length);

    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    static constexpr size_t size() { return kRequestBlockBytes; }

    void PutBE32(size_t offset, uint32_t value);
    void PutLE32(size_t offset, uint32_t value);
    // NUL-padded text field; a text of field_size characters fills it with no NUL.
    void PutText(size_t offset, size_t field_size, const char* text);
    uint32_t GetLE32(size_t offset) const;
    void Fill(uint8_t value) { bytes_.fill(value); }

private:
    std::array<uint8_t, kRequestBlockBytes> bytes_{};
};

uint32_t ReadLE32(const uint8_t* p);
uint32_t ReadBE32(const uint8_t* p);
void WriteLE32(uint8_t* p, uint32_t value);
void WriteBE32(uint8_t* p, uint32_t value);

}  // namespace kestrel::net
