// Live latency: from the simulator's send of a frame to the present() of its
// picture, for both BufferModes, beside the floor, the time the player needs
// to decode, convert and present that same frame.
//
// A simulated recorder in this process sends one D1 main stream at 25 fps
// (no sound); the client side is the protocol library, a feed that holds
// back the recording header and hands the rest to a decoder handle opened
// with the BufferMode, and a YUY2 window. A frame is sent when it is due in
// the simulator's pacing, which is its time stamp on the wall clock (the
// simulator has no hook that reports the send itself), so the figures also
// show when its record was complete in the client (send -> receive): that
// bounds how late the simulator really sent it. A picture is matched to its
// frame by a sparse hash of its pixels: every frame of the clip looks
// different, and the clip repeats only every 4 s.
//
// The floor: the clip's frames pushed into an unpaced player as fast as it
// takes them; the time between two consecutive present() calls is what the
// second frame cost (decode, conversion, present), without any polling.
//
// Exits 1 when a part could not run or a picture matched no frame.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "channel_player.h"
#include "kestrel_media.h"
#include "kestrel_net.h"
#include "paired_rounds.h"
#include "picture_log_window.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/recorder_sim.h"
#include "stream_input.h"

namespace media = kestrel::media;
namespace sim = kestrel::sim;
namespace bench = kestrel::bench;

namespace {

using WallClock = std::chrono::system_clock;  // the clock of the stream's time stamps
constexpr int32_t kChannel = 0;
constexpr size_t kHeldBackBytes = 512;  // the stream's recording header
constexpr int kFloorLoops = 4;          // 400 frames: below the queue's 500-frame limit
// Until the backlog is steady: at once for the shallow buffer, about 10 s for the deep one.
constexpr std::chrono::seconds kSettle[] = {std::chrono::seconds(5), std::chrono::seconds(15)};
constexpr auto kMeasure = std::chrono::seconds(20);
constexpr auto kFloorLimit = std::chrono::seconds(60);
constexpr int64_t kSliceUs = 5000000;

int64_t WallUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               WallClock::now().time_since_epoch())
        .count();
}

// ---- the floor ---------------------------------------------------------------

struct Floor {
    std::unordered_map<uint64_t, size_t> frame_of_hash;  // picture hash -> clip frame
    std::vector<double> ms;                              // by clip frame
};

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

std::optional<Floor> MeasureFloor(const sim::MediaClip& clip, uint32_t type_code) {
    media::ChannelSetup setup;
    setup.type_code = type_code;
    setup.unpaced = true;
    std::unique_ptr<media::ChannelPlayer> player = media::ChannelPlayer::Create(setup);
    bench::PictureLogWindow window(4096);
    if (!player || player->Start(window.Window(), true) != 0) {
        return std::nullopt;
    }
    const size_t count = clip.AccessUnitCount();
    const size_t frames = count * kFloorLoops;
    std::vector<uint8_t> record;
    for (size_t n = 0; n < frames; ++n) {
        sim::VideoFrame video;
        video.pts_us = 1000000 + n * sim::kFrameIntervalUs;
        video.payload = clip.AccessUnit(n % count);
        record.clear();
        sim::AppendVideoRecord(record, video);
        player->PushFrame(record, ReadLE32(record.data()), video.pts_us);
    }
    const bool complete =
        window.WaitForCount(frames, std::chrono::steady_clock::now() + kFloorLimit);
    player->Stop();
    const std::vector<bench::PictureLogWindow::Picture> pictures = window.Pictures();
    if (!complete || pictures.size() != frames) {
        std::printf("  floor: %zu of %zu pictures\n", pictures.size(), frames);
        return std::nullopt;
    }
    Floor floor;
    std::vector<std::vector<double>> by_frame(count);
    for (size_t n = 0; n < frames; ++n) {
        const size_t frame = n % count;
        if (n < count) {
            floor.frame_of_hash[pictures[n].hash] = frame;
        } else if (pictures[n].hash != pictures[frame].hash) {
            std::printf("  floor: frame %zu looks different in another loop\n", frame);
            return std::nullopt;
        }
        if (n > 0) {  // the first one also paid for the start
            by_frame[frame].push_back(double(pictures[n].at_us - pictures[n - 1].at_us) / 1000.0);
        }
    }
    if (floor.frame_of_hash.size() != count) {
        std::printf("  floor: only %zu of the clip's %zu frames look different\n",
                    floor.frame_of_hash.size(), count);
        return std::nullopt;
    }
    for (const std::vector<double>& ms : by_frame) {
        floor.ms.push_back(bench::Median(ms));
    }
    return floor;
}

// ---- the live channel -----------------------------------------------------------

// The client side of the stream: the header held back, the rest to the
// decoder handle, and each complete video record's time stamp logged with
// the wall time its last byte arrived.
class Feed : private media::StreamSink {
public:
    struct Received {
        uint64_t pts_us;
        int64_t at_us;
    };

    Feed(QW_DECODER_HANDLE decoder, uint32_t type_code)
        : decoder_(decoder), parser_(media::StreamInput::Create(type_code, *this)) {}
    bool Ready() const { return parser_ != nullptr; }

