#include "record_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "avi_header.h"
#include "avi_layout.h"
#include "platform/paths.h"
#include "record_file_io.h"
#include "record_names.h"
#include "stream_records.h"

namespace kestrel::client {
namespace {

// Blocks larger than this are taken in pieces, so that each piece fits the
// buffer beside what is still unparsed.
constexpr size_t kMaxPiece = kRecordBufferSize / 4;
constexpr size_t kFileBufferBytes = size_t{1} << 18;

int32_t AddWrapping(int32_t value, uint64_t add) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(add));
}

}  // namespace

RecordFileWriter::RecordFileWriter() = default;

RecordFileWriter::~RecordFileWriter() {
    Close();
}

bool RecordFileWriter::Open(const std::string& fileName, int32_t channel) {
    Close();
    lastError_.clear();
    ResetCounters();
    buffer_.assign(kRecordBufferSize, 0);
    channel_ = channel;
    fileName_ = fileName;
    indexFileName_ = RecordIndexFileName(fileName);
    const bool opened = platform::FileExists(fileName) ? OpenExisting() : OpenNew();
    if (!opened) {
        CloseFiles();
        std::remove(indexFileName_.c_str());
        buffer_.clear();
        buffer_.shrink_to_fit();
        ResetCounters();
        return false;
    }
    std::setvbuf(aviFile_, nullptr, _IOFBF, kFileBufferBytes);
    return true;
}

bool RecordFileWriter::OpenNew() {
    aviFile_ = std::fopen(fileName_.c_str(), "w+b");
    if (aviFile_ == nullptr) {
        lastError_ = "cannot create " + fileName_ + ": " + std::strerror(errno);
        return false;
    }
    indexFile_ = std::fopen(indexFileName_.c_str(), "w+b");
    if (indexFile_ == nullptr) {
        lastError_ = "cannot create " + indexFileName_ + ": " + std::strerror(errno);
        CloseFiles();
        std::remove(fileName_.c_str());  // made by this call only
        return false;
    }
    headerPending_ = true;
    return true;
}

void RecordFileWriter::Write(const uint8_t* data, size_t length) {
    while (aviFile_ != nullptr && !stopped_ && length > 0) {
        const size_t piece = std::min(length, kMaxPiece);
        Append(data, piece);
        data += piece;
        length -= piece;
        if (headerPending_) {
            if (fill_ - parsePosition_ <= avi::kHeaderSize) {
                continue;
            }
            TakeHeader();
        }
        ParseRecords();
    }
}

void RecordFileWriter::Append(const uint8_t* data, size_t length) {
    if (fill_ + length >= kRecordBufferSize) {
        std::memmove(buffer_.data(), buffer_.data() + parsePosition_, fill_ - parsePosition_);
        fill_ -= parsePosition_;
        parsePosition_ = 0;
    }
    if (fill_ + length > kRecordBufferSize) {
        DropOldestUnparsed(length);
    }
    std::memcpy(buffer_.data() + fill_, data, length);
    fill_ += length;
}

void RecordFileWriter::DropOldestUnparsed(size_t incoming) {
    // Called with parsePosition_ at 0. Drop at least what does not fit, then on
    // to the next record marker so that parsing resumes on a record.
    const size_t mustDrop = fill_ + incoming - kRecordBufferSize;
    size_t cut = mustDrop;
    while (cut + kRecordScanWindow <= fill_ &&
           RecogniseRecord(buffer_.data() + cut, fill_ - cut).kind == RecordKind::kNone) {
        ++cut;
    }
    if (cut + kRecordScanWindow > fill_) {
        // No marker: keep only a tail that may hold the start of one.
        cut = std::max(mustDrop, fill_ >= kRecordScanWindow ? fill_ - kRecordScanWindow + 1 : 0);
    }
    std::memmove(buffer_.data(), buffer_.data() + cut, fill_ - cut);
    fill_ -= cut;
    droppedBytes_ += static_cast<int64_t>(cut);
    state_.streamPosition = AddWrapping(state_.streamPosition, cut);
}

void RecordFileWriter::TakeHeader() {
    const uint8_t* header = buffer_.data() + parsePosition_;
    TakeVideoParameters(header, channel_, &state_);
    SetAudioParameters(&state_);
    if (!WriteAt(aviFile_, 0, header, avi::kHeaderSize)) {
        Stop("cannot write the header of " + fileName_);
        return;
    }
    Consume(avi::kHeaderSize);
    headerPending_ = false;
}

void RecordFileWriter::Consume(size_t bytes) {
    parsePosition_ += bytes;
    state_.streamPosition = AddWrapping(state_.streamPosition, bytes);
}

