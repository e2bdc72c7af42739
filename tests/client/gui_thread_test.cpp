// The test thread plays the GUI thread of the live page on a 16-channel
// recorder behind a relay: every pane plays and records, every recording
// splits, talk opens and closes, then, while the relay holds the recorder's
// answers, one channel is stopped during its connect and another's start is
// refused. Every call must be back before the held connects are answered.
// How long each call took is measured around it and the longest printed;
// no bound is asserted (speed belongs to benchmarks).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "device_fixture.h"
#include "memory_window.h"
#include "pane_recording.h"

namespace kestrel::client::test {
namespace {

constexpr int kWaitMs = 30000;

// CPU time of the calling thread, to tell a call that worked from one that
// waited or was kept off the CPU by the machine's load.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Times each call made through it and keeps the longest of each kind, with
// the CPU time that call used.
class CallTimer {
public:
    template <typename Call>
    decltype(auto) operator()(const char* what, Call call) {
        struct Note {
            CallTimer& timer;
            const char* what;
            std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
            double cpuStart = ThreadCpuMs();
            ~Note() {
                timer.Add(what,
                          std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start)
                              .count(),
                          ThreadCpuMs() - cpuStart);
            }
        } note{*this, what};
        return call();
    }
    void Print() const {
        std::vector<std::pair<Took, std::string>> kinds;
        for (const auto& [what, took] : longest_) {
            kinds.emplace_back(took, what);
        }
        std::sort(kinds.rbegin(), kinds.rend());
        std::printf("[ GUI thread ] %d core calls; longest %.2f ms (%s)\n", calls_,
                    kinds.empty() ? 0.0 : kinds[0].first.wallMs,
                    kinds.empty() ? "" : kinds[0].second.c_str());
        for (const auto& [took, what] : kinds) {
            std::printf("[ GUI thread ]   %-30s %8.2f ms, %6.2f ms of it on the CPU\n",
                        what.c_str(), took.wallMs, took.cpuMs);
        }
    }

private:
    struct Took {
        double wallMs = 0;
        double cpuMs = 0;
        auto operator<=>(const Took&) const = default;
    };

    void Add(const char* what, double wallMs, double cpuMs) {
        ++calls_;
        Took& longest = longest_[what];
        if (wallMs > longest.wallMs) {
            longest = {wallMs, cpuMs};
        }
    }

    int calls_ = 0;
    std::map<std::string, Took> longest_;
};

// Streams the recorder started for a channel, and how many of them still run.
std::pair<size_t, size_t> StreamsOf(const sim::RecorderSim& recorder, int channel) {
    size_t started = 0;
    size_t running = 0;
    for (const sim::StreamId& id : recorder.Observed().StreamIds()) {
        const auto stream = recorder.Observed().Stream(id);
        if (stream && stream->channel == channel) {
            ++started;
            running += stream->running ? 1 : 0;
        }
    }
    return {started, running};
}

class GuiThread : public DeviceTest {
protected:
    // Outlive the device, whose decoders draw into them until it closes.
    std::array<media::test::MemoryWindow, kPaneCount> windows_;
};

TEST_F(GuiThread, NoCallWaitsForTheRecorder) {
    UseDiskAudio();
    sim::RecorderConfig config;
    config.family = 0x96;
    config.model = 0x14;  // 16 channels
    config.faults.stall_live_after_bytes = 512 + 65536;
    ASSERT_TRUE(OpenDevice(config, 1, true));
    ASSERT_EQ(Device().channelCount, kPaneCount);
    CallTimer timed;
    for (int pane = 0; pane < kPaneCount; ++pane) {
        ASSERT_EQ(timed("StartRealPlay",
                        [&] { return Device().StartRealPlay(windows_[pane].Window(), pane); }),
                  0);
    }
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (int pane = 0; pane < kPaneCount; ++pane) {
                if (RealPlayResult(pane, 0) != 0) {
                    return false;
                }
            }
            return true;
        },
        kWaitMs));

    FakePanes panes(Device());
    PaneRecording controller(Context(), panes);
    timed("record all", [&] { controller.ToggleAll(); });
    for (int pane = 0; pane < kPaneCount; ++pane) {
        ASSERT_TRUE(Device().Recording(pane)) << pane;
        timed("split", [&] { controller.OnSplitTimer(pane); });
    }
    while (timed("split pause ends", [&] { return seams_.RunNextTimer(); })) {
    }
    EXPECT_EQ(panes.started.size(), 2u * kPaneCount) << "every pane records into a second file";
    ASSERT_EQ(timed("talk on", [&] { return Device().ToggleTalk(); }), 1);
    ASSERT_EQ(timed("talk off", [&] { return Device().ToggleTalk(); }), 1);
    seams_.RunTimers();

    // The relay now holds the connects: channel 14 stops during its connect,
    // channel 15's start is refused.
    for (int pane : {14, 15}) {
        timed("stop recording", [&] { return controller.StopPane(pane); });
        ASSERT_EQ(timed("StopRealPlay", [&] { return Device().StopRealPlay(pane); }), 1);
    }
    const auto before = StreamsOf(Recorder(), 14);
    const size_t from = liveView_.Messages().size();
    Relay().Hold();
    ASSERT_EQ(
        timed("StartRealPlay", [&] { return Device().StartRealPlay(windows_[14].Window(), 14); }),
        0);
    ASSERT_TRUE(WaitUntil([&] { return Relay().Held() == 1; }, kWaitMs));
    ASSERT_EQ(timed("StopRealPlay while connecting", [&] { return Device().StopRealPlay(14); }), 1);
    ASSERT_EQ(
        timed("StartRealPlay", [&] { return Device().StartRealPlay(windows_[15].Window(), 15); }),
        0);
    ASSERT_TRUE(WaitUntil([&] { return Relay().Held() == 2; }, kWaitMs));
    EXPECT_EQ(Relay().Held(), 2u) << "every call came back while the recorder kept silent";

    Relay().ReleaseOldest(true);   // channel 14's connect completes after its stop
    Relay().ReleaseOldest(false);  // channel 15's is refused
    ASSERT_TRUE(WaitUntil([&] { return RealPlayResult(15, from).has_value(); }, kWaitMs));
    EXPECT_NE(*RealPlayResult(15, from), 0);
    EXPECT_EQ(Device().Decoder(15), nullptr) << "a refused start closes its decoder";
    EXPECT_FALSE(Device().LiveStarted(15));
    // The late stream of channel 14 is closed by its worker, never attached.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto now = StreamsOf(Recorder(), 14);
            return now.first == before.first + 1 && now.second == 0;
        },
        kWaitMs));
    EXPECT_FALSE(RealPlayResult(14, from).has_value());
    EXPECT_FALSE(Device().LiveStarted(14));
    EXPECT_EQ(Device().Decoder(14), nullptr);
    timed.Print();
}

}  // namespace
}  // namespace kestrel::client::test
