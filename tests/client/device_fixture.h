// A device object on a simulated recorder for the client core's tests: the
// recorder runs in-process on loopback (behind a relay when asked), the
// context has a scratch home and video folder, a clock, a disk and timers
// that the test drives, and pages and message boxes that keep what reaches
// them. The test's own thread plays the GUI thread.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "client_context.h"
#include "device.h"
#include "pane_recording.h"
#include "platform/clock.h"
#include "sim/recorder_config.h"
#include "sim/recorder_sim.h"
#include "slow_relay.h"

namespace kestrel::client::test {

struct PostedMessage {
    uint32_t message = 0;
    intptr_t first = 0;
    intptr_t second = 0;
};

// Keeps every posted message; Post comes from any thread.
class RecordingPage : public PageWindow {
public:
    void Post(uint32_t message, intptr_t first, intptr_t second) override;
    std::vector<PostedMessage> Messages() const;
    // Takes the messages posted so far, as a page's message loop would.
    std::vector<PostedMessage> Take();
    bool WaitForCount(size_t count, int timeoutMs) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable posted_;
    std::vector<PostedMessage> messages_;
    size_t taken_ = 0;
};

class RecordingUi : public ClientUi {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// The live page's side of the pane controller: timers and marker counted.
class FakePanes : public PaneRecordingView {
public:
    explicit FakePanes(CDevice& device) : device_(device) {}
    bool PanePlaying(int pane) const override { return device_.LiveStarted(pane); }
    void StartRecordTimers(int pane) override { started.push_back(pane); }
    void StopRecordTimers(int pane) override { stopped.push_back(pane); }
    std::vector<int> started;
    std::vector<int> stopped;

private:
    CDevice& device_;
};

// Microphone (silence) and speaker through SDL's disk driver, for talk.
void UseDiskAudio();

// The clock, disk and timers the context sees. A timer runs when the test
// runs it, and moves the clock to its time.
struct FakeSeams {
    std::mutex mutex;
    platform::LocalTime now{2011, 3, 5, 23, 59, 58, 0, 6};
    std::atomic<int64_t> freeBytes{int64_t{100} << 30};

    ClientSeams Seams();
    void Advance(int milliseconds);
    platform::LocalTime Now();
    // Delays of every timer set so far, in order.
    std::vector<int> Timers();
    // Runs the earliest pending timer: false when none is pending.
    bool RunNextTimer();
    void RunTimers();

private:
    struct Pending {
        int64_t due;
        std::function<void()> task;
    };
    std::vector<int> timers_;       // guarded by mutex
    std::vector<Pending> pending_;  // guarded by mutex
    int64_t elapsedMs_ = 0;         // guarded by mutex
};

// Polls done every 20 ms until it holds or timeoutMs passed.
template <typename Predicate>
bool WaitUntil(Predicate done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A fresh scratch folder under the test temp folder, ending with '/'.
std::string ScratchFolder(const std::string& name);
// Output of a shell command (stdout only), and whether it exited with 0.
bool RunCommand(const std::string& command, std::string* output);

class DeviceTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Starts the recorder and opens the device; false (with a test failure)
    // when either fails. streamChoice 1 asks for the sub stream. viaRelay
    // puts a SlowRelay (Relay()) between the device and the command port.
    bool OpenDevice(sim::RecorderConfig config = {}, int32_t streamChoice = 0,
                    bool viaRelay = false);
    // The GUI thread's share of the test: shows the texts posted to the main
    // window.
    void ShowPostedTexts();
    // Starts a channel and waits for its connect: the result of
    // UM_REAL_PLAY_DONE, the failing result of the start itself, or -1 when
    // no result came in time.
    int32_t StartLive(KmVideoWindow* window, int32_t channel);
    // The result of the first UM_REAL_PLAY_DONE for channel among the live
    // view's messages from index from on, if one came.
    std::optional<int32_t> RealPlayResult(int32_t channel, size_t from) const;

    CDevice& Device() { return *context_->device; }
    ClientContext& Context() { return *context_; }
    sim::RecorderSim& Recorder() { return *recorder_; }
    SlowRelay& Relay() { return *relay_; }
    // Text of the context's log file.
    std::string LogText() const;

    FakeSeams seams_;
    RecordingPage liveView_;
    RecordingPage channelPanel_;
    RecordingPage mainWindow_;
    RecordingUi ui_;
    std::string home_;

private:
    std::unique_ptr<sim::RecorderSim> recorder_;
    std::unique_ptr<SlowRelay> relay_;
    std::unique_ptr<ClientContext> context_;  // closed before the relay and the recorder stop
};

}  // namespace kestrel::client::test