void RecordFileWriter::ParseRecords() {
    while (!stopped_ && parsePosition_ + kRecordScanWindow < fill_) {
        const uint8_t* at = buffer_.data() + parsePosition_;
        const size_t available = fill_ - parsePosition_;
        const StreamRecord record = RecogniseRecord(at, available);
        // A record that can never fit the buffer is a damaged header: skip
        // its marker rather than wait for the overflow rule.
        if (record.kind == RecordKind::kNone || record.streamSize > kRecordBufferSize) {
            Consume(1);
            continue;
        }
        if (record.streamSize > available) {
            return;  // wait for the rest of the record
        }
        const uint8_t* payload = at + record.payloadOffset;
        if (record.kind == RecordKind::kVideo) {
            const bool key = record.mainStream && LooksLikeKeyFrame(payload, record.payloadLength);
            WriteChunk(true, key, payload, record.payloadLength);
        } else if (record.payloadLength >= 4) {
            // The audio payload opens with a 4-byte frame header the file does not keep.
            WriteChunk(false, true, payload + 4, record.payloadLength - 4);
        }
        if (!stopped_) {
            Consume(static_cast<size_t>(record.streamSize));
        }
    }
}

void RecordFileWriter::WriteChunk(bool video, bool keyFrame, const uint8_t* payload,
                                  uint32_t length) {
    const int64_t chunkBytes = avi::kChunkHeaderSize + int64_t{length} + (length & 1);
    const int64_t finalSize = int64_t{avi::kMoviData} + state_.moviBytes + chunkBytes +
                              avi::kIdx1HeaderSize +
                              avi::kIndexEntrySize * (int64_t{state_.totalChunks} + 1);
    if (finalSize > avi::kMaxFileBytes) {
        Stop("record file " + fileName_ + " is full");
        return;
    }
    const char* id = video ? "00dc" : "01wb";
    uint8_t header[avi::kChunkHeaderSize];
    std::memcpy(header, id, 4);
    PutLe32(header + 4, length);
    uint8_t entry[avi::kIndexEntrySize];
    std::memcpy(entry, id, 4);
    PutLe32(entry + 4, keyFrame ? avi::kKeyFrameFlag : 0);
    PutLe32(entry + 8, static_cast<uint32_t>(state_.moviBytes) + 4);
    PutLe32(entry + 12, length);
    const uint8_t pad = 0;
    if (!WriteAll(aviFile_, header, sizeof header) || !WriteAll(aviFile_, payload, length) ||
        ((length & 1) != 0 && !WriteAll(aviFile_, &pad, 1)) ||
        !WriteAll(indexFile_, entry, sizeof entry)) {
        Stop("cannot write to " + fileName_);
        return;
    }
    state_.moviBytes += static_cast<int32_t>(chunkBytes);
    ++state_.totalChunks;
    ++(video ? state_.videoChunks : state_.audioChunks);
}

void RecordFileWriter::Stop(const std::string& why) {
    lastError_ = why;
    stopped_ = true;
}

void RecordFileWriter::Close() {
    if (aviFile_ == nullptr) {
        return;
    }
    const bool finalised = !headerPending_ && Finalise();
    const int64_t size = int64_t{avi::kMoviData} + state_.moviBytes + avi::kIdx1HeaderSize +
                         avi::kIndexEntrySize * int64_t{state_.totalChunks};
    CloseFiles();
    if (finalised) {
        // A continued file may have held more (an old index, a torn chunk).
        std::error_code error;
        std::filesystem::resize_file(fileName_, static_cast<uintmax_t>(size), error);
    }
    std::remove(indexFileName_.c_str());
    buffer_.clear();
    buffer_.shrink_to_fit();
    parsePosition_ = fill_ = 0;
}

bool RecordFileWriter::Finalise() {
    // The index goes in before the headers: a crash in between leaves the raw
    // recording header, which the next Open rebuilds from.
    const int64_t indexAt = int64_t{avi::kMoviData} + state_.moviBytes;
    const int64_t indexBytes = avi::kIndexEntrySize * int64_t{state_.totalChunks};
    uint8_t idx1[avi::kIdx1HeaderSize];
    std::memcpy(idx1, "idx1", 4);
    PutLe32(idx1 + 4, static_cast<uint32_t>(indexBytes));
    state_.reserved4 = 0;
    const AviHeader header = BuildAviHeader(state_);
    const bool ok = std::fflush(indexFile_) == 0 && WriteAt(aviFile_, indexAt, idx1, sizeof idx1) &&
                    CopyBytes(indexFile_, 0, aviFile_, indexBytes) && std::fflush(aviFile_) == 0 &&
                    WriteAt(aviFile_, 0, header.data(), header.size()) &&
                    std::fflush(aviFile_) == 0;
    if (!ok) {
        lastError_ = "cannot finalise " + fileName_;
    }
    return ok;
}

void RecordFileWriter::ResetCounters() {
    state_ = RecordState{};
    parsePosition_ = fill_ = 0;
    headerPending_ = false;
    stopped_ = false;
    droppedBytes_ = 0;
}

void RecordFileWriter::CloseFiles() {
    if (aviFile_ != nullptr) {
        std::fclose(aviFile_);
        aviFile_ = nullptr;
    }
    if (indexFile_ != nullptr) {
        std::fclose(indexFile_);
        indexFile_ = nullptr;
    }
}

}  // namespace kestrel::client
