#include "command_line.h"

#include <charconv>
#include <cstdlib>
#include <fstream>

#include "CDlgMainWnd.h"
#include "login_sequence.h"

namespace kestrel::app {
namespace {

using ui::kPageLive;
using ui::kPageLocalSetting;
using ui::kPageRemoteSetting;
using ui::kPageReplay;

bool ParseInt(const std::string& text, int low, int high, int* value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (error != std::errc() || stop != end || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

std::optional<client::SettingsPageId> SettingsPageNamed(const std::string& name) {
    using client::SettingsPageId;
    static const std::pair<const char*, SettingsPageId> kNames[] = {
        {"video", SettingsPageId::kVideoParameter},
        {"audio", SettingsPageId::kAudioParameter},
        {"binding", SettingsPageId::kAvBinding},
        {"record", SettingsPageId::kRecordMode},
        {"channel-alarm", SettingsPageId::kChannelAlarm},
        {"device-alarm", SettingsPageId::kDeviceAlarm},
        {"network", SettingsPageId::kNetwork},
        {"mobile", SettingsPageId::kMobile},
        {"email", SettingsPageId::kEmail},
        {"system", SettingsPageId::kSystem},
        {"disks", SettingsPageId::kDisks},
        {"ptz", SettingsPageId::kPtzConfig},
        {"version", SettingsPageId::kVersionInfo},
        {"upgrade", SettingsPageId::kRemoteUpgrade},
        {"users", SettingsPageId::kUsers},
        {"rights", SettingsPageId::kPasswordRights}};
    for (const auto& [text, page] : kNames) {
        if (name == text) {
            return page;
        }
    }
    return std::nullopt;
}

bool ParseConnect(const std::string& text, CommandLine* options) {
    const size_t at = text.find('@');
    if (at == std::string::npos || at == 0 || at + 1 >= text.size()) {
        return false;
    }
    std::string host = text.substr(at + 1);
    const size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        if (!ParseInt(host.substr(colon + 1), 1, 65535, &options->port)) {
            return false;
        }
        host.resize(colon);
    }
    if (host.empty() || host.find_first_of(" \t@/") != std::string::npos) {
        return false;
    }
    // The login page could not take a longer user ID: refuse it rather than
    // log in with a cut one.
    if (at > static_cast<size_t>(client::kMaxUserIdCharacters)) {
        return false;
    }
    options->user = text.substr(0, at);
    options->host = host;
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: KestrelView [options]\n"
           "  --connect USER@HOST[:PORT]  fill the login page and log in (USER: 8 characters)\n"
           "  --password-file FILE        password for --connect: the file's first line\n"
           "                              (else the KESTREL_PASSWORD variable)\n"
           "  --setup-port N              setup port for --connect\n"
           "  --stream main|sub           stream for --connect (default sub)\n"
           "  --layout 1|4|9|16           live page grid after login\n"
           "  --fullscreen                live page full screen after login\n"
           "  --page live|replay|remote-setting|local-setting\n"
           "                              page shown after login (default live)\n"
           "  --settings-page NAME        REMOTE SETTING page showing NAME: video, audio,\n"
           "                              binding, record, channel-alarm, device-alarm,\n"
           "                              network, mobile, email, system, disks, ptz,\n"
           "                              version, upgrade, users, rights\n"
           "  --play-row N                REPLAY page: play row N of today's list\n"
           "  --download-row N            REPLAY page: download row N of today's list\n"
           "  --screenshot FILE           save a PNG of the window when --quit-after ends\n"
           "  --quit-after SECONDS        close after this long (default 5 with --screenshot)\n"
           "  --help, --version\n";
}

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    ParseResult result;
    CommandLine& options = result.options;
    auto fail = [&result](const std::string& text) {
        result.error = text;
        return result;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        auto value = [&]() -> const std::string& { return arguments[++i]; };
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--fullscreen") {
            options.fullScreen = true;
        } else if (!hasValue) {
            return fail(name.rfind("--", 0) == 0 ? name + " needs a value"
                                                 : "unexpected argument " + name);
        } else if (name == "--connect") {
            if (!ParseConnect(value(), &options)) {
                return fail("--connect wants USER@HOST[:PORT], got \"" + arguments[i] + "\"");
            }
        } else if (name == "--password-file") {
            options.passwordFile = value();
        } else if (name == "--setup-port") {
            if (!ParseInt(value(), 0, 65535, &options.setupPort)) {
                return fail("--setup-port wants a port number 0..65535");
            }
        } else if (name == "--stream") {
            const std::string& stream = value();
            if (stream != "main" && stream != "sub") {
                return fail("--stream wants main or sub");
            }
            options.stream = stream == "main" ? 0 : 1;
        } else if (name == "--layout") {
            if (!ParseInt(value(), 1, 16, &options.layout) ||
                (options.layout != 1 && options.layout != 4 && options.layout != 9 &&
                 options.layout != 16)) {
                return fail("--layout wants 1, 4, 9 or 16");
            }
        } else if (name == "--page") {
            const std::string& page = value();
            if (page == "live") {
                options.page = kPageLive;
            } else if (page == "replay") {
                options.page = kPageReplay;
            } else if (page == "remote-setting") {
                options.page = kPageRemoteSetting;
            } else if (page == "local-setting") {
                options.page = kPageLocalSetting;
            } else {
                return fail("--page wants live, replay, remote-setting or local-setting");
            }
        } else if (name == "--settings-page") {
            const std::optional<client::SettingsPageId> page = SettingsPageNamed(value());
            if (!page) {
                return fail("--settings-page wants one of the names --help lists");
            }
            options.settingsPage = *page;
            options.page = kPageRemoteSetting;
        } else if (name == "--play-row" || name == "--download-row") {
            int& row = name == "--play-row" ? options.playRow : options.downloadRow;
            if (!ParseInt(value(), 1, 100000, &row)) {
                return fail(name + " wants a row number from 1");
            }
            options.page = kPageReplay;
        } else if (name == "--screenshot") {
            options.screenshot = value();
        } else if (name == "--quit-after") {
            char* end = nullptr;
            const std::string& text = value();
            options.quitAfterSeconds = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(options.quitAfterSeconds > 0) ||
                options.quitAfterSeconds > 86400) {
                return fail("--quit-after wants a number of seconds above 0");
            }
        } else {
            return fail("unknown option " + name);
        }
    }
    if (options.screenshot && options.quitAfterSeconds == 0) {
        options.quitAfterSeconds = 5;
    }
    return result;
}

bool ReadPassword(const CommandLine& options, std::string* password, std::string* error) {
    password->clear();
    if (options.passwordFile) {
        std::ifstream file(*options.passwordFile);
        if (!file) {
            *error = "cannot read the password file " + *options.passwordFile;
            return false;
        }
        std::getline(file, *password);
        if (!password->empty() && password->back() == '\r') {
            password->pop_back();
        }
    } else if (const char* variable = std::getenv("KESTREL_PASSWORD")) {
        *password = variable;
    }
    if (password->size() > static_cast<size_t>(client::kMaxPasswordCharacters)) {
        *error = "the password is longer than the login page takes (6 characters)";
        return false;
    }
    return true;
}

}  // namespace kestrel::app
