// The options of KestrelView. A password never comes as an argument: it is
// read from --password-file (first line) or KESTREL_PASSWORD.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings_tree.h"

namespace kestrel::app {

struct CommandLine {
    bool help = false;
    bool version = false;
    // --connect USER@HOST[:PORT]
    std::optional<std::string> user;
    std::string host;
    int port = 0;  // 0: the stored "VPORT"
    std::optional<std::string> passwordFile;
    int setupPort = 0;
    int stream = 1;  // 0 main, 1 sub (the login page's default)
    int layout = 0;  // 1, 4, 9 or 16; 0: the page's own choice
    bool fullScreen = false;
    int page = 0;  // a page button identifier; 0: LIVE
    // REPLAY page: the row (from 1) of the day's list to play or download
    // once the list shows it; 0: none. Either one shows the REPLAY page.
    int playRow = 0;
    int downloadRow = 0;
    // REMOTE SETTING: the page chosen in its tree; kNone: the window's own.
    client::SettingsPageId settingsPage = client::SettingsPageId::kNone;
    std::optional<std::string> screenshot;
    double quitAfterSeconds = 0;  // 0: run until closed
};

struct ParseResult {
    CommandLine options;
    std::string error;  // empty when the arguments are good
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// The password for --connect: the first line of the file, else the
// environment variable, else empty. false with error when the file cannot
// be read.
bool ReadPassword(const CommandLine& options, std::string* password, std::string* error);

const char* UsageText();

}  // namespace kestrel::app
