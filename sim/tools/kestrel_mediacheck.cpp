// kestrel-mediacheck: one live channel from a recorder on loopback (an
// embedded simulated one unless --host/--port name another) through the
// protocol and media libraries into a window that prints each presented
// picture as "frame N WxH md5", then a summary. For demos and manual
// checks of the whole live path; see MediacheckUsage() for the options.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "live_feed.h"
#include "mediacheck_options.h"
#include "picture_log.h"
#include "sim/recorder_sim.h"

namespace {

namespace sim = kestrel::sim;
namespace tools = kestrel::tools;
using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 50;
// Queued frames are still shown after the stream stops; the player paces them
// in real time, so a slow machine may hold a second or more of them. The drain
// ends when no picture came for kDrainIdleMs, or after kDrainMaxMs in all.
constexpr int kDrainIdleMs = 1000;
constexpr int kDrainMaxMs = 10000;

struct RecorderTarget {
    std::string address;
    uint16_t port = 0;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The 16-channel model, so every channel the options accept exists.
sim::RecorderConfig EmbeddedConfig() {
    sim::RecorderConfig config;
    config.family = 0x96;
    config.model = 0x14;
    return config;
}

void PrintSummary(const tools::PictureFigures& pictures, const tools::LiveFigures& live,
                  const sim::RecorderSim* embedded) {
    std::printf("summary: pictures presented %llu\n",
                static_cast<unsigned long long>(pictures.pictures));
    for (const auto& [size, count] : pictures.sizes) {
        std::printf("summary: size %dx%d pictures %llu\n", size.first, size.second,
                    static_cast<unsigned long long>(count));
    }
    std::printf("summary: frames received %llu (video records after the header), %llu bytes\n",
                static_cast<unsigned long long>(live.video_records),
                static_cast<unsigned long long>(live.bytes));
    if (embedded != nullptr) {
        uint64_t sent = 0;
        for (const sim::StreamId& id : embedded->Observed().StreamIds()) {
            sent += embedded->Observed().StreamBytesSent(id);
        }
        std::printf("summary: simulator sent %llu stream bytes\n",
                    static_cast<unsigned long long>(sent));
    }
    std::printf("summary: renderer clears %d\n", pictures.clears);
    std::printf(
        "summary: input refused %llu blocks, stream lost %llu times, unusable pictures %llu%s\n",
        static_cast<unsigned long long>(live.refused_blocks),
        static_cast<unsigned long long>(live.losses),
        static_cast<unsigned long long>(pictures.unusable),
        pictures.raw_write_failed ? ", raw file write FAILED" : "");
}

// Opens the recorder, plays the channel for the asked time and prints the
// summary. Returns the exit status.
int Check(const tools::MediacheckOptions& options, const RecorderTarget& target,
          const sim::RecorderSim* embedded) {
    int32_t type = 0, subtype = 0, result = 0;
    UserRights rights{};
    QW_DVR_HANDLE device =
        QW_DVR_NET_Open_Device(target.address.c_str(), target.port, "admin", "admin", &type,
                               &subtype, &result, &rights, nullptr);
    if (device == nullptr) {
        std::fprintf(stderr, "kestrel-mediacheck: cannot open %s:%u (result %d)\n",
                     target.address.c_str(), static_cast<unsigned>(target.port), result);
        return 1;
    }
    QW_DECODER_HANDLE decoder = QW_DVR_MEDIA_OpenDecoder(
        static_cast<uint32_t>(type), static_cast<uint32_t>(subtype), 0, options.buffer_mode);
    std::unique_ptr<tools::LiveFeed> feed =
        decoder != nullptr ? tools::LiveFeed::Create(decoder, static_cast<uint32_t>(type))
                           : nullptr;
    std::unique_ptr<std::FILE, FileCloser> raw;
    if (!options.out_file.empty()) {
        raw.reset(std::fopen(options.out_file.c_str(), "wb"));
    }
    tools::PictureLog log(options.rgb_window ? KM_FORMAT_RGB32 : KM_FORMAT_YUY2, stdout, raw.get());
    KmVideoWindow* windows[] = {log.Window()};
    const int32_t channel = options.channel;

    bool playing = false;
    bool live = false;
    if (decoder == nullptr || feed == nullptr) {
        std::fprintf(stderr, "kestrel-mediacheck: no decoder for type 0x%08X/0x%08X\n",
                     static_cast<unsigned>(type), static_cast<unsigned>(subtype));
    } else if (!options.out_file.empty() && raw == nullptr) {
        std::fprintf(stderr, "kestrel-mediacheck: cannot create %s\n", options.out_file.c_str());
    } else if (QW_DVR_MEDIA_StartPlay(decoder, windows, 1, &channel, 1, 0) != QW_MEDIA_OK) {
        std::fprintf(stderr, "kestrel-mediacheck: the decoder does not start channel %d\n",
                     channel);
    } else {
        playing = true;
        QW_DVR_NET_SetRealDataCallBack(device, channel, feed.get(), tools::LiveFeed::OnData);
        const int32_t started =
            QW_DVR_NET_StartRealAV(device, 0, channel, 0, 0, 1, options.stream, "admin", "admin");
        live = started == 0;
        if (!live) {
            std::fprintf(stderr, "kestrel-mediacheck: live start of channel %d failed: %d\n",
                         channel, started);
        }
    }

    if (live) {
        const auto end = Clock::now() + std::chrono::seconds(options.seconds);
        while (Clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
        QW_DVR_NET_StopRealAV(device, channel);
        // Let the player show what it still holds, so the summary compares
        // whole counts.
        const auto drain_end = Clock::now() + std::chrono::milliseconds(kDrainMaxMs);
        auto last_progress = Clock::now();
        uint64_t shown = log.Figures().pictures;
        while (Clock::now() < drain_end && shown < feed->Figures().video_records &&
               Clock::now() - last_progress < std::chrono::milliseconds(kDrainIdleMs)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs / 5));
            const uint64_t now_shown = log.Figures().pictures;
            if (now_shown != shown) {
                shown = now_shown;
                last_progress = Clock::now();
            }
        }
    }
    if (playing) {
        QW_DVR_MEDIA_StopPlay(decoder, channel);
    }
    if (decoder != nullptr) {
        QW_DVR_MEDIA_CloseDecoder(decoder);
    }
    QW_DVR_NET_Close_Device(device);
    if (!live) {
        return 1;
    }
    const tools::PictureFigures pictures = log.Figures();
    const tools::LiveFigures received = feed->Figures();
    PrintSummary(pictures, received, embedded);
    const bool clean = received.refused_blocks == 0 && received.losses == 0 &&
                       pictures.unusable == 0 && !pictures.raw_write_failed;
    return pictures.pictures > 0 && clean ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    tools::MediacheckOptions options;
    std::string error;
    if (!tools::ParseMediacheckOptions(std::vector<std::string>(argv + 1, argv + argc), &options,
                                       &error)) {
        std::fprintf(stderr, "kestrel-mediacheck: %s\n%s", error.c_str(),
                     tools::MediacheckUsage().c_str());
        return 2;
    }
    if (options.show_help) {
        std::fputs(tools::MediacheckUsage().c_str(), stdout);
        return 0;
    }
    QW_DVR_NET_Init();
    std::unique_ptr<sim::RecorderSim> embedded;
    RecorderTarget target;
    if (options.host) {
        target = {*options.host, options.port};
    } else {
        embedded = std::make_unique<sim::RecorderSim>(EmbeddedConfig());
        if (!embedded->Start()) {
            std::fprintf(stderr, "kestrel-mediacheck: simulator: %s\n",
                         embedded->LastError().c_str());
            QW_DVR_NET_Cleanup();
            return 1;
        }
        target = {embedded->Address(), embedded->CommandPort()};
    }
    const int status = Check(options, target, embedded.get());
    if (embedded) {
        embedded->Stop();
    }
    QW_DVR_NET_Cleanup();
    return status;
}
