// kestrel-netdemo: a short console session with a recorder through the
// protocol library's C interface: open and log in, watch two live channels
// for a few seconds, print what arrived, close.
//
// usage: kestrel-netdemo HOST COMMAND_PORT [USER PASSWORD [SECONDS]]
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_net.h"

namespace {

constexpr size_t kRecordingHeaderBytes = 512;

// Walks the stream as it arrives and counts complete records.
class StreamCounter {
public:
    void Add(const unsigned char* data, size_t count) {
        std::lock_guard<std::mutex> guard(lock_);
        bytes_ += count;
        pending_.insert(pending_.end(), data, data + count);
        Walk();
    }
    void Lost() {
        std::lock_guard<std::mutex> guard(lock_);
        ++losses_;
    }
    void Print(int channel) {
        std::lock_guard<std::mutex> guard(lock_);
        std::printf("channel %d: %llu bytes, %llu video records, %llu audio records, %d losses\n",
                    channel, static_cast<unsigned long long>(bytes_),
                    static_cast<unsigned long long>(video_),
                    static_cast<unsigned long long>(audio_), losses_);
    }

private:
    static uint32_t LE32(const unsigned char* p) {
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
    void Walk() {
        size_t p = 0;
        if (!header_seen_) {
            if (pending_.size() < kRecordingHeaderBytes) {
                return;
            }
            header_seen_ = true;
            p = kRecordingHeaderBytes;
        }
        while (p + 8 <= pending_.size()) {
            const unsigned char* r = pending_.data() + p;
            size_t length;
            if (r[2] == 'd' && r[3] == 'c') {
                if (p + 24 > pending_.size()) {
                    break;
                }
                length = 24 + (r[12] | r[13] << 8) + LE32(r + 8);
                if (p + length > pending_.size()) {
                    break;
                }
                ++video_;
            } else if (r[2] == 'w' && r[3] == 'b') {
                length = 8 + (r[6] | r[7] << 8);
                if (p + length > pending_.size()) {
                    break;
                }
                ++audio_;
            } else {
                length = 1;  // padding or damage: search on
            }
            p += length;
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(p));
    }

    std::mutex lock_;
    std::vector<unsigned char> pending_;
    bool header_seen_ = false;
    uint64_t bytes_ = 0, video_ = 0, audio_ = 0;
    int losses_ = 0;
};

void QW_CALLBACK OnLiveData(QW_DVR_HANDLE, int32_t, int32_t, const unsigned char* data,
                            int32_t count, void* user) {
    auto* counter = static_cast<StreamCounter*>(user);
    if (count < 0) {
        counter->Lost();
    } else {
        counter->Add(data, static_cast<size_t>(count));
    }
}

int ChannelCount(int32_t subtype) {
    switch (subtype) {
        case 0x02079614:
        case 0x0400000A:
            return 16;
        case 0x02079603:
        case 0x02079613:
        case 0x04000008:
        case 0x04000009:
            return 8;
        default:
            return 4;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s HOST COMMAND_PORT [USER PASSWORD [SECONDS]]\n", argv[0]);
        return 2;
    }
    const char* host = argv[1];
    int port = std::atoi(argv[2]);
    const char* user = argc > 4 ? argv[3] : "admin";
    const char* password = argc > 4 ? argv[4] : "admin";
    int seconds = argc > 5 ? std::atoi(argv[5]) : 4;

    QW_DVR_NET_Init();
    std::printf("library version %s\n", QW_DVR_NET_GetSDKVersion());
    int32_t type = 0, subtype = 0, result = 0;
    UserRights rights{};
    QW_DVR_HANDLE device = QW_DVR_NET_Open_Device(host, port, user, password, &type, &subtype,
                                                  &result, &rights, nullptr);
    if (device == nullptr) {
        std::printf("open failed: 0x%08X (%s)\n", static_cast<unsigned>(result),
                    QW_DVR_NET_ResultText(result));
        QW_DVR_NET_Cleanup();
        return 1;
    }
    std::printf("opened %s:%d: type 0x%08X, subtype 0x%08X, login level %d, %d channels\n", host,
                port, static_cast<unsigned>(type), static_cast<unsigned>(subtype), result,
                ChannelCount(subtype));

    StreamCounter counters[2];
    const int channels[2] = {0, 1};
    for (int i = 0; i < 2; ++i) {
        QW_DVR_NET_SetRealDataCallBack(device, channels[i], &counters[i], OnLiveData);
        int32_t started =
            QW_DVR_NET_StartRealAV(device, 0, channels[i], 0, 0, 1, i, user, password);
        std::printf("start channel %d (%s stream): 0x%08X\n", channels[i], i == 0 ? "main" : "sub",
                    static_cast<unsigned>(started));
    }
    int32_t sound = QW_DVR_NET_OpenStreamSound(device, channels[0]);
    std::printf("stream sound on channel %d: 0x%08X\n", channels[0], static_cast<unsigned>(sound));

    for (int s = 1; s <= seconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::printf("after %d s:\n", s);
        for (int i = 0; i < 2; ++i) {
            std::printf("  ");
            counters[i].Print(channels[i]);
        }
        std::fflush(stdout);
    }

    QW_DVR_NET_CloseStreamSound(device, channels[0]);
    for (int channel : channels) {
        QW_DVR_NET_StopRealAV(device, channel);
    }
    std::printf("close: 0x%08X\n", static_cast<unsigned>(QW_DVR_NET_Close_Device(device)));
    QW_DVR_NET_Cleanup();
    return 0;
}
