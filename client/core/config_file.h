// The keys of "DvrUserCfg.ini" and how each is read and written.
//
// The three folder keys hold the folder as the operator sees it on this
// system (the native spelling, e.g. "/home/ann/DVR/record/"). A Windows
// spelling found in the file ("c:\DVR\record\") is turned into the native
// folder when read, so a file carried over from a Windows install still
// works. The password has no key: it never reaches the file.
//
// Threading: any thread (the profile layer serialises writes).
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::client::config {

struct Key {
    const char* section;
    const char* name;
};

constexpr Key kLanguage{"Language", "Lang"};
constexpr Key kWindowCount{"WINDOW_COUNT", "wnd_count"};
constexpr Key kVideoPath{"Path", "Videopath"};
constexpr Key kFramePath{"Path", "Framepath"};
constexpr Key kFilePath{"Path", "Filepath"};
constexpr Key kVersion{"Delete", "IsDelete"};
constexpr Key kLoginAddress{"LOGIN_ADDRESS", "IP"};
constexpr Key kLoginMediaPort{"LOGIN_VIDEOPORT", "VPORT"};
constexpr Key kLoginUser{"UserID", "ID"};

// What Init reads from an existing file; missing keys read as their defaults
// (0 or empty).
struct StoredSettings {
    int32_t language = 0;
    int32_t windowCount = 0;
    std::string framePath;  // native, at most 259 characters
    std::string videoPath;
    std::string filePath;
    std::string ip;
    int32_t mediaPort = 0;
    std::string user;
    int32_t version = 0;
};

// The built-in roots as native folders under platform::DriveRoot().
std::string DefaultVideoFolder();
std::string DefaultFrameFolder();
std::string DefaultFileFolder();

// Cuts text to the 259 characters a path or login field holds.
std::string Bounded(const std::string& text);

StoredSettings Read(const std::string& iniPath);

// true when the key was written.
bool WriteInt(const std::string& iniPath, Key key, int32_t value);
bool WriteText(const std::string& iniPath, Key key, const std::string& value);

// Writes the nine keys of a new file: language, window count, the three
// folders, the version marker and empty login keys.
void WriteFreshFile(const std::string& iniPath, int32_t language, int32_t windowCount,
                    const std::string& videoPath, const std::string& framePath,
                    const std::string& filePath);

// Records the login data of a successful open; the password is not among them.
void WriteLogin(const std::string& iniPath, const std::string& ip, int32_t mediaPort,
                const std::string& user);

}  // namespace kestrel::client::config
