// The one application-wide record of the client: settings from
// "DvrUserCfg.ini", the login data, the language, the open recorder and the
// pages that others notify. Every page reaches it through the pointer the
// main window hands down.
//
// Threading: the GUI thread owns the context and calls every operation,
// except WriteLog and MakePath (any thread), the fields marked atomic, which
// the protocol library's callback threads touch too, and pages.Post.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "client_log.h"
#include "client_seams.h"
#include "kestrel_net.h"
#include "language_modules.h"
#include "make_path.h"
#include "page_messages.h"
#include "page_poster.h"
#include "recorder_open.h"

namespace kestrel::client {

class CDevice;

constexpr const char* kConfigFileName = "DvrUserCfg.ini";
// The configuration file's version marker; any other value rebuilds the file.
constexpr int kConfigVersion = 1033;
// Built-in roots, in the Windows spelling; NativePath turns them into folders
// under the drive root.
constexpr const char* kDefaultVideoPath = "c:\\DVR\\record\\";
constexpr const char* kDefaultFramePath = "c:\\DVR\\capture\\";
constexpr const char* kDefaultFilePath = "c:\\DVR\\download\\";
constexpr const char* kBackupPath = "c:\\DVR\\BACKUP\\";
// Path fields hold at most this many characters.
constexpr size_t kPathCapacity = 259;

// Languages of LoadText.
constexpr int32_t kLanguageEnglish = 0;
constexpr int32_t kLanguageSimplifiedChinese = 1;
constexpr int32_t kLanguageTraditionalChinese = 2;

// Login modes.
constexpr int32_t kLoginModeDvr = 0;
constexpr int32_t kLoginModeAutoIp = 1;

// Bits of rights word B.
constexpr int32_t kRightPtz = 1;
constexpr int32_t kRightRecordCapture = 2;
constexpr int32_t kRightRemoteReplay = 4;
constexpr int32_t kRightVolume = 16;

class ClientContext {
public:
    // homeFolder holds "DvrUserCfg.ini" and "DvrOcxlog.txt" (ends with a
    // separator); the default is platform::ClientHomeFolder().
    explicit ClientContext(std::string homeFolder = {}, ClientSeams seams = ClientSeams::System());
    ~ClientContext();  // Close()
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;

    // Loads or creates "DvrUserCfg.ini". Always 1.
    int Init();
    // Closes the device's protocol handle and destroys the device object.
    void Close();
    // The open device, opened lazily with the stored login data; null when
    // that fails. Sets loggedIn either way. Blocks for the open call when
    // there is no device yet (the login sequence opens off the GUI thread).
    CDevice* GetDevice();
    // The stored login data, as the open call takes it.
    OpenRequest StoredOpenRequest() const;
    // Takes what an open call reported: the rights, and on success the new
    // device object with its channel count, the login keys of the file and
    // the user level. Sets loggedIn; null when the open failed.
    CDevice* AdoptDevice(const OpenedRecorder& opened);

    // Runs task on the GUI thread after milliseconds through the seams'
    // timer, or at once when there is none.
    void RunLater(int milliseconds, std::function<void()> task) const;
    // Asks the main window to show a text in a message box (UM_SHOW_TEXT)
    // instead of opening one inside an operation. With once, a text that is
    // already asked for or showing is not asked for again.
    void NotifyText(int textId, bool once = false);
    // The main window's handler of UM_SHOW_TEXT: shows the text through ui
    // and returns when the box is closed.
    void ShowPostedText(intptr_t textId);

    // Text of string id in the current language; empty for an unknown
    // language or id.
    std::string LoadText(int id) const;
    void SetLanguage(int32_t n);
    // Where LoadText looks for the language modules; empty (the default):
    // the folder of the program or library holding the client core.
    void SetLanguageModuleFolder(const std::string& folder) { languageModules_.SetFolder(folder); }

    // Store (at most 259 characters) and write the key; true when written.
    bool SetFramePath(const std::string& text);
    bool SetVideoPath(const std::string& text);
    bool SetFilePath(const std::string& text);
    std::string GetFramePath() const { return framePath; }
    std::string GetVideoPath() const { return videoPath; }
    std::string GetFilePath() const { return filePath; }
    std::string GetBackupPath() const;

    void SetIp(const std::string& text) { ip = text; }
    void SetUser(const std::string& text) { user = text; }
    void SetPassword(const std::string& text) { password = text; }
    std::string GetIp() const { return ip; }
    std::string GetUser() const { return user; }
    std::string GetPassword() const { return password; }
    void SaveVideoPort();

    // Any thread.
    void WriteLog(const std::string& text) const { AppendLogEntry(homeFolder_, text); }
    bool MakePath(const std::string& path) const { return client::MakePath(path); }

    const std::string& HomeFolder() const { return homeFolder_; }
    const ClientSeams& Seams() const { return seams_; }

    // ---- Fields ------------------------------------------------------------
    // The pages that others notify; declared first so that it outlives the
    // device and its threads. Any thread posts through it.
    PagePoster pages;
    std::unique_ptr<CDevice> device;  // the open recorder, may be null
    std::string ip;
    std::string user;
    std::string password;      // never written to disk
    int32_t mediaPort = 0;     // 0: not set
    int32_t streamChoice = 0;  // 0 main stream, 1 sub stream
    int32_t userLevel = 0;     // 0 after login level 9, 1 after 10 or 11
    int32_t setupPort = 0;
    int32_t windowCount = 4;
    int32_t language = kLanguageEnglish;
    // Native folders, each ending with a separator.
    std::string framePath;
    std::string videoPath;
    std::string filePath;
    std::string loginIpText;
    std::string loginUserText;
    std::string iniPath;
    int32_t channelCount = 0;
    std::atomic<int32_t> talkOn{0};  // flipped by the talk callback too
    int32_t loggedIn = 0;

    // Message boxes of the GUI side (ShowPostedText); null shows nothing
    // (tests, start-up). Not owned.
    ClientUi* ui = nullptr;

    int32_t searchYear = 0;
    int32_t searchMonth = 0;
    int32_t searchDay = 0;
    std::atomic<int32_t> soundMuted{0};
    UserRights rights{};  // filled by the device open call
    int32_t loginMode = kLoginModeDvr;

private:
    std::string homeFolder_;
    ClientSeams seams_;
    // Loaded lazily by LoadText, which is const to its callers.
    mutable LanguageModules languageModules_;
    // Texts posted with once and not yet closed.
    std::set<int> textsOnce_;
};

}  // namespace kestrel::client
