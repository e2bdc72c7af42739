#include "ui_fixture.h"

#include "device.h"
#include "qt_seams.h"
#include "recorder_open.h"

namespace kestrel::ui_test {

UiFixture::UiFixture() {
    // The built-in folders ("c:\DVR\...") land under the scratch drive root.
    qputenv("KESTREL_DRIVE_ROOT", QByteArray::fromStdString(DriveRoot()));
    qputenv("KESTREL_HOME", QByteArray::fromStdString(HomeFolder()));
}

UiFixture::~UiFixture() {
    context_.reset();
    recorder_.reset();
}

bool UiFixture::StartRecorder(sim::RecorderConfig config) {
    recorder_ = std::make_unique<sim::RecorderSim>(std::move(config));
    return recorder_->Start();
}

client::ClientContext& UiFixture::Context() {
    if (!context_) {
        context_ = std::make_unique<client::ClientContext>(HomeFolder(), ui::QtSeams());
        context_->Init();
        context_->ui = &messages;
    }
    return *context_;
}

bool UiFixture::LogIn(const std::string& user, const std::string& password, int32_t streamChoice) {
    client::ClientContext& context = Context();
    context.ip = "127.0.0.1";
    context.mediaPort = recorder_->CommandPort();
    context.setupPort = recorder_->MctpPort();
    context.user = user;
    context.password = password;
    context.streamChoice = streamChoice;
    return context.AdoptDevice(client::OpenRecorder(context.StoredOpenRequest())) != nullptr;
}

sim::RecorderConfig RecorderWithChannels(int channels) {
    sim::RecorderConfig config;
    config.channel_count = channels;
    if (channels == 16) {
        config.model = 0x14;
    } else if (channels == 4) {
        config.model = 0x12;
    }
    return config;
}

}  // namespace kestrel::ui_test
