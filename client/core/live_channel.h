// The state of one live channel of a device object: its decoder, the first
// 512 bytes of its stream, its local recording and the worker that connects
// its stream.
//
// Threading: the GUI thread starts and stops the channel; the protocol
// library's receiver thread delivers its data; the channel's stream worker
// connects and restarts its stream. decodeLock guards decoder and the stream
// header, recordLock the recording, streamLock who starts and stops the
// stream. Locks nest only in this order: recordLock, decodeLock, streamLock.
// Flags read across threads are atomic.
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

// What a start asks the recorder for; the restarts after a break ask the same.
struct StreamRequest {
    int32_t streamNumber = 1;  // main stream 1, sub stream 0
    std::string user;
    std::string password;
};

struct LiveChannel {
    // The picture window the channel was last started in; borrowed.
    KmVideoWindow* drawWindow = nullptr;

    std::mutex decodeLock;
    QW_DECODER_HANDLE decoder = nullptr;  // guarded by decodeLock
    StreamHeader streamHeader;            // guarded by decodeLock

    std::atomic<int32_t> liveStarted{0};  // a live request runs or is reconnected
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

    // Every start and stop begins a new generation; the worker's rounds act
    // only for the generation they were made for, so a connect that ends
    // after a stop is closed again instead of being attached.
    std::mutex streamLock;
    uint32_t generation = 0;  // guarded by streamLock
    // The generation whose stream the worker started (0: none).
    uint32_t streamGeneration = 0;  // guarded by streamLock
    // The worker is inside a start or stop call of the stream; a stop made
    // meanwhile leaves the closing to it instead of waiting for the call.
    bool workerInStreamCall = false;  // guarded by streamLock
    StreamRequest request;            // guarded by streamLock

    ReconnectWorker streamWorker;
};

}  // namespace kestrel::client
