#include "file_io.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform::detail {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, size_t max_bytes, std::string* text) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kError;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return ReadResult::kError;
    }
    text->clear();
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadResult::kError;
        }
        if (got == 0) {
            return ReadResult::kOk;
        }
        // Checked while reading: the size may change after fstat.
        if (text->size() + static_cast<size_t>(got) > max_bytes) {
            return ReadResult::kTooLarge;
        }
        text->append(buffer, static_cast<size_t>(got));
    }
}

bool ReplaceFileAtomically(const std::string& link_or_path, const std::string& text) {
    // Through a symbolic link the file it points to is replaced, not the link.
    char resolved[PATH_MAX];
    const std::string path =
        ::realpath(link_or_path.c_str(), resolved) != nullptr ? resolved : link_or_path;
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    // rename() would replace a file we are not allowed to write.
    if (exists && (!S_ISREG(existing.st_mode) || ::access(path.c_str(), W_OK) != 0)) {
        return false;
    }
    const std::string temporary = TemporaryNameFor(path);
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        return false;
    }
    const bool written = (!exists || ::fchmod(file.get(), existing.st_mode & 07777) == 0) &&
                         WriteAll(file.get(), text.data(), text.size()) && ::fsync(file.get()) == 0;
    if (!file.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace platform::detail
