#include "device_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace kestrel::client::test {

void RecordingPage::Post(uint32_t message, intptr_t first, intptr_t second) {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back({message, first, second});
    posted_.notify_all();
}

std::vector<PostedMessage> RecordingPage::Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::vector<PostedMessage> RecordingPage::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<PostedMessage> fresh(messages_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                     messages_.end());
    taken_ = messages_.size();
    return fresh;
}

bool RecordingPage::WaitForCount(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return posted_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return messages_.size() >= count; });
}

ClientSeams FakeSeams::Seams() {
    ClientSeams seams;
    seams.now = [this] { return Now(); };
    seams.freeBytes = [this](const std::string&) { return freeBytes.load(); };
    seams.runLater = [this](int milliseconds, std::function<void()> task) {
        std::lock_guard<std::mutex> lock(mutex);
        timers_.push_back(milliseconds);
        pending_.push_back({elapsedMs_ + milliseconds, std::move(task)});
    };
    return seams;
}

std::vector<int> FakeSeams::Timers() {
    std::lock_guard<std::mutex> lock(mutex);
    return timers_;
}

bool FakeSeams::RunNextTimer() {
    std::function<void()> task;
    int64_t step = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (pending_.empty()) {
            return false;
        }
        auto next =
            std::min_element(pending_.begin(), pending_.end(),
                             [](const Pending& a, const Pending& b) { return a.due < b.due; });
        step = std::max<int64_t>(0, next->due - elapsedMs_);
        elapsedMs_ += step;
        task = std::move(next->task);
        pending_.erase(next);
    }
    Advance(static_cast<int>(step));
    task();
    return true;
}

void FakeSeams::RunTimers() {
    for (int i = 0; i < 1000 && RunNextTimer(); ++i) {
    }
}

platform::LocalTime FakeSeams::Now() {
    std::lock_guard<std::mutex> lock(mutex);
    return now;
}

void FakeSeams::Advance(int milliseconds) {
    std::lock_guard<std::mutex> lock(mutex);
    std::tm t{};
    t.tm_year = now.year - 1900;
    t.tm_mon = now.month - 1;
    t.tm_mday = now.day;
    t.tm_hour = now.hour;
    t.tm_min = now.minute;
    t.tm_sec = now.second;
    const int total = now.millisecond + milliseconds;
    t.tm_sec += total / 1000;
    t.tm_isdst = -1;
    std::time_t moved = std::mktime(&t);
    std::tm out{};
    localtime_r(&moved, &out);
    now = {out.tm_year + 1900, out.tm_mon + 1, out.tm_mday,  out.tm_hour,
           out.tm_min,         out.tm_sec,     total % 1000, out.tm_wday};
}

void UseDiskAudio() {
    const std::string folder = ScratchFolder("talk");
    const std::string microphone = folder + "microphone.raw";
    std::ofstream(microphone, std::ios::binary) << std::string(64000, '\0');
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (folder + "speaker.raw").c_str(), 1);
    setenv("SDL_DISKAUDIOFILEIN", microphone.c_str(), 1);
}

std::string ScratchFolder(const std::string& name) {
    std::random_device random;
    const std::filesystem::path folder =
        std::filesystem::path(::testing::TempDir()) /
        ("kestrel_client_" + name + "_" + std::to_string(random()));
    std::filesystem::create_directories(folder);
    return folder.string() + "/";
}

bool RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output->append(buffer, got);
    }
    return pclose(pipe) == 0;
}

bool DeviceTest::OpenDevice(sim::RecorderConfig config, int32_t streamChoice, bool viaRelay) {
    recorder_ = std::make_unique<sim::RecorderSim>(std::move(config));
    if (!recorder_->Start()) {
        ADD_FAILURE() << recorder_->LastError();
        return false;
    }
    if (viaRelay) {
        relay_ = std::make_unique<SlowRelay>(recorder_->Address(), recorder_->CommandPort());
    }
    home_ = ScratchFolder("home");
    context_ = std::make_unique<ClientContext>(home_, seams_.Seams());
    ClientContext& c = *context_;
    c.ip = recorder_->Address();
    c.mediaPort = relay_ ? relay_->Port() : recorder_->CommandPort();
    c.setupPort = recorder_->MctpPort();
    c.user = "admin";
    c.password = "admin";
    c.streamChoice = streamChoice;
    c.videoPath = home_ + "video/";
    c.pages.Register(PageId::kLiveView, &liveView_);
    c.pages.Register(PageId::kChannelPanel, &channelPanel_);
    c.pages.Register(PageId::kMainWindow, &mainWindow_);
    c.ui = &ui_;

    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;
    UserRights rights{};
    QW_DVR_HANDLE handle =
        QW_DVR_NET_Open_Device_Ex(c.ip.c_str(), c.mediaPort, c.setupPort, c.user.c_str(),
                                  c.password.c_str(), &type, &subtype, &result, &rights, nullptr);
    if (handle == nullptr) {
        ADD_FAILURE() << "open failed: " << result;
        return false;
    }
    c.device = std::make_unique<CDevice>(static_cast<uint32_t>(subtype), handle, c.ip, c.mediaPort,
                                         static_cast<uint32_t>(type));
    c.device->SetContext(&c);
    c.channelCount = c.device->channelCount;
    return true;
}

void DeviceTest::TearDown() {
    if (relay_) {
        relay_->RefuseAll();  // a connect still held would keep the close waiting
    }
    context_.reset();
    relay_.reset();
    recorder_.reset();
}

void DeviceTest::ShowPostedTexts() {
    for (const PostedMessage& m : mainWindow_.Take()) {
        if (m.message == UM_SHOW_TEXT) {
            context_->ShowPostedText(m.first);
        }
    }
}

int32_t DeviceTest::StartLive(KmVideoWindow* window, int32_t channel) {
    const size_t from = liveView_.Messages().size();
    const int32_t started = Device().StartRealPlay(window, channel);
    if (started != 0) {
        return started;
    }
    WaitUntil([&] { return RealPlayResult(channel, from).has_value(); }, 30000);
    return RealPlayResult(channel, from).value_or(-1);
}

std::string DeviceTest::LogText() const {
    std::ifstream in(home_ + kLogFileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<int32_t> DeviceTest::RealPlayResult(int32_t channel, size_t from) const {
    const std::vector<PostedMessage> all = liveView_.Messages();
    for (size_t i = from; i < all.size(); ++i) {
        if (all[i].message == UM_REAL_PLAY_DONE && all[i].first == channel) {
            return static_cast<int32_t>(all[i].second);
        }
    }
    return std::nullopt;
}

}  // namespace kestrel::client::test
