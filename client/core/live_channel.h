// The state of one live channel of a device object: its decoder, the first
// 512 bytes of its stream, its local recording and its reconnect worker.
//
// Threading: the GUI thread starts and stops the channel; the protocol
// library's receiver thread delivers its data; the reconnect worker restarts
// it. decodeLock guards decoder and the stream header, recordLock guards
// the recording; where both are needed (the header handed to a new
// recording) recordLock comes first. Flags read across threads are atomic.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "kestrel_media.h"
#include "reconnect_worker.h"
#include "record_file_writer.h"

namespace kestrel::client {

// Size of the recording header that starts every channel stream.
constexpr size_t kStreamHeaderSize = 512;

// Collects the first 512 bytes of a stream from blocks of any split.
class StreamHeader {
public:
    // Copies as many of data's first bytes as the header still lacks and
    // returns how many it took (0 once the header is full).
    size_t Absorb(const uint8_t* data, size_t length);
    bool Full() const { return fill_ == kStreamHeaderSize; }
    size_t Fill() const { return fill_; }
    const uint8_t* Bytes() const { return bytes_; }
    // Starts collecting again (a new stream after a break).
    void Reset() { fill_ = 0; }

private:
    uint8_t bytes_[kStreamHeaderSize] = {};
    size_t fill_ = 0;
};

struct LiveChannel {
    // The picture window the channel was last started in; borrowed.
    KmVideoWindow* drawWindow = nullptr;

    std::mutex decodeLock;
    QW_DECODER_HANDLE decoder = nullptr;  // guarded by decodeLock
    StreamHeader streamHeader;            // guarded by decodeLock

    std::atomic<int32_t> liveStarted{0};  // a live request runs or is reconnected
    std::atomic<int32_t> stopReconnect{0};
    std::atomic<int32_t> soundOn{0};
    std::atomic<int32_t> recording{0};
    // The channel's stream reaches its decoder (the user's preview right).
    std::atomic<uint8_t> displayEnabled{1};

    std::mutex recordLock;
    std::unique_ptr<RecordFileWriter> recorder;  // guarded by recordLock
    bool headerWritten = false;                  // guarded by recordLock
    // The recording's folder, for the free-space guard: the settings page may
    // change the context's record root meanwhile.
    std::string recordFolder;    // guarded by recordLock
    std::string recordFileName;  // GUI thread

    ReconnectWorker reconnect;
};

}  // namespace kestrel::client
