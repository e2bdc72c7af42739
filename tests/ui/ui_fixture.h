// What a page test needs: a scratch home and drive root, a simulated
// recorder in-process on loopback, a client context with Qt timers whose
// message boxes are recorded instead of shown, and a login without the
// login page.
#pragma once

#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "client_context.h"
#include "sim/recorder_config.h"
#include "sim/recorder_sim.h"

namespace kestrel::ui_test {

class RecordedMessages : public client::ClientUi {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class UiFixture {
public:
    UiFixture();
    ~UiFixture();  // the context closes before the recorder stops

    // Starts the recorder; false when it cannot.
    bool StartRecorder(sim::RecorderConfig config = {});
    // The context, made on first use with the scratch home.
    client::ClientContext& Context();
    // Opens the recorder with the stored login data as a finished login
    // would leave it: true when the device is open.
    bool LogIn(const std::string& user = "admin", const std::string& password = "admin",
               int32_t streamChoice = 1);

    sim::RecorderSim& Recorder() { return *recorder_; }
    std::string HomeFolder() const { return home_.path().toStdString() + "/"; }
    std::string DriveRoot() const { return driveRoot_.path().toStdString() + "/"; }

    RecordedMessages messages;

private:
    QTemporaryDir home_;
    QTemporaryDir driveRoot_;
    std::unique_ptr<sim::RecorderSim> recorder_;
    std::unique_ptr<client::ClientContext> context_;
};

// Model byte of the simulator for a channel count (1 is served as 4 with
// RecorderConfig::channel_count).
sim::RecorderConfig RecorderWithChannels(int channels);

}  // namespace kestrel::ui_test
