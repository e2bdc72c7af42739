#include "config_file.h"

#include "client_context.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace kestrel::client::config {

namespace {

int ReadInt(const std::string& iniPath, Key key) {
    return platform::ReadProfileInt(iniPath, key.section, key.name, 0);
}

std::string ReadText(const std::string& iniPath, Key key) {
    return Bounded(platform::ReadProfileString(iniPath, key.section, key.name, {}));
}

std::string ReadFolder(const std::string& iniPath, Key key) {
    return Bounded(platform::NativePath(ReadText(iniPath, key)));
}

}  // namespace

std::string DefaultVideoFolder() {
    return platform::NativePath(kDefaultVideoPath);
}
std::string DefaultFrameFolder() {
    return platform::NativePath(kDefaultFramePath);
}
std::string DefaultFileFolder() {
    return platform::NativePath(kDefaultFilePath);
}

std::string Bounded(const std::string& text) {
    return text.substr(0, kPathCapacity);
}

StoredSettings Read(const std::string& iniPath) {
    StoredSettings s;
    s.language = ReadInt(iniPath, kLanguage);
    s.windowCount = ReadInt(iniPath, kWindowCount);
    s.framePath = ReadFolder(iniPath, kFramePath);
    s.videoPath = ReadFolder(iniPath, kVideoPath);
    s.filePath = ReadFolder(iniPath, kFilePath);
    s.ip = ReadText(iniPath, kLoginAddress);
    s.mediaPort = ReadInt(iniPath, kLoginMediaPort);
    s.user = ReadText(iniPath, kLoginUser);
    s.version = ReadInt(iniPath, kVersion);
    return s;
}

bool WriteInt(const std::string& iniPath, Key key, int32_t value) {
    return WriteText(iniPath, key, std::to_string(value));
}

bool WriteText(const std::string& iniPath, Key key, const std::string& value) {
    return platform::WriteProfileString(iniPath, key.section, key.name, value);
}

void WriteFreshFile(const std::string& iniPath, int32_t language, int32_t windowCount,
                    const std::string& videoPath, const std::string& framePath,
                    const std::string& filePath) {
    // Failed writes are ignored: the values stay in memory for this run.
    WriteInt(iniPath, kLanguage, language);
    WriteInt(iniPath, kWindowCount, windowCount);
    WriteText(iniPath, kVideoPath, videoPath);
    WriteText(iniPath, kFramePath, framePath);
    WriteText(iniPath, kFilePath, filePath);
    WriteInt(iniPath, kVersion, kConfigVersion);
    WriteText(iniPath, kLoginAddress, {});
    WriteText(iniPath, kLoginMediaPort, {});
    WriteText(iniPath, kLoginUser, {});
}

void WriteLogin(const std::string& iniPath, const std::string& ip, int32_t mediaPort,
                const std::string& user) {
    WriteText(iniPath, kLoginAddress, ip);
    WriteInt(iniPath, kLoginMediaPort, mediaPort);
    WriteText(iniPath, kLoginUser, user);
}

}  // namespace kestrel::client::config
