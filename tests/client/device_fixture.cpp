#include "device_fixture.h"

#include <chrono>
#include <cstdio>
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
    seams.sleep = [this](int milliseconds) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            sleeps.push_back(milliseconds);
        }
        Advance(milliseconds);
    };
    return seams;
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

bool DeviceTest::OpenDevice(sim::RecorderConfig config, int32_t streamChoice) {
    recorder_ = std::make_unique<sim::RecorderSim>(std::move(config));
    if (!recorder_->Start()) {
        ADD_FAILURE() << recorder_->LastError();
        return false;
    }
    home_ = ScratchFolder("home");
    context_ = std::make_unique<ClientContext>(home_, seams_.Seams());
    ClientContext& c = *context_;
    c.ip = recorder_->Address();
    c.mediaPort = recorder_->CommandPort();
    c.setupPort = recorder_->MctpPort();
    c.user = "admin";
    c.password = "admin";
    c.streamChoice = streamChoice;
    c.videoPath = home_ + "video/";
    c.pages.Register(PageId::kLiveView, &liveView_);
    c.pages.Register(PageId::kChannelPanel, &channelPanel_);
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
    context_.reset();
    recorder_.reset();
}

std::string DeviceTest::LogText() const {
    std::ifstream in(home_ + kLogFileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace kestrel::client::test
