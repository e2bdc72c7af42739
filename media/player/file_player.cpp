// The control surface of a file handle: opening (also of a download), start
// and stop, pause, rate, direction, read interval and sound.
#include "file_player.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>

#include "audio_components.h"
#include "channel_player.h"
#include "file_player_core.h"
#include "file_result.h"
#include "library_state.h"
#include "media_result.h"

namespace kestrel::media {
namespace {

constexpr uint64_t kMinOpenBytes = 20480;  // a download opens once it holds this much
constexpr int kOpenPollMs = 10;
constexpr int kOpenPollsPerCheck = 20;
constexpr int kThreadStopWaitMs = 5000;
constexpr uint32_t kPendingLengthMarker = 3;
constexpr int kDeliveryWaitMs = 2000;

// Read interval of the types fed by interval, by rate and direction.
std::optional<int32_t> IntervalFor(int32_t rate, int32_t direction, int32_t frame_interval) {
    if (direction == kBackward) {
        static constexpr int32_t kBackwardMs[] = {1000, 500, 250, 125, 62};
        if (rate < 0) {
            return std::nullopt;
        }
        return kBackwardMs[rate];
    }
    static constexpr int32_t kFastMs[] = {0, 500, 333, 250, 200};
    if (rate > 0) {
        return kFastMs[rate];
    }
    return frame_interval << -rate;  // 1, 2, 4, 8 or 16 frame intervals
}

}  // namespace

// ---- the handle ------------------------------------------------------------

FilePlayer::FilePlayer(std::shared_ptr<Core> core) : core_(std::move(core)) {}

std::unique_ptr<FilePlayer> FilePlayer::Create(const char* local_file, const char* device_file,
                                               int32_t* result) {
    *result = kMediaFileName;
    if (local_file == nullptr) {
        return nullptr;
    }
    std::shared_ptr<Core> core(new (std::nothrow) Core);
    std::unique_ptr<FilePlayer> player(core ? new (std::nothrow) FilePlayer(core) : nullptr);
    if (!player) {
        *result = kMediaFailed;
        return nullptr;
    }
    core->file_name = local_file;
    core->read_buffer.resize(kStepReadBytes);
    if (device_file != nullptr) {
        core->device_file = device_file;
        core->pending = true;
        core->source.SetExpectedLength(kPendingLengthMarker);
    }
    std::lock_guard lock(core->control_mutex);
    *result = core->OpenFile();
    return *result == kMediaOk ? std::move(player) : nullptr;
}

FilePlayer::~FilePlayer() {
    Close();
}

void FilePlayer::Close() {
    core_->Close();
}

StreamDecoder* FilePlayer::Decoder() {
    std::lock_guard lock(core_->control_mutex);
    return core_->decoder.get();
}

void FilePlayer::SetCallback(void* user, QW_MEDIA_PLAYINFO_CALLBACK callback) {
    core_->play_info.Register(user, callback);
}

int32_t FilePlayer::SetFileLength(int32_t expected_length, const char* device_file) {
    std::lock_guard lock(core_->control_mutex);
    return core_->SetFileLength(expected_length, device_file);
}

int32_t FilePlayer::Start(const std::array<KmVideoWindow*, kWindowCount>& windows) {
    std::lock_guard lock(core_->control_mutex);
    return core_->StartLocked(windows);
}

int32_t FilePlayer::Stop() {
    return core_->Stop();
}

int32_t FilePlayer::Pause(int32_t pause) {
    std::lock_guard lock(core_->control_mutex);
    return core_->PauseLocked(pause);
}

int32_t FilePlayer::SetDirection(int32_t direction) {
    std::lock_guard lock(core_->control_mutex);
    Library().direction.store(direction);
    return core_->ApplyRateAndDirection(core_->rate, direction);
}

int32_t FilePlayer::SetRate(int32_t rate) {
    std::lock_guard lock(core_->control_mutex);
    Library().rate.store(rate);
    return core_->ApplyRateAndDirection(rate, core_->direction);
}

int32_t FilePlayer::SetFrameInterval(int32_t interval_ms) {
    std::lock_guard lock(core_->control_mutex);
    return core_->SetFrameIntervalLocked(interval_ms);
}

int32_t FilePlayer::SetPos(int32_t value, const QwMediaTime* time, int32_t mode, int32_t extra) {
    std::lock_guard lock(core_->control_mutex);
    return core_->SetPosLocked(value, time, mode, extra);
}

int32_t FilePlayer::NextFrame() {
    std::lock_guard lock(core_->control_mutex);
    const int32_t paused = core_->PauseLocked(1);
    return paused != kMediaOk ? paused : core_->StepForward();
}

int32_t FilePlayer::PrevFrame() {
    std::lock_guard lock(core_->control_mutex);
    const int32_t paused = core_->PauseLocked(1);
    return paused != kMediaOk ? paused : core_->StepBackward();
}

int32_t FilePlayer::OpenSound(int32_t channel) {
    std::lock_guard lock(core_->control_mutex);
    return core_->OpenSoundLocked(channel);
}

int32_t FilePlayer::CloseSound(int32_t channel) {
    std::lock_guard lock(core_->control_mutex);
    return core_->CloseSoundLocked(channel);
}

int32_t FilePlayer::SetVolume(int32_t channel, int32_t volume) {
    std::lock_guard lock(core_->control_mutex);
    return core_->SetVolumeLocked(channel, volume);
}

// ---- opening ---------------------------------------------------------------

int32_t FilePlayer::Core::OpenFile() {
    if (file_name.size() < FileSource::kMinNameLength) {
        return kMediaFileName;
    }
    if (pending) {
        return kMediaOk;  // a download: opened once announced
    }
    std::lock_guard file(file_mutex);
    const int32_t opened = source.Open(file_name);
    if (opened != kMediaOk) {
        return opened;
    }
    const int32_t read = ReadRecordingHeader(source, &header);
    if (read != kMediaOk) {
        source.Close();
        return read;
    }
    Notify(QW_PLAYINFO_CHANNEL_MASK, static_cast<intptr_t>(header.channel_mask));
    if (header.type_code == 0) {
        source.Close();
        return kMediaNotAvailable;
    }
    traits = RecorderType(header.type_code);
    decoder = StreamDecoder::Create(header.type_code, header.subtype_code);
    if (!decoder) {
        source.Close();
        return kMediaFailed;
    }
    decoder->SetFileMode((header.channel_mask & (header.channel_mask - 1)) != 0);
    interval_ms = static_cast<int32_t>(header.frame_interval_ms);
    data_start = kRecordingHeaderSize;
    if (const auto first =
            FindVideoFrameAtOrAfter(source, kRecordingHeaderSize, kMarkerMainVideo)) {
        data_start = first->offset;
        Notify(QW_PLAYINFO_FIRST_FRAME, static_cast<intptr_t>(data_start));
    }
    source.SetPosition(data_start);
    return kMediaOk;
}

int32_t FilePlayer::Core::SetFileLength(int32_t expected_length, const char* device_file_name) {
    if (open_thread.Running()) {
        return kMediaOk;
    }
    const uint64_t expected = static_cast<uint64_t>(std::max(expected_length, 0));
    if (playing) {
        // The download's final length, announced while it plays.
        std::lock_guard file(file_mutex);
        source.SetExpectedLength(expected);
        return kMediaOk;
    }
    if (device_file_name != nullptr) {
        device_file.assign(device_file_name, strnlen(device_file_name, 512));
    }
    {
        // A stopped handle takes a new download of the same file from its start.
        std::lock_guard file(file_mutex);
        source.Close();
        source.SetExpectedLength(expected);
        decoder.reset();
    }
    pending = true;
    if (static_cast<uint32_t>(expected_length) == kPendingLengthMarker) {
        return kMediaOk;
    }
    std::shared_ptr<Core> self = shared_from_this();
    if (!open_thread.Start([self](platform::MessageThread& thread) { self->OpenLoop(thread); })) {
        return kMediaThreadCreation;
    }
    return kMediaOk;
}

void FilePlayer::Core::OpenLoop(platform::MessageThread& self) {
    for (int poll = 1;; ++poll) {
        platform::Message message;
        if (self.Get(&message, kOpenPollMs) && message.id == platform::kQuitMessage) {
            return;
        }
        if (poll % kOpenPollsPerCheck != 0) {
            continue;
        }
        std::error_code error;
        const auto size = std::filesystem::file_size(file_name, error);
        if (error || size < kMinOpenBytes) {
            continue;
        }
        // Stop() holds control_mutex while it waits for this thread.
        while (!control_mutex.try_lock()) {
            if (self.Get(&message, 1) && message.id == platform::kQuitMessage) {
                return;
            }
        }
        std::lock_guard lock(control_mutex, std::adopt_lock);
        // A stop that gave up waiting for this thread has posted quit before
        // it let the lock go: its windows are no longer ours to use.
        if (self.Peek(&message) && message.id == platform::kQuitMessage) {
            return;
        }
        pending = false;
        const int32_t opened = OpenFile();
        if (opened != kMediaOk) {
            Notify(QW_PLAYINFO_OPEN_FAILED, opened);
            return;
        }
        if (windows_stored) {
            StartLocked(stored_windows);
        }
        LibraryState& library = Library();
        if (library.position.load() > 0) {
            SeekBytes(library.position.load(), 0);
        }
        if (library.paused.load() == 1) {
            PauseLocked(1);
            StepForward();
        }
        if (library.rate.load() != 0) {
            ApplyRateAndDirection(library.rate.load(), library.direction.load());
        }
        return;
    }
}

// ---- start and stop --------------------------------------------------------

int32_t FilePlayer::Core::StartLocked(const std::array<KmVideoWindow*, kWindowCount>& windows) {
    if (pending) {
        stored_windows = windows;  // the open thread starts playback with them
        windows_stored = true;
        return kMediaOk;
    }
    if (playing) {
        return kMediaAlreadyOpen;
    }
    if (!decoder) {
        return kMediaNotAvailable;
    }
    {
        std::lock_guard file(file_mutex);
        const uint64_t expected = source.ExpectedLength();
        Notify(QW_PLAYINFO_TOTAL_LENGTH,
               static_cast<intptr_t>(
                   expected > FileSource::kMinExpectedLength ? expected : source.UsableSize()));
    }
    play_info.PostTime(QW_PLAYINFO_START_TIME, header.start);
    play_info.PostTime(QW_PLAYINFO_END_TIME, header.end);
    std::array<char, 16> name{};
    std::strncpy(name.data(), file_name.c_str(), name.size() - 1);
    decoder->SetPlaybackInfo(name.data(), header.start, nullptr);

    int started = 0;
    int failed = 0;
    auto start_channel = [&](int channel, KmVideoWindow* window) {
        if (window == nullptr) {
            return;
        }
        if (decoder->StartChannel(channel, window, false) == kMediaOk) {
            ++started;
            if (sound_wanted[static_cast<size_t>(channel)]) {
                decoder->OpenSound(channel);
            }
        } else {
            ++failed;
        }
    };
    switch (traits.file_windows) {
        case FileWindows::kFour:
            for (int channel = 0; channel < kWindowCount; ++channel) {
                start_channel(channel, windows[static_cast<size_t>(channel)]);
            }
            break;
        case FileWindows::kOne:
            start_channel(0, windows[0]);
            break;
        case FileWindows::kSixteen:
            for (int channel = 0; channel < kChannelSlots; ++channel) {
                if ((header.channel_mask & (1u << channel)) != 0) {
                    start_channel(channel, windows[static_cast<size_t>(channel % kWindowCount)]);
                }
            }
            break;
    }
    if (failed > 0) {
        return kMediaFailed;
    }
    if (started == 0) {
        return kMediaNothingToDo;
    }
    {
        std::lock_guard file(file_mutex);
        finished = false;
    }
    playing = true;
    Notify(QW_PLAYINFO_STARTED, 0);
    if (UsesTimerEngine()) {
        RestartTimerEngine();
        return engine_timer.Running() ? kMediaOk : kMediaThreadCreation;
    }
    std::shared_ptr<Core> self = shared_from_this();
    if (!read_thread.Running() &&
        !read_thread.Start([self](platform::MessageThread& thread) { self->ReadLoop(thread); })) {
        return kMediaThreadCreation;
    }
    return kMediaOk;
}

int32_t FilePlayer::Core::Stop() {
    bool was_playing = false;
    int32_t result = kMediaOk;
    {
        std::lock_guard lock(control_mutex);
        was_playing = playing;
        result = StopLocked();
    }
    if (was_playing) {
        // The caller may free its callback's data once StopPlay returns:
        // what is queued is delivered first (bounded), then nothing more.
        play_info.Close(kDeliveryWaitMs);
    }
    return result;
}

void FilePlayer::Core::Close() {
    {
        std::lock_guard lock(control_mutex);
        StopLocked();
    }
    play_info.Close(kDeliveryWaitMs);
    StopEngines(kThreadStopWaitMs);
}

int32_t FilePlayer::Core::StopLocked() {
    open_thread.Stop(kThreadStopWaitMs);
    // The caller may free the windows once StopPlay returns.
    windows_stored = false;
    if (!playing) {
        if (decoder) {
            decoder->StopAll();  // the channels of a start that failed halfway
        }
        return kMediaOk;
    }
    StopEngines(kThreadStopWaitMs);
    Notify(QW_PLAYINFO_END, 0);
    LibraryState& library = Library();
    library.rate.store(0);
    library.paused.store(0);
    library.position.store(0);
    if (decoder) {
        decoder->StopAll();
    }
    playing = false;
    rate = 0;
    video_only = false;
    std::lock_guard file(file_mutex);
    paused = false;
    buffering = false;
    finished = false;
    step_mode = kStepNone;
    if (source.IsOpen()) {
        source.SetPosition(data_start);  // a new start plays from the beginning
    }
    return kMediaOk;
}

// ---- pause, rate, direction, interval ---------------------------------------

void FilePlayer::Core::ApplyPlayersPause() {
    const bool hold = paused || buffering;
    decoder->ForEachPlayer([hold](int, ChannelPlayer& player) { player.SetPaused(hold); });
}

int32_t FilePlayer::Core::PauseLocked(int32_t pause) {
    if (!decoder) {
        return kMediaNotAvailable;
    }
    Library().paused.store(pause != 0 ? 1 : 0);
    bool leave_steps = false;
    {
        std::lock_guard file(file_mutex);
        paused = pause != 0;
        ApplyPlayersPause();
        leave_steps = !paused && step_mode != kStepNone;
        if (leave_steps) {
            step_mode = kStepNone;
        }
    }
    if (leave_steps) {
        ApplyRateAndDirection(0, direction);
        decoder->ForEachPlayer([this](int slot, ChannelPlayer& player) {
            if (sound_wanted[static_cast<size_t>(slot)]) {
                player.PostOpenSound();
            }
            player.Wake();
        });
    }
    return kMediaOk;
}

int32_t FilePlayer::Core::ApplyRateAndDirection(int32_t new_rate, int32_t new_direction) {
    if (!decoder) {
        return kMediaNotAvailable;
    }
    if (traits.file_engine == FileEngine::kTimeStamped) {
        rate = new_rate;
        if (new_rate >= 0) {
            Library().rate.store(new_rate);
        }
        direction = new_direction;
        video_only = new_rate > 3 || new_direction == kBackward;
        decoder->ForEachPlayer([new_rate](int, ChannelPlayer& player) {
            player.StopFileAudio(new_rate != 0 ? QWAUDIO_STOP : QWAUDIO_RESUME);
        });
        return 1;  // these types report the rate applied with 1
    }
    const std::optional<int32_t> interval =
        IntervalFor(new_rate, new_direction, static_cast<int32_t>(header.frame_interval_ms));
    if (!interval) {
        return kMediaFailed;
    }
    rate = new_rate;
    direction = new_direction;
    video_only = new_direction == kForward && new_rate > 0;
    interval_ms = *interval;
    const bool normal = *interval == static_cast<int32_t>(header.frame_interval_ms);
    decoder->ForEachPlayer([normal](int, ChannelPlayer& player) {
        player.ClearSound();
        normal ? player.PostOpenSound() : player.PostCloseSound();
    });
    if (UsesTimerEngine()) {
        if (new_direction == kBackward) {
            // Frames queued ahead would show once before the first step back.
            std::lock_guard file(file_mutex);
            decoder->Flush();
        }
        RestartTimerEngine();
    }
    return kMediaOk;
}

int32_t FilePlayer::Core::SetFrameIntervalLocked(int32_t new_interval_ms) {
    if (!decoder) {
        return kMediaNotAvailable;
    }
    interval_ms = new_interval_ms;
    if (direction == kForward) {
        const bool normal = new_interval_ms == static_cast<int32_t>(header.frame_interval_ms);
        decoder->ForEachPlayer([normal](int, ChannelPlayer& player) {
            normal ? player.PostOpenSound() : player.PostCloseSound();
        });
    } else {
        decoder->Flush();
        decoder->ForEachPlayer([](int, ChannelPlayer& player) { player.PostCloseSound(); });
    }
    if (UsesTimerEngine()) {
        RestartTimerEngine();
    }
    return kMediaOk;
}

// ---- sound -----------------------------------------------------------------

int32_t FilePlayer::Core::OpenSoundLocked(int32_t channel) {
    if (traits.single_sound_channel) {
        channel = 0;
    }
    sound_wanted[static_cast<size_t>(channel)] = true;
    ChannelStats stats;
    if (!decoder || !decoder->ChannelStatsOf(channel, &stats)) {
        return kMediaFailed;  // opens when playback starts
    }
    if (rate != 0 || direction != kForward) {
        return kMediaOk;  // fast or backward playback keeps the sound closed
    }
    const int32_t result = decoder->OpenSound(channel);
    return result == kMediaNotAvailable ? kMediaOk : result;
}

int32_t FilePlayer::Core::CloseSoundLocked(int32_t channel) {
    if (traits.single_sound_channel) {
        channel = 0;
    }
    sound_wanted[static_cast<size_t>(channel)] = false;
    ChannelStats stats;
    if (!decoder || !decoder->ChannelStatsOf(channel, &stats)) {
        return kMediaFailed;
    }
    return decoder->CloseSound(channel);
}

int32_t FilePlayer::Core::SetVolumeLocked(int32_t channel, int32_t volume) {
    if (traits.single_sound_channel) {
        channel = 0;
    }
    if (!decoder) {
        return kMediaOk;
    }
    const int32_t result = decoder->SetVolume(channel, volume);
    return result == kMediaNotOpen ? kMediaNotOpen : kMediaOk;
}

void FilePlayer::Core::Notify(int32_t code, intptr_t value) {
    // Made before a callback could be registered (the file's opening):
    // kept for the registration.
    play_info.Post(code, value, !playing);
}

}  // namespace kestrel::media
