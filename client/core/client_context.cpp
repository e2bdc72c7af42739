#include "client_context.h"

#include <cstdio>

#include "config_file.h"
#include "device.h"
#include "english_texts.h"
#include "platform/paths.h"

namespace kestrel::client {

ClientContext::ClientContext(std::string homeFolder, ClientSeams seams)
    : homeFolder_(homeFolder.empty() ? platform::ClientHomeFolder() : std::move(homeFolder)),
      seams_(std::move(seams)) {
    iniPath = platform::JoinPath(homeFolder_, kConfigFileName);
}

ClientContext::~ClientContext() {
    Close();
}

int ClientContext::Init() {
    if (homeFolder_.empty()) {
        return 1;  // no folder of our own: run on the in-memory defaults
    }

    bool fresh = !platform::FileExists(iniPath);
    if (!fresh) {
        const config::StoredSettings stored = config::Read(iniPath);
        language = stored.language;
        windowCount = stored.windowCount;
        framePath = stored.framePath;
        videoPath = stored.videoPath;
        filePath = stored.filePath;
        loginIpText = stored.ip;
        ip = stored.ip;
        mediaPort = stored.mediaPort;
        loginUserText = stored.user;
        user = stored.user;
        if (stored.version != kConfigVersion) {
            // An outdated file is rebuilt. Should it refuse to go, the fresh
            // keys overwrite it instead, so this never loops.
            std::remove(iniPath.c_str());
            fresh = true;
        }
    }
    if (fresh) {
        videoPath = config::DefaultVideoFolder();
        framePath = config::DefaultFrameFolder();
        filePath = config::DefaultFileFolder();
        config::WriteFreshFile(iniPath, language, windowCount, videoPath, framePath, filePath);
        return 1;
    }
    if (videoPath.empty()) {
        videoPath = config::DefaultVideoFolder();
        config::WriteText(iniPath, config::kVideoPath, videoPath);
    }
    if (framePath.empty()) {
        framePath = config::DefaultFrameFolder();
        config::WriteText(iniPath, config::kFramePath, framePath);
    }
    if (filePath.empty()) {
        filePath = config::DefaultFileFolder();
        config::WriteText(iniPath, config::kFilePath, filePath);
    }
    return 1;
}

void ClientContext::Close() {
    if (!device) {
        return;
    }
    device->StopHandleUse();
    QW_DVR_NET_Close_Device(device->handle);
    device.reset();
}

CDevice* ClientContext::GetDevice() {
    if (device) {
        return device.get();
    }
    if (ip.empty() || mediaPort == 0) {
        loggedIn = 0;
        return nullptr;
    }
    return AdoptDevice(OpenRecorder(StoredOpenRequest()));
}

OpenRequest ClientContext::StoredOpenRequest() const {
    return {ip, mediaPort, setupPort, user, password};
}

CDevice* ClientContext::AdoptDevice(const OpenedRecorder& opened) {
    rights = opened.rights;
    if (!opened.handle) {
        loggedIn = 0;
        return nullptr;
    }
    device = std::make_unique<CDevice>(static_cast<uint32_t>(opened.subtype), opened.handle, ip,
                                       mediaPort, static_cast<uint32_t>(opened.type));
    channelCount = device->channelCount;
    device->SetContext(this);
    config::WriteLogin(iniPath, ip, mediaPort, user);
    if (opened.result == 9) {
        userLevel = 0;
    } else if (opened.result == 10 || opened.result == 11) {
        userLevel = 1;
    }
    loggedIn = 1;
    return device.get();
}

void ClientContext::RunLater(int milliseconds, std::function<void()> task) const {
    if (seams_.runLater) {
        seams_.runLater(milliseconds, std::move(task));
    } else {
        task();
    }
}

void ClientContext::NotifyText(int textId, bool once) {
    if (once && textsOnce_.count(textId) != 0) {
        return;
    }
    if (pages.Post(PageId::kMainWindow, UM_SHOW_TEXT, textId, 0) && once) {
        textsOnce_.insert(textId);
    }
}

void ClientContext::ShowPostedText(intptr_t textId) {
    const int id = static_cast<int>(textId);
    if (ui != nullptr) {
        ui->ShowMessage(LoadText(id));
    }
    textsOnce_.erase(id);
}

std::string ClientContext::LoadText(int id) const {
    if (language < kLanguageEnglish || language > kLanguageTraditionalChinese) {
        return {};
    }
    if (language != kLanguageEnglish) {
        if (std::optional<std::string> text = languageModules_.Lookup(language, id)) {
            return *text;
        }
    }
    const char* english = EnglishText(id);
    return english ? english : "";
}

void ClientContext::SetLanguage(int32_t n) {
    language = n;
    config::WriteInt(iniPath, config::kLanguage, n);
}

bool ClientContext::SetFramePath(const std::string& text) {
    framePath = config::Bounded(text);
    return config::WriteText(iniPath, config::kFramePath, framePath);
}

bool ClientContext::SetVideoPath(const std::string& text) {
    videoPath = config::Bounded(text);
    return config::WriteText(iniPath, config::kVideoPath, videoPath);
}

bool ClientContext::SetFilePath(const std::string& text) {
    filePath = config::Bounded(text);
    return config::WriteText(iniPath, config::kFilePath, filePath);
}

std::string ClientContext::GetBackupPath() const {
    return platform::NativePath(kBackupPath);
}

void ClientContext::SaveVideoPort() {
    config::WriteInt(iniPath, config::kLoginMediaPort, mediaPort);
}

}  // namespace kestrel::client
