// The recording file being played, also while it is still being downloaded.
// Reads never go past the usable size: the file size, or for a download
// with an expected length above 512 bytes that length minus 51,200 (the
// downloader's last block may still be rewritten, so it is held back; clear
// the expected length once the download is complete to read it all).
//
// Threading: one thread at a time; the player's read thread owns it while
// playing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>

#include "random_access_input.h"

namespace kestrel::media {

class FileSource : public RandomAccessInput {
public:
    static constexpr size_t kMinNameLength = 4;
    static constexpr uint64_t kHeldBackBytes = 51200;
    static constexpr uint64_t kMinExpectedLength = 512;  // at or below: no expected length

    FileSource() = default;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // 0; kMediaFileName for a name under 4 characters; kMediaFileOpen when
    // it is not a regular file that can be read; kMediaFileBusy when this
    // object has a file open already. Position 0, size read at once.
    int32_t Open(const std::string& name);
    void Close();
    bool IsOpen() const { return file_.is_open(); }

    // 0 or at most 512: none (the file size is usable).
    void SetExpectedLength(uint64_t length) { expected_length_ = length; }
    uint64_t ExpectedLength() const { return expected_length_; }

    // Asks the file for its size again (it grows while downloading) and
    // returns it; FileSize() is the last answer.
    uint64_t RefreshSize();
    uint64_t FileSize() const { return file_size_; }
    // The limit reads stop at; may lie beyond the bytes already written.
    uint64_t UsableSize() const;

    // At most out.size() bytes from the current position, never past the
    // usable size; short (maybe 0) where the file has no more bytes yet.
    // The position advances by the count returned.
    size_t Read(std::span<uint8_t> out);
    uint64_t Position() const { return position_; }
    // kMediaSeekRange (position unchanged) beyond the usable size.
    int32_t SetPosition(uint64_t position);

    // RandomAccessInput: the bytes readable now, min(usable, file size as
    // last refreshed); ReadAt leaves the position alone.
    uint64_t Size() const override;
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override;

private:
    std::ifstream file_;
    uint64_t file_size_ = 0;
    uint64_t expected_length_ = 0;
    uint64_t position_ = 0;
};

}  // namespace kestrel::media
