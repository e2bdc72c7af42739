// Fuzzes the client's profile file ("DvrUserCfg.ini"): the input is the
// file. Its settings are read, then the login keys are written back as the
// client records them after a login and the file is read again. No text may
// exceed its field; written login values must read back as written, and the
// other keys must read as before.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config_file.h"
#include "fuzz_entry.h"

namespace {

namespace config = kestrel::client::config;

constexpr size_t kFieldCapacity = 259;

// RAM-backed when possible: every write replaces the file with an fsync.
std::string TempName() {
    std::error_code error;
    std::filesystem::path folder("/dev/shm");
    if (!std::filesystem::is_directory(folder, error)) {
        folder = std::filesystem::temp_directory_path();
    }
    return (folder / ("kestrel_fuzz_profile_" + std::to_string(getpid()) + ".ini")).string();
}

// What a value holds once written and read again: the reader trims blanks.
bool ReadsBackUnchanged(const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    constexpr const char* kBlanks = " \t\v\f\r";
    return value.empty() || (value.find_first_not_of(kBlanks) == 0 &&
                             value.find_last_not_of(kBlanks) == value.size() - 1);
}

void CheckBounded(const config::StoredSettings& s) {
    Check(s.framePath.size() <= kFieldCapacity);
    Check(s.videoPath.size() <= kFieldCapacity);
    Check(s.filePath.size() <= kFieldCapacity);
    Check(s.ip.size() <= kFieldCapacity);
    Check(s.user.size() <= kFieldCapacity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = TempName();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    const config::StoredSettings before = config::Read(path);
    CheckBounded(before);

    // The login keys as the client records them, from values the file held
    // (the port moved by one, so the write changes the file).
    const int32_t port = before.mediaPort == INT32_MAX ? 0 : before.mediaPort + 1;
    config::WriteLogin(path, before.ip, port, before.user);
    const config::StoredSettings after = config::Read(path);
    CheckBounded(after);
    Check(after.mediaPort == port);
    if (ReadsBackUnchanged(before.ip)) {
        Check(after.ip == before.ip);
    }
    if (ReadsBackUnchanged(before.user)) {
        Check(after.user == before.user);
    }
    Check(after.language == before.language && after.windowCount == before.windowCount &&
          after.version == before.version);
    Check(after.framePath == before.framePath && after.videoPath == before.videoPath &&
          after.filePath == before.filePath);

    std::remove(path.c_str());
    return 0;
}
