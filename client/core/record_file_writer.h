// Turns a recorder's channel stream (512-byte recording header, then video and
// audio frame records) into an AVI record file with H.264 video chunks,
// G.711 mu-law audio chunks and an "idx1" index. While the file is open it
// holds the raw recording header at 0..511 and the chunks from 512; the index
// entries collect in the side file "<name>.indx" and are copied behind the
// chunks when the writer is closed.
//
// Threading: one writer is used by one thread at a time; the owner serialises
// Open, Write and Close (the device object holds the channel's record lock,
// a download uses its own thread). The writer starts no threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "record_state.h"

namespace kestrel::client {

// Unparsed stream bytes a writer holds at most.
constexpr size_t kRecordBufferSize = 262144;

class RecordFileWriter {
public:
    RecordFileWriter();
    ~RecordFileWriter();  // Close()
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;

    // Opens fileName for channel (0-based). A missing file is created empty
    // and waits for the stream's header. An existing file is continued: a
    // finalised one from its state block, one left by a crash (it still starts
    // with the raw recording header) by scanning its chunks; new chunks are
    // appended behind the old ones and the old index is carried over. False,
    // with nothing left open and the reason in LastError(), when the record or
    // index file cannot be created or opened, or an existing file cannot be
    // continued. Closes what was open before.
    bool Open(const std::string& fileName, int32_t channel);
    // Consumes stream bytes of any split. Whole records become chunks; a
    // partial record waits for the next call. When more than 256 KiB of
    // unparsed stream would pile up, the oldest unparsed bytes are dropped up
    // to the next record marker. Does nothing when no file is open.
    void Write(const uint8_t* data, size_t length);
    // Finalises the file (unless the header is still pending, which leaves the
    // file as it is), closes both files and deletes the ".indx". Idempotent.
    void Close();

    // Stream bytes the file holds so far (header, records, skipped bytes);
    // after Open of an existing file, where a resumed transfer continues.
    int32_t StreamPosition() const { return state_.streamPosition; }
    // Why the last Open failed, or why writing stopped; empty when all went well.
    std::string LastError() const { return lastError_; }
    // The file still lacks its first 512 bytes.
    bool HeaderPending() const { return headerPending_; }
    bool IsOpen() const { return aviFile_ != nullptr; }

    // Counters, for callers and tests.
    const RecordState& State() const { return state_; }
    // Stream bytes dropped by the 256 KiB overflow rule since Open.
    int64_t DroppedBytes() const { return droppedBytes_; }

private:
    bool OpenNew();
    bool OpenExisting();
    bool RestoreFinalised(const uint8_t* header, int64_t fileSize);
    bool RebuildFromChunks(int64_t fileSize);
    void Append(const uint8_t* data, size_t length);
    void DropOldestUnparsed(size_t incoming);
    void TakeHeader();
    void ParseRecords();
    void WriteChunk(bool video, bool keyFrame, const uint8_t* payload, uint32_t length);
    void Consume(size_t bytes);
    bool Finalise();
    void Stop(const std::string& why);
    void ResetCounters();
    void CloseFiles();

    RecordState state_{};
    std::vector<uint8_t> buffer_;  // kRecordBufferSize once opened
    size_t parsePosition_ = 0;
    size_t fill_ = 0;
    bool headerPending_ = false;
    bool stopped_ = false;  // a write failed or the file is full: no more chunks
    int32_t channel_ = 0;
    std::FILE* aviFile_ = nullptr;
    std::FILE* indexFile_ = nullptr;
    std::string fileName_;
    std::string indexFileName_;
    std::string lastError_;
    int64_t droppedBytes_ = 0;
};

}  // namespace kestrel::client
