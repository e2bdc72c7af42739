#include "file_play.h"

#include <algorithm>
#include <cstdio>

#include "paired_rounds.h"
#include "sim/frame_records.h"

namespace kestrel::bench {

namespace {

constexpr double kFrameIntervalMs = sim::kFrameIntervalUs / 1000.0;

}  // namespace

FilePlayback::FilePlayback(const std::string& path, PictureLogWindow& window) {
    handle_ = QW_DVR_MEDIA_OpenFileDecoderRP3(path.c_str(), nullptr);
    if (handle_ == nullptr ||
        QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle_, this, &FilePlayback::OnInfo) != 0) {
        return;
    }
    KmVideoWindow* windows[] = {window.Window()};
    const int32_t channel = 0;
    started_ = QW_DVR_MEDIA_StartPlay(handle_, windows, 1, &channel, 1, 0) == 0;
}

FilePlayback::~FilePlayback() {
    if (handle_ != nullptr) {
        QW_DVR_MEDIA_StopPlay(handle_, 0);
        QW_DVR_MEDIA_CloseDecoder(handle_);
    }
}

int32_t FilePlayback::OnInfo(void* user, const QwPlayInfo* info) {
    if (info->code == QW_PLAYINFO_END) {
        static_cast<FilePlayback*>(user)->ended_.store(true);
    }
    return 0;
}

std::optional<size_t> FindPicture(const std::vector<PictureLogWindow::Picture>& pictures,
                                  size_t from, std::chrono::steady_clock::time_point since,
                                  uint64_t hash) {
    for (size_t i = from; i < pictures.size(); ++i) {
        if (pictures[i].hash == hash && pictures[i].at >= since) {
            return i;
        }
    }
    return std::nullopt;
}

bool HasIdrSlice(std::span<const uint8_t> unit) {
    for (size_t i = 0; i + 3 < unit.size(); ++i) {
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1 && (unit[i + 3] & 0x1f) == 5) {
            return true;
        }
    }
    return false;
}

int FramesFromKey(const sim::MediaClip& clip, int target) {
    int back = 0;
    while (back < target && !HasIdrSlice(clip.AccessUnit(static_cast<size_t>(target - back) %
                                                         clip.AccessUnitCount()))) {
        ++back;
    }
    return back;
}

SeekSummary PrintSeeks(const char* label, std::vector<SeekResult> results) {
    std::vector<double> ms;
    int stale = 0;
    int failed = 0;
    for (const SeekResult& result : results) {
        if (result.ok) {
            ms.push_back(result.ms);
            stale += result.stale;
        } else {
            ++failed;
        }
    }
    SeekSummary summary;
    if (ms.empty()) {
        std::printf("  %-8s no positioning showed its frame\n", label);
        return summary;
    }
    summary.median_ms = Median(ms);
    summary.max_ms = *std::max_element(ms.begin(), ms.end());
    summary.shown = ms.size();
    std::printf(
        "  %-8s median %6.1f ms (%.2f frame intervals), max %6.1f ms (%.2f); %zu/%zu showed "
        "the frame, %d older pictures after the call%s\n",
        label, summary.median_ms, summary.median_ms / kFrameIntervalMs, summary.max_ms,
        summary.max_ms / kFrameIntervalMs, summary.shown, results.size(), stale,
        failed > 0 ? " - WRONG OR NO PICTURE" : "");
    std::sort(results.begin(), results.end(),
              [](const SeekResult& a, const SeekResult& b) { return a.from_key < b.from_key; });
    std::printf("  %-8s by frames after the key frame:", label);
    for (const SeekResult& result : results) {
        std::printf(" %d:%.0f", result.from_key, result.ms);
    }
    std::printf(" ms\n");
    return summary;
}

}  // namespace kestrel::bench