    static void QW_CALLBACK OnData(QW_DVR_HANDLE, int32_t, int32_t, const unsigned char* data,
                                   int32_t count, void* user) {
        auto* self = static_cast<Feed*>(user);
        if (data == nullptr || count <= 0) {
            return;
        }
        const int64_t now = WallUs();
        std::lock_guard lock(self->mutex_);
        std::span<const uint8_t> block(data, static_cast<size_t>(count));
        const size_t skip = std::min<size_t>(kHeldBackBytes - self->held_back_, block.size());
        self->held_back_ += skip;
        block = block.subspan(skip);
        if (block.empty()) {
            return;
        }
        if (QW_DVR_MEDIA_InputDataToDecoder(self->decoder_, QW_MEDIA_INPUT_STREAM, block.data(),
                                            static_cast<int32_t>(block.size())) != QW_MEDIA_OK) {
            ++self->refused_;
        }
        self->now_us_ = now;
        self->parser_->InputStream(block);
    }
    std::vector<Received> Log() const {
        std::lock_guard lock(mutex_);
        return received_;
    }
    uint64_t Refused() const {
        std::lock_guard lock(mutex_);
        return refused_;
    }

private:
    // Under mutex_: runs inside OnData's InputStream.
    void OnVideoRecord(std::span<const uint8_t>, uint32_t, uint64_t pts_us) override {
        received_.push_back({pts_us, now_us_});
    }
    void OnAudioBlock(int, std::span<const uint8_t>, uint64_t) override {}

    const QW_DECODER_HANDLE decoder_;
    std::unique_ptr<media::StreamInput> parser_;
    mutable std::mutex mutex_;  // guards everything below
    size_t held_back_ = 0;
    int64_t now_us_ = 0;
    uint64_t refused_ = 0;
    std::vector<Received> received_;
};

struct Sample {
    double send_to_present_ms;
    double send_to_receive_ms;
    double receive_to_present_ms;
    double floor_ms;
    int64_t at_us;
};

void PrintLine(const char* what, const std::vector<double>& ms) {
    std::printf("    %-26s median %7.1f ms   p95 %7.1f ms   max %7.1f ms\n", what,
                bench::Median(ms), bench::Percentile(ms, 0.95),
                ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()));
}

// Matches every picture shown in [from, to) with the frame it shows.
bool Report(int32_t mode, const std::vector<bench::PictureLogWindow::Picture>& pictures,
            const std::vector<Feed::Received>& received, const Floor& floor, size_t clip_frames,
            int64_t from_us, int64_t to_us, uint64_t refused) {
    std::vector<Sample> samples;
    int unmatched = 0;
    size_t frames_in_window = 0;
    for (const Feed::Received& record : received) {
        frames_in_window += record.at_us >= from_us && record.at_us < to_us ? 1 : 0;
    }
    const uint64_t first_pts = received.empty() ? 0 : received.front().pts_us;
    for (const bench::PictureLogWindow::Picture& picture : pictures) {
        if (picture.at_us < from_us || picture.at_us >= to_us) {
            continue;
        }
        const auto frame = floor.frame_of_hash.find(picture.hash);
        // The latest record of that clip frame complete before the picture.
        const Feed::Received* match = nullptr;
        auto it = std::upper_bound(
            received.begin(), received.end(), picture.at_us,
            [](int64_t at, const Feed::Received& record) { return at < record.at_us; });
        for (size_t back = 0;
             frame != floor.frame_of_hash.end() && back < clip_frames && it != received.begin();
             ++back) {
            --it;
            const uint64_t index = (it->pts_us - first_pts) / sim::kFrameIntervalUs;
            if (index % clip_frames == frame->second) {
                match = &*it;
                break;
            }
        }
        if (match == nullptr) {
            ++unmatched;
            continue;
        }
        Sample sample;
        sample.send_to_present_ms = double(picture.at_us - int64_t(match->pts_us)) / 1000.0;
        sample.send_to_receive_ms = double(match->at_us - int64_t(match->pts_us)) / 1000.0;
        sample.receive_to_present_ms = double(picture.at_us - match->at_us) / 1000.0;
        sample.floor_ms = floor.ms[frame->second];
        sample.at_us = picture.at_us;
        samples.push_back(sample);
    }
    std::vector<double> total, network, client, floor_ms;
    const size_t slice_count =
        static_cast<size_t>(std::max<int64_t>(1, (to_us - from_us) / kSliceUs));
    std::vector<std::vector<double>> slices(slice_count);
    for (const Sample& sample : samples) {
        total.push_back(sample.send_to_present_ms);
        network.push_back(sample.send_to_receive_ms);
        client.push_back(sample.receive_to_present_ms);
        floor_ms.push_back(sample.floor_ms);
        const size_t slice = static_cast<size_t>((sample.at_us - from_us) / kSliceUs);
        slices[std::min(slice, slice_count - 1)].push_back(sample.send_to_present_ms);
    }
    std::printf(
        "  BufferMode %d: %zu pictures matched, %d unmatched, %zu frames received in the same %lld "
        "s, %llu blocks refused\n",
        mode, samples.size(), unmatched, frames_in_window,
        static_cast<long long>((to_us - from_us) / 1000000),
        static_cast<unsigned long long>(refused));
    PrintLine("send -> present", total);
    PrintLine("send -> receive", network);
    PrintLine("receive -> present", client);
    PrintLine("floor of the same frames", floor_ms);
    std::printf("    send -> present, median of each %lld s:",
                static_cast<long long>(kSliceUs / 1000000));
    for (const std::vector<double>& slice : slices) {
        std::printf(" %.1f", bench::Median(slice));
    }
    std::printf(" ms\n");
    return unmatched == 0 && !samples.empty();
}

