#include "file_source.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "file_result.h"
#include "media_result.h"

namespace kestrel::media {

int32_t FileSource::Open(const std::string& name) {
    if (name.size() < kMinNameLength) {
        return kMediaFileName;
    }
    if (IsOpen()) {
        return kMediaFileBusy;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error)) {
        return kMediaFileOpen;
    }
    file_.open(name, std::ios::binary);
    if (!file_.is_open()) {
        file_.clear();
        return kMediaFileOpen;
    }
    position_ = 0;
    RefreshSize();
    return kMediaOk;
}

void FileSource::Close() {
    file_.close();
    file_.clear();
    file_size_ = 0;
    position_ = 0;
}

uint64_t FileSource::RefreshSize() {
    if (!IsOpen()) {
        return file_size_ = 0;
    }
    file_.clear();
    file_.seekg(0, std::ios::end);
    const std::streamoff end = file_.tellg();
    file_size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    return file_size_;
}

uint64_t FileSource::UsableSize() const {
    if (expected_length_ > kMinExpectedLength) {
        // An expected length under the held-back block leaves nothing usable.
        return expected_length_ > kHeldBackBytes ? expected_length_ - kHeldBackBytes : 0;
    }
    return file_size_;
}

uint64_t FileSource::Size() const {
    return std::min(UsableSize(), file_size_);
}

size_t FileSource::Read(std::span<uint8_t> out) {
    const size_t got = ReadAt(position_, out);
    position_ += got;
    return got;
}

int32_t FileSource::SetPosition(uint64_t position) {
    if (position > UsableSize()) {
        return kMediaSeekRange;
    }
    position_ = position;
    return kMediaOk;
}

size_t FileSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    const uint64_t usable = UsableSize();
    if (!IsOpen() || offset >= usable || out.empty()) {
        return 0;
    }
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(out.size(), usable - offset));
    // A read that hit the end of a growing file leaves the stream failed.
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    if (!file_) {
        file_.clear();
        return 0;
    }
    file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(wanted));
    const std::streamsize got = file_.gcount();
    file_.clear();
    return got > 0 ? static_cast<size_t>(got) : 0;
}

}  // namespace kestrel::media
