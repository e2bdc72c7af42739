// Folders, native path spelling, directories and disk space.
#include "platform/paths.h"

#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <vector>

namespace platform {
namespace {

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    return folder;
}

std::string UserHome() {
    std::string home = GetEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    // HOME may be unset for services; the password database still knows.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        home = found->pw_dir;
    }
    return home.empty() ? "/" : home;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasDrivePrefix(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

}  // namespace

std::string ProgramFolder() {
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length > 0) {
        const std::string program(buffer.data(), static_cast<size_t>(length));
        const size_t slash = program.rfind('/');
        if (slash != std::string::npos) {
            return program.substr(0, slash + 1);
        }
    }
    // Without /proc the working folder is the best guess left.
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
        return WithSeparator(buffer.data());
    }
    return "./";
}

std::string ClientHomeFolder() {
    std::string folder = GetEnv("KESTREL_HOME");
    if (folder.empty()) {
        const std::string program_folder = ProgramFolder();
        if (::access(program_folder.c_str(), W_OK) == 0) {
            return program_folder;
        }
        std::string data_home = GetEnv("XDG_DATA_HOME");
        // The base directory rules ignore relative values.
        if (data_home.empty() || data_home.front() != '/') {
            data_home = JoinPath(UserHome(), ".local/share");
        }
        folder = JoinPath(data_home, "kestrel");
    }
    folder = WithSeparator(folder);
    MakeDirectories(folder);
    return folder;
}

std::string DriveRoot() {
    return WithSeparator(GetEnv("KESTREL_DRIVE_ROOT", UserHome()));
}

std::string NativePath(const std::string& windows_path) {
    std::string rest = windows_path;
    std::string native;
    // Every drive letter stands for the one drive root there is here.
    if (HasDrivePrefix(rest)) {
        rest.erase(0, 2);
        if (!rest.empty() && (rest.front() == '\\' || rest.front() == '/')) {
            rest.erase(0, 1);
        }
        native = DriveRoot();
    }
    for (char& c : rest) {
        if (c == '\\') {
            c = kPathSeparator;
        }
    }
    return native + rest;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    const size_t skip = name.find_first_not_of(kPathSeparator);
    return WithSeparator(folder) + (skip == std::string::npos ? std::string() : name.substr(skip));
}

bool MakeDirectory(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool MakeDirectories(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    size_t end = 0;
    while (end != std::string::npos) {
        end = path.find(kPathSeparator, end + 1);
        const std::string prefix = path.substr(0, end);
        if (prefix.empty() || prefix == "/") {
            continue;
        }
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return IsDirectory(path);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

int64_t FreeDiskBytes(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) {
        return -1;
    }
    const unsigned long long block = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    const unsigned long long blocks = info.f_bavail;
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<int64_t>::max());
    if (block != 0 && blocks > kMax / block) {
        return std::numeric_limits<int64_t>::max();
    }
    return static_cast<int64_t>(blocks * block);
}

std::string GetEnv(const char* name, const std::string& fallback) {
    const char* value = name != nullptr ? std::getenv(name) : nullptr;
    return value != nullptr && value[0] != '\0' ? std::string(value) : fallback;
}

}  // namespace platform