bool MeasureMode(int32_t mode, const sim::RecorderSim& recorder, const Floor& floor,
                 size_t clip_frames) {
    int32_t type = 0, subtype = 0, result = 0;
    UserRights rights{};
    QW_DVR_HANDLE device =
        QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), "admin", "admin",
                               &type, &subtype, &result, &rights, nullptr);
    if (device == nullptr) {
        std::printf("  BufferMode %d: open failed (%d)\n", mode, result);
        return false;
    }
    QW_DECODER_HANDLE decoder = QW_DVR_MEDIA_OpenDecoder(static_cast<uint32_t>(type),
                                                         static_cast<uint32_t>(subtype), 0, mode);
    bench::PictureLogWindow window(4096);
    std::unique_ptr<Feed> feed =
        decoder != nullptr ? std::make_unique<Feed>(decoder, static_cast<uint32_t>(type)) : nullptr;
    KmVideoWindow* windows[] = {window.Window()};
    const int32_t channel = kChannel;
    const bool playing = feed != nullptr && feed->Ready() &&
                         QW_DVR_MEDIA_StartPlay(decoder, windows, 1, &channel, 1, 0) == 0;
    const bool live =
        playing &&
        QW_DVR_NET_SetRealDataCallBack(device, kChannel, feed.get(), Feed::OnData) == 0 &&
        QW_DVR_NET_StartRealAV(device, 0, kChannel, 0, 0, 1, 0, "admin", "admin") == 0;
    int64_t from_us = 0, to_us = 0;
    if (live) {
        std::this_thread::sleep_for(kSettle[mode]);
        from_us = WallUs();
        std::this_thread::sleep_for(kMeasure);
        to_us = WallUs();
        QW_DVR_NET_StopRealAV(device, kChannel);
    }
    if (playing) {
        QW_DVR_MEDIA_StopPlay(decoder, kChannel);
    }
    if (decoder != nullptr) {
        QW_DVR_MEDIA_CloseDecoder(decoder);
    }
    QW_DVR_NET_Close_Device(device);
    if (!live) {
        std::printf("  BufferMode %d: the channel did not start\n", mode);
        return false;
    }
    return Report(mode, window.Pictures(), feed->Log(), floor, clip_frames, from_us, to_us,
                  feed->Refused());
}

}  // namespace

int main() {
    std::string error;
    const auto media_set = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media_set) {
        std::printf("live latency: cannot load media: %s\n", error.c_str());
        return 1;
    }
    const sim::RecorderConfig config;  // the default recorder, paced, no sound
    sim::RecorderSim recorder(config);
    if (!recorder.Start()) {
        std::printf("live latency: simulator: %s\n", recorder.LastError().c_str());
        return 1;
    }
    int32_t type = 0, subtype = 0, result = 0;
    QW_DVR_HANDLE probe =
        QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), "admin", "admin",
                               &type, &subtype, &result, nullptr, nullptr);
    if (probe == nullptr) {
        std::printf("live latency: open failed (%d)\n", result);
        return 1;
    }
    QW_DVR_NET_Close_Device(probe);
    const sim::MediaClip& clip = media_set->main_clip;
    std::printf(
        "live latency: one D1 main stream at %d fps from a simulated recorder in this process, "
        "YUY2 window, %lld s measured per BufferMode after %lld s (mode 0) or %lld s (mode 1) of "
        "settling; send = the frame's due time in the simulator's pacing\n",
        sim::kFramesPerSecond, static_cast<long long>(kMeasure.count()),
        static_cast<long long>(kSettle[0].count()), static_cast<long long>(kSettle[1].count()));
    const std::optional<Floor> floor = MeasureFloor(clip, static_cast<uint32_t>(type));
    if (!floor) {
        std::printf("  floor: the unpaced player did not show every frame\n");
        return 1;
    }
    std::printf(
        "  floor (decode, conversion and present in an unpaced player, median of %d loops per "
        "frame): median %.2f ms, p95 %.2f ms over the clip's %zu frames\n",
        kFloorLoops, bench::Median(floor->ms), bench::Percentile(floor->ms, 0.95),
        floor->ms.size());
    bool ok = true;
    for (const int32_t mode : {0, 1}) {
        ok = MeasureMode(mode, recorder, *floor, clip.AccessUnitCount()) && ok;
    }
    recorder.Stop();
    return ok ? 0 : 1;
}
