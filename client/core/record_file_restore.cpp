// Continuing an existing record file: a finalised one from its state block,
// one left unfinalised (a crash) by scanning its chunks.
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "avi_header.h"
#include "avi_layout.h"
#include "record_file_io.h"
#include "record_file_writer.h"
#include "stream_records.h"

namespace kestrel::client {

bool RecordFileWriter::OpenExisting() {
    aviFile_ = std::fopen(fileName_.c_str(), "r+b");
    if (aviFile_ == nullptr) {
        lastError_ = "cannot open " + fileName_ + ": " + std::strerror(errno);
        return false;
    }
    indexFile_ = std::fopen(indexFileName_.c_str(), "w+b");
    if (indexFile_ == nullptr) {
        lastError_ = "cannot create " + indexFileName_ + ": " + std::strerror(errno);
        return false;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(fileName_, error);
    AviHeader header{};
    if (error || size < avi::kHeaderSize || !ReadAt(aviFile_, 0, header.data(), header.size())) {
        headerPending_ = true;  // not even a whole header yet: start over
        return true;
    }
    if (size > static_cast<uintmax_t>(avi::kMaxFileBytes)) {
        lastError_ = fileName_ + " is too large to continue";
        return false;
    }
    const int64_t fileSize = static_cast<int64_t>(size);
    if (std::memcmp(header.data(), "RIFF", 4) == 0) {
        if (RestoreFinalised(header.data(), fileSize)) {
            return true;
        }
        // The state block does not describe this file: keep only plausible
        // video parameters and count the chunks instead.
        const RecordState claimed = ReadStateBlock(header);
        ResetCounters();
        const bool plausible = claimed.width >= 0 && claimed.width <= 8192 && claimed.height >= 0 &&
                               claimed.height <= 8192 && claimed.frameRate >= 0 &&
                               claimed.frameRate <= 31;
        if (plausible) {
            state_.width = claimed.width;
            state_.height = claimed.height;
            state_.frameRate = claimed.frameRate;
        }
    } else {
        TakeVideoParameters(header.data(), channel_, &state_);
    }
    SetAudioParameters(&state_);
    return RebuildFromChunks(fileSize);
}

bool RecordFileWriter::RestoreFinalised(const uint8_t* header, int64_t fileSize) {
    AviHeader copy{};
    std::memcpy(copy.data(), header, copy.size());
    const RecordState s = ReadStateBlock(copy);
    if (s.moviBytes < 0 || s.totalChunks < 0 || s.audioChunks < 0 || s.videoChunks < 0 ||
        int64_t{s.audioChunks} + s.videoChunks != s.totalChunks) {
        return false;
    }
    const int64_t indexAt = int64_t{avi::kMoviData} + s.moviBytes;
    const int64_t indexBytes = avi::kIndexEntrySize * int64_t{s.totalChunks};
    if (indexAt + int64_t{avi::kIdx1HeaderSize} + indexBytes > fileSize ||
        std::memcmp(header + avi::kMoviList, "LIST", 4) != 0 ||
        GetLe32(header + avi::kMoviList + 4) != static_cast<uint32_t>(s.moviBytes) + 4 ||
        std::memcmp(header + avi::kMoviTag, "movi", 4) != 0) {
        return false;
    }
    uint8_t idx1[avi::kIdx1HeaderSize];
    if (!ReadAt(aviFile_, indexAt, idx1, sizeof idx1) || std::memcmp(idx1, "idx1", 4) != 0 ||
        GetLe32(idx1 + 4) != static_cast<uint32_t>(indexBytes)) {
        return false;
    }
    if (!CopyBytes(aviFile_, indexAt + avi::kIdx1HeaderSize, indexFile_, indexBytes) ||
        std::fseek(aviFile_, static_cast<long>(indexAt), SEEK_SET) != 0) {
        lastError_ = "cannot carry over the index of " + fileName_;
        return false;
    }
    state_ = s;
    state_.reserved4 = 0;
    return true;
}

bool RecordFileWriter::RebuildFromChunks(int64_t fileSize) {
    // Stream bytes are estimated as records without extension or gaps: the
    // chunks do not keep more.
    int64_t at = avi::kMoviData;
    state_.streamPosition = static_cast<int32_t>(avi::kHeaderSize);
    uint8_t probe[kKeyFrameProbeBytes];
    for (;;) {
        uint8_t header[avi::kChunkHeaderSize];
        if (at + int64_t{avi::kChunkHeaderSize} > fileSize ||
            !ReadAt(aviFile_, at, header, sizeof header)) {
            break;
        }
        const bool video = std::memcmp(header, "00dc", 4) == 0;
        if (!video && std::memcmp(header, "01wb", 4) != 0) {
            break;
        }
        const uint32_t length = GetLe32(header + 4);
        const int64_t chunkBytes = avi::kChunkHeaderSize + int64_t{length} + (length & 1);
        const int64_t finalSize = at + chunkBytes + avi::kIdx1HeaderSize +
                                  avi::kIndexEntrySize * (int64_t{state_.totalChunks} + 1);
        if (at + chunkBytes > fileSize || finalSize > avi::kMaxFileBytes) {
            break;  // torn last chunk: overwritten by the next one, cut at Close
        }
        bool key = true;
        if (video) {
            const size_t probeLength = std::min<size_t>(length, sizeof probe);
            if (!ReadAt(aviFile_, at + avi::kChunkHeaderSize, probe, probeLength)) {
                break;
            }
            key = LooksLikeKeyFrame(probe, probeLength);
        }
        uint8_t entry[avi::kIndexEntrySize];
        std::memcpy(entry, header, 4);
        PutLe32(entry + 4, key ? avi::kKeyFrameFlag : 0);
        PutLe32(entry + 8, static_cast<uint32_t>(at - avi::kMoviData) + 4);
        PutLe32(entry + 12, length);
        if (!WriteAll(indexFile_, entry, sizeof entry)) {
            lastError_ = "cannot write " + indexFileName_;
            return false;
        }
        state_.moviBytes += static_cast<int32_t>(chunkBytes);
        ++state_.totalChunks;
        ++(video ? state_.videoChunks : state_.audioChunks);
        const uint64_t recordBytes = video ? 24 + uint64_t{length} : 12 + uint64_t{length};
        state_.streamPosition += static_cast<int32_t>((recordBytes + 7) & ~uint64_t{7});
        at += chunkBytes;
    }
    if (std::fseek(aviFile_, static_cast<long>(at), SEEK_SET) != 0) {
        lastError_ = "cannot continue " + fileName_;
        return false;
    }
    return true;
}

}  // namespace kestrel::client
