#include "file_player.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>

#include "audio_components.h"
#include "channel_player.h"
#include "file_result.h"
#include "frame_locator.h"
#include "key_frame.h"
#include "library_state.h"
#include "media_result.h"
#include "model_table.h"
#include "play_status_dispatcher.h"

namespace kestrel::media {
namespace {

constexpr size_t kReadBlockBytes = 25600;
constexpr size_t kLowQueue = 10;  // the read thread tops queues up below this
constexpr size_t kTimerReadBytes = 102400;
constexpr size_t kTimerLowQueue = 25;  // the timer engine tops queues up below this
constexpr int kReadPollMs = 10;
constexpr size_t kStepReadBytes = 307200;
constexpr size_t kQueuedForStep = 5;
constexpr uint64_t kBufferingResumeBytes = 314572;
constexpr uint64_t kMinOpenBytes = 20480;  // a download opens once it holds this much
constexpr int kOpenPollMs = 10;
constexpr int kOpenPollsPerCheck = 20;
constexpr int kThreadStopWaitMs = 5000;
constexpr int kMaxKeyFrameSearch = 600;  // frames back to the key frame, at most
constexpr int kMaxShownFrameSearch = 2000;
constexpr size_t kMaxRecordBytes = 512000 + 24 + 0xFFFF;
constexpr uint32_t kPendingLengthMarker = 3;
constexpr int32_t kForward = 2;
constexpr int32_t kBackward = 3;
constexpr int kStepForward = 1;
constexpr int kStepBackward = 2;
constexpr int64_t kTimeToleranceSeconds = 2;
constexpr int kMaxTimeCorrections = 20;
constexpr uint64_t kTimeCorrectionBytes = 10000;

constexpr size_t kMaxEarlyNotifications = 8;
constexpr int kDeliveryWaitMs = 2000;

constexpr uint32_t kTypeFourChannels = 0x01000102;
constexpr uint32_t kTypeSingleChannel = 0x01000205;

bool IsTimeStampedType(uint32_t type) {
    switch (type) {
        case 0x01000206:
        case 0x01000207:
        case 0x01000209:
        case 0x01000210:
        case 0x01000401:
        case 0x01000402:
        case 0x01000403:
            return true;
        default:
            return false;
    }
}

bool SeeksByTime(uint32_t type) {
    return type == 0x01000201 || type == 0x01000202 || type == 0x01000204;
}

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

struct FrameBytes {
    LocatedFrame frame;
    std::vector<uint8_t> payload;
};

std::optional<FrameBytes> ReadFrame(RandomAccessInput& input, const LocatedFrame& frame) {
    const size_t payload_at = kVideoHeaderSize + frame.header.extension_length;
    const size_t length = frame.header.payload_length;
    if (payload_at + length > kMaxRecordBytes) {
        return std::nullopt;
    }
    FrameBytes bytes{frame, std::vector<uint8_t>(length)};
    if (input.ReadAt(frame.offset + payload_at, bytes.payload) != length) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::unique_ptr<FilePlayer> FilePlayer::Create(const char* local_file, const char* device_file,
                                               int32_t* result) {
    *result = kMediaFileName;
    if (local_file == nullptr) {
        return nullptr;
    }
    std::unique_ptr<FilePlayer> player(new (std::nothrow) FilePlayer);
    if (!player) {
        *result = kMediaFailed;
        return nullptr;
    }
    player->file_name_ = local_file;
    player->read_buffer_.resize(kStepReadBytes);
    if (device_file != nullptr) {
        player->device_file_ = device_file;
        player->pending_ = true;
        player->source_.SetExpectedLength(kPendingLengthMarker);
    }
    std::lock_guard lock(player->control_mutex_);
    *result = player->OpenFile();
    return *result == kMediaOk ? std::move(player) : nullptr;
}

FilePlayer::~FilePlayer() {
    {
        std::lock_guard lock(control_mutex_);
        StopLocked();
    }
    StopThreads();
    PlayStatusDispatcher::Instance().Drop(this);
    decoder_.reset();
}

int32_t FilePlayer::OpenFile() {
    if (file_name_.size() < FileSource::kMinNameLength) {
        return kMediaFileName;
    }
    if (pending_) {
        return kMediaOk;  // a download: opened once announced
    }
    std::lock_guard file(file_mutex_);
    const int32_t opened = source_.Open(file_name_);
    if (opened != kMediaOk) {
        return opened;
    }
    const int32_t read = ReadRecordingHeader(source_, &header_);
    if (read != kMediaOk) {
        source_.Close();
        return read;
    }
    Notify(QW_PLAYINFO_CHANNEL_MASK, static_cast<intptr_t>(header_.channel_mask));
    if (header_.type_code == 0) {
        source_.Close();
        return kMediaNotAvailable;
    }
    decoder_ = StreamDecoder::Create(header_.type_code, header_.subtype_code);
    if (!decoder_) {
        source_.Close();
        return kMediaFailed;
    }
    decoder_->SetFileMode((header_.channel_mask & (header_.channel_mask - 1)) != 0);
    interval_ms_ = static_cast<int32_t>(header_.frame_interval_ms);
    data_start_ = kRecordingHeaderSize;
    if (const auto first =
            FindVideoFrameAtOrAfter(source_, kRecordingHeaderSize, kMarkerMainVideo)) {
        data_start_ = first->offset;
        Notify(QW_PLAYINFO_FIRST_FRAME, static_cast<intptr_t>(data_start_));
    }
    source_.SetPosition(data_start_);
    return kMediaOk;
}

StreamDecoder* FilePlayer::Decoder() {
    std::lock_guard lock(control_mutex_);
    return decoder_.get();
}

bool FilePlayer::TimeStamped() const {
    return IsTimeStampedType(header_.type_code) || IsH264Type(header_.type_code);
}

void FilePlayer::SetCallback(void* user, QW_MEDIA_PLAYINFO_CALLBACK callback) {
    std::vector<std::pair<int32_t, intptr_t>> early;
    {
        std::lock_guard lock(callback_mutex_);
        user_ = user;
        callback_ = callback;
        if (callback != nullptr) {
            early.swap(early_);
        }
    }
    for (const auto& [code, value] : early) {
        Notify(code, value);
    }
}

void FilePlayer::Notify(int32_t code, intptr_t value) {
    PlayStatusRecord record;
    {
        std::lock_guard lock(callback_mutex_);
        if (callback_ == nullptr) {
            if (!playing_ && early_.size() < kMaxEarlyNotifications) {
                early_.emplace_back(code, value);
            }
            return;
        }
        record = PlayStatusRecord{this, callback_, user_, code, value, 0};
    }
    PlayStatusDispatcher::Instance().Post(record);
}

void FilePlayer::NotifyNow(int32_t code, const QwMediaTime& time) {
    QW_MEDIA_PLAYINFO_CALLBACK callback;
    void* user;
    {
        std::lock_guard lock(callback_mutex_);
        callback = callback_;
        user = user_;
    }
    if (callback == nullptr) {
        return;
    }
    const QwPlayInfo info{code, reinterpret_cast<intptr_t>(&time)};
    try {
        callback(user, &info);
    } catch (...) {
        // A throwing callback loses this notification only.
    }
}

int32_t FilePlayer::SetFileLength(int32_t expected_length, const char* device_file) {
    std::lock_guard lock(control_mutex_);
    if (open_thread_.Running()) {
        return kMediaOk;
    }
    if (playing_) {
        // The download's final length, announced while it plays.
        std::lock_guard file(file_mutex_);
        source_.SetExpectedLength(static_cast<uint64_t>(std::max(expected_length, 0)));
        return kMediaOk;
    }
    if (device_file != nullptr) {
        device_file_.assign(device_file, strnlen(device_file, 512));
    }
    {
        // A stopped handle takes a new download of the same file from its start.
        std::lock_guard file(file_mutex_);
        source_.Close();
        source_.SetExpectedLength(static_cast<uint64_t>(std::max(expected_length, 0)));
    }
    decoder_.reset();
    pending_ = true;
    if (static_cast<uint32_t>(expected_length) == kPendingLengthMarker) {
        return kMediaOk;
    }
    if (!open_thread_.Start([this](platform::MessageThread& self) { OpenLoop(self); })) {
        return kMediaThreadCreation;
    }
    return kMediaOk;
}

void FilePlayer::OpenLoop(platform::MessageThread& self) {
    for (int poll = 1;; ++poll) {
        platform::Message message;
        if (self.Get(&message, kOpenPollMs) && message.id == platform::kQuitMessage) {
            return;
        }
        if (poll % kOpenPollsPerCheck != 0) {
            continue;
        }
        std::error_code error;
        const auto size = std::filesystem::file_size(file_name_, error);
        if (error || size < kMinOpenBytes) {
            continue;
        }
        // Stop() holds control_mutex_ while it waits for this thread.
        while (!control_mutex_.try_lock()) {
            if (self.Get(&message, 1) && message.id == platform::kQuitMessage) {
                return;
            }
        }
        std::lock_guard lock(control_mutex_, std::adopt_lock);
        pending_ = false;
        const int32_t opened = OpenFile();
        if (opened != kMediaOk) {
            Notify(QW_PLAYINFO_OPEN_FAILED, opened);
            return;
        }
        if (windows_stored_) {
            StartLocked(stored_windows_);
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

int32_t FilePlayer::Start(const std::array<KmVideoWindow*, kWindowCount>& windows) {
    std::lock_guard lock(control_mutex_);
    return StartLocked(windows);
}

int32_t FilePlayer::StartLocked(const std::array<KmVideoWindow*, kWindowCount>& windows) {
    if (pending_) {
        stored_windows_ = windows;  // the open thread starts playback with them
        windows_stored_ = true;
        return kMediaOk;
    }
    if (playing_) {
        return kMediaAlreadyOpen;
    }
    if (!decoder_) {
        return kMediaNotAvailable;
    }
    {
        std::lock_guard file(file_mutex_);
        const uint64_t expected = source_.ExpectedLength();
        Notify(QW_PLAYINFO_TOTAL_LENGTH,
               static_cast<intptr_t>(
                   expected > FileSource::kMinExpectedLength ? expected : source_.UsableSize()));
    }
    NotifyNow(QW_PLAYINFO_START_TIME, header_.start);
    NotifyNow(QW_PLAYINFO_END_TIME, header_.end);
    std::array<char, 16> name{};
    std::strncpy(name.data(), file_name_.c_str(), name.size() - 1);
    decoder_->SetPlaybackInfo(name.data(), header_.start, nullptr);

    int started = 0;
    int failed = 0;
    auto start_channel = [&](int channel, KmVideoWindow* window) {
        if (window == nullptr) {
            return;
        }
        if (decoder_->StartChannel(channel, window, false) == kMediaOk) {
            ++started;
            if (sound_wanted_[static_cast<size_t>(channel)]) {
                decoder_->OpenSound(channel);
            }
        } else {
            ++failed;
        }
    };
    if (header_.type_code == kTypeFourChannels) {
        for (int channel = 0; channel < kWindowCount; ++channel) {
            start_channel(channel, windows[static_cast<size_t>(channel)]);
        }
    } else if (header_.type_code == kTypeSingleChannel) {
        start_channel(0, windows[0]);
    } else {
        for (int channel = 0; channel < kChannelSlots; ++channel) {
            if ((header_.channel_mask & (1u << channel)) != 0) {
                start_channel(channel, windows[static_cast<size_t>(channel % kWindowCount)]);
            }
        }
    }
    if (failed > 0) {
        return kMediaFailed;
    }
    if (started == 0) {
        return kMediaNothingToDo;
    }
    finished_ = false;
    playing_ = true;
    Notify(QW_PLAYINFO_STARTED, 0);
    if (UsesTimerEngine()) {
        RestartTimerEngine();
        return engine_timer_.Running() ? kMediaOk : kMediaThreadCreation;
    }
    if (!read_thread_.Running() &&
        !read_thread_.Start([this](platform::MessageThread& self) { ReadLoop(self); })) {
        return kMediaThreadCreation;
    }
    return kMediaOk;
}

int32_t FilePlayer::Stop() {
    int32_t result;
    {
        std::lock_guard lock(control_mutex_);
        result = StopLocked();
    }
    return result;
}

int32_t FilePlayer::StopLocked() {
    open_thread_.Stop(kThreadStopWaitMs);
    if (!playing_) {
        return kMediaOk;
    }
    read_thread_.Stop(kThreadStopWaitMs);
    engine_timer_.Stop();
    Notify(QW_PLAYINFO_END, 0);
    // The caller may free its callback's data once StopPlay returns: deliver
    // what is queued first (bounded; a callback stopping its own file does
    // not wait).
    PlayStatusDispatcher::Instance().WaitIdle(kDeliveryWaitMs);
    {
        std::lock_guard callback(callback_mutex_);
        callback_ = nullptr;
        user_ = nullptr;
    }
    LibraryState& library = Library();
    library.rate.store(0);
    library.paused.store(0);
    library.position.store(0);
    if (decoder_) {
        decoder_->StopAll();
    }
    playing_ = false;
    paused_ = false;
    buffering_ = false;
    finished_ = false;
    step_mode_ = 0;
    rate_ = 0;
    video_only_ = false;
    std::lock_guard file(file_mutex_);
    if (source_.IsOpen()) {
        source_.SetPosition(data_start_);  // a new start plays from the beginning
    }
    return kMediaOk;
}

void FilePlayer::StopThreads() {
    engine_timer_.Stop();
    read_thread_.Stop(kThreadStopWaitMs);
    open_thread_.Stop(kThreadStopWaitMs);
}

// ---- reading ---------------------------------------------------------------

bool FilePlayer::AtEndOfData() const {
    return source_.Position() >= source_.UsableSize();
}

size_t FilePlayer::ReadAndFeedLocked(size_t bytes, bool* read_nothing) {
    std::span<uint8_t> buffer(read_buffer_.data(), std::min(bytes, read_buffer_.size()));
    if (source_.ExpectedLength() > FileSource::kMinExpectedLength) {
        source_.RefreshSize();
    }
    const uint64_t at = source_.Position();
    const size_t got = source_.Read(buffer);
    *read_nothing = got == 0;
    if (got == 0) {
        return 0;
    }
    if (decoder_->Input(QW_MEDIA_INPUT_STREAM, std::span(buffer.data(), got)) != kMediaOk) {
        source_.SetPosition(at);  // the input is full: read these bytes again later
        return 0;
    }
    Notify(QW_PLAYINFO_READ, static_cast<intptr_t>(source_.Position()));
    return got;
}

void FilePlayer::FeedLocked(size_t bytes) {
    bool nothing = false;
    ReadAndFeedLocked(bytes, &nothing);
}

void FilePlayer::ReadLoop(platform::MessageThread& self) {
    for (;;) {
        platform::Message message;
        if (self.Get(&message, kReadPollMs) && message.id == platform::kQuitMessage) {
            return;
        }
        CheckBuffering();
        if (!playing_ || paused_ || finished_) {
            continue;
        }
        bool end_of_file = false;
        {
            std::lock_guard file(file_mutex_);
            size_t queued = decoder_->MaxQueued(header_.channel_mask | 1u);
            if (queued == 0 && AtEndOfData()) {
                end_of_file = true;
            }
            while (!end_of_file && queued < kLowQueue && !self.Peek(&message)) {
                bool nothing = false;
                ReadAndFeedLocked(kReadBlockBytes, &nothing);
                if (nothing) {
                    const uint64_t expected = source_.ExpectedLength();
                    if (AtEndOfData()) {
                        break;  // the end comes once the queues ran dry
                    }
                    Notify(QW_PLAYINFO_NO_DATA, 0);
                    if (expected > kBufferingResumeBytes && !buffering_) {
                        Notify(QW_PLAYINFO_BUFFERING, 0);
                        buffering_ = true;
                        paused_ = true;
                        SetPlayersPaused(true);
                    }
                    break;
                }
                queued = decoder_->MaxQueued(header_.channel_mask | 1u);
            }
            if (message.id == platform::kQuitMessage) {
                return;
            }
        }
        if (end_of_file) {
            HandleEndOfFile();
        }
    }
}

void FilePlayer::CheckBuffering() {
    if (!buffering_) {
        return;
    }
    std::lock_guard file(file_mutex_);
    const uint64_t size = source_.RefreshSize();
    const uint64_t expected = source_.ExpectedLength();
    if (size > source_.Position() + kBufferingResumeBytes || size >= expected) {
        Notify(QW_PLAYINFO_BUFFERING, 1);
        buffering_ = false;
        paused_ = false;
        SetPlayersPaused(false);
    }
}

bool FilePlayer::UsesTimerEngine() const {
    switch (header_.type_code) {
        case 0x01000203:
        case 0x01000205:
        case 0x01000301:
            return false;
        default:
            return !IsTimeStampedType(header_.type_code);
    }
}

void FilePlayer::RestartTimerEngine() {
    engine_timer_.Stop();
    if (playing_ && interval_ms_ > 0) {
        engine_timer_.Start(interval_ms_, [this] { TimerTick(); });
    }
}

void FilePlayer::TimerTick() {
    if (!playing_ || finished_) {
        return;
    }
    CheckBuffering();
    auto wake = [this] { decoder_->ForEachPlayer([](int, ChannelPlayer& p) { p.Wake(); }); };
    if (paused_) {
        wake();
        return;
    }
    if (direction_ == kBackward) {
        StepBackward();
        return;
    }
    bool end_of_file = false;
    {
        std::lock_guard file(file_mutex_);
        if (video_only_) {
            FeedNextKeyFrame();
            return;
        }
        const size_t queued = decoder_->MaxQueued(header_.channel_mask | 1u);
        if (queued == 0 && AtEndOfData()) {
            end_of_file = true;
        } else if (queued < kTimerLowQueue) {
            bool nothing = false;
            ReadAndFeedLocked(kTimerReadBytes, &nothing);
        }
    }
    if (end_of_file) {
        HandleEndOfFile();
        return;
    }
    wake();
}

// Fast playback of the older types shows key frames only, one per tick,
// each as soon as it is decoded.
void FilePlayer::FeedNextKeyFrame() {
    uint64_t from = source_.Position();
    for (int tries = 0; tries < kMaxShownFrameSearch; ++tries) {
        const auto frame = FindVideoFrameAtOrAfter(source_, from, kMarkerMainVideo);
        if (!frame || frame->offset + frame->header.RecordLength() > source_.UsableSize()) {
            source_.SetPosition(source_.UsableSize());
            HandleEndOfFile();
            return;
        }
        from = frame->offset + frame->header.RecordLength();
        if (frame->header.RecordLength() > kMaxRecordBytes) {
            continue;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(frame->header.RecordLength()));
        if (source_.ReadAt(frame->offset, bytes) != bytes.size() ||
            !HasIdrPicture(std::span<const uint8_t>(bytes).subspan(
                kVideoHeaderSize + frame->header.extension_length))) {
            continue;
        }
        source_.SetPosition(from);
        decoder_->Input(QW_MEDIA_INPUT_STREAM, bytes);
        decoder_->ForEachPlayer([](int, ChannelPlayer& player) { player.RequestStep(1); });
        Notify(QW_PLAYINFO_READ, static_cast<intptr_t>(from));
        return;
    }
    source_.SetPosition(from);
}

void FilePlayer::HandleEndOfFile() {
    LibraryState& library = Library();
    library.paused.store(0);
    library.position.store(0);
    finished_ = true;
    Notify(QW_PLAYINFO_END, 0);
    decoder_->ForEachPlayer([](int, ChannelPlayer& player) { player.CloseSound(); });
}

void FilePlayer::SetPlayersPaused(bool paused) {
    decoder_->ForEachPlayer([paused](int, ChannelPlayer& player) { player.SetPaused(paused); });
}

// ---- controls --------------------------------------------------------------

int32_t FilePlayer::Pause(int32_t pause) {
    std::lock_guard lock(control_mutex_);
    return PauseLocked(pause);
}

int32_t FilePlayer::PauseLocked(int32_t pause) {
    if (!decoder_) {
        return kMediaNotAvailable;
    }
    Library().paused.store(pause != 0 ? 1 : 0);
    paused_ = pause != 0;
    SetPlayersPaused(paused_);
    if (!paused_ && step_mode_ != 0) {
        step_mode_ = 0;
        ApplyRateAndDirection(0, direction_);
        decoder_->ForEachPlayer([this](int slot, ChannelPlayer& player) {
            if (sound_wanted_[static_cast<size_t>(slot)]) {
                player.PostOpenSound();
            }
            player.Wake();
        });
    }
    return kMediaOk;
}

int32_t FilePlayer::SetDirection(int32_t direction) {
    std::lock_guard lock(control_mutex_);
    Library().direction.store(direction);
    return ApplyRateAndDirection(rate_, direction);
}

int32_t FilePlayer::SetRate(int32_t rate) {
    std::lock_guard lock(control_mutex_);
    Library().rate.store(rate);
    return ApplyRateAndDirection(rate, direction_);
}

int32_t FilePlayer::ApplyRateAndDirection(int32_t rate, int32_t direction) {
    if (!decoder_) {
        return kMediaNotAvailable;
    }
    if (IsTimeStampedType(header_.type_code)) {
        rate_ = rate;
        if (rate >= 0) {
            Library().rate.store(rate);
        }
        direction_ = direction;
        video_only_ = rate > 3 || direction == kBackward;
        decoder_->ForEachPlayer([rate](int, ChannelPlayer& player) {
            player.StopFileAudio(rate != 0 ? QWAUDIO_STOP : QWAUDIO_RESUME);
        });
        return 1;  // these types report the rate applied with 1
    }
    const std::optional<int32_t> interval =
        IntervalFor(rate, direction, static_cast<int32_t>(header_.frame_interval_ms));
    if (!interval) {
        return kMediaFailed;
    }
    rate_ = rate;
    direction_ = direction;
    video_only_ = direction == kForward && rate > 0;
    interval_ms_ = *interval;
    const bool normal = *interval == static_cast<int32_t>(header_.frame_interval_ms);
    decoder_->ForEachPlayer([normal](int, ChannelPlayer& player) {
        player.ClearSound();
        normal ? player.PostOpenSound() : player.PostCloseSound();
    });
    if (UsesTimerEngine()) {
        if (direction == kBackward) {
            // Frames queued ahead would show once before the first step back.
            std::lock_guard file(file_mutex_);
            decoder_->Flush();
        }
        RestartTimerEngine();
    }
    return kMediaOk;
}

int32_t FilePlayer::SetFrameInterval(int32_t interval_ms) {
    std::lock_guard lock(control_mutex_);
    if (!decoder_) {
        return kMediaNotAvailable;
    }
    interval_ms_ = interval_ms;
    if (direction_ == kForward) {
        const bool normal = interval_ms == static_cast<int32_t>(header_.frame_interval_ms);
        decoder_->ForEachPlayer([normal](int, ChannelPlayer& player) {
            normal ? player.PostOpenSound() : player.PostCloseSound();
        });
    } else {
        decoder_->Flush();
        decoder_->ForEachPlayer([](int, ChannelPlayer& player) { player.PostCloseSound(); });
    }
    if (UsesTimerEngine()) {
        RestartTimerEngine();
    }
    return kMediaOk;
}

// ---- positioning -----------------------------------------------------------

int32_t FilePlayer::SetPos(int32_t value, const QwMediaTime* time, int32_t mode, int32_t extra) {
    std::lock_guard lock(control_mutex_);
    switch (mode) {
        case QW_MEDIA_POS_BYTES:
            Library().position.store(value);
            return SeekBytes(value, extra);
        case QW_MEDIA_POS_FRAMES:
            return SeekFrames(value, extra == 0);
        case QW_MEDIA_POS_TIME:
            if (time == nullptr) {
                return kMediaBadArgument;
            }
            return SeekTime(*time);
        default:
            return kMediaNotAvailable;
    }
}

int32_t FilePlayer::SeekBytes(int64_t value, int32_t origin) {
    std::lock_guard file(file_mutex_);
    if (!decoder_ || !source_.IsOpen()) {
        return kMediaFailed;
    }
    if (source_.ExpectedLength() > FileSource::kMinExpectedLength) {
        source_.RefreshSize();
    }
    const int64_t end = static_cast<int64_t>(source_.Size());
    if (value > end) {
        return kMediaFailed;
    }
    int64_t target = 0;
    switch (origin) {
        case 0:
            if (value < 0) {
                return kMediaSeekDirection;
            }
            target = value;
            break;
        case 1: {
            if (value == 0) {
                return kMediaNothingToDo;
            }
            target = static_cast<int64_t>(source_.Position()) + value;
            if (target >= end || target < 0) {
                return kMediaSeekRange;
            }
            break;
        }
        case 2:
            if (value > 0) {
                return kMediaSeekDirection;
            }
            target = end + value;
            if (target < 0) {
                return kMediaSeekRange;
            }
            break;
        default:
            return kMediaNotAvailable;
    }
    const auto frame =
        FindVideoFrameAtOrAfter(source_, static_cast<uint64_t>(target), kMarkerMainVideo);
    if (!frame || !JumpToFrame(frame->offset)) {
        // No frame from there on: nothing more to show.
        decoder_->Flush();
        source_.SetPosition(static_cast<uint64_t>(std::min(target, end)));
    }
    return kMediaOk;
}

int32_t FilePlayer::SeekFrames(int32_t count, bool from_start) {
    std::lock_guard file(file_mutex_);
    if (!decoder_ || !source_.IsOpen()) {
        return kMediaFailed;
    }
    if (count < 0) {
        return kMediaBadArgument;
    }
    // Every frame counts, small ones too, so the search resumes just past
    // each frame found.
    uint64_t from = from_start ? data_start_ : source_.Position();
    std::optional<LocatedFrame> frame = FindVideoFrameAtOrAfter(source_, from, kMarkerMainVideo);
    for (int32_t i = 0; i < count && frame; ++i) {
        frame = FindVideoFrameAtOrAfter(source_, frame->offset + 1, kMarkerMainVideo);
    }
    if (!frame || !JumpToFrame(frame->offset)) {
        return kMediaFailed;  // the position is unchanged
    }
    return kMediaOk;
}

int32_t FilePlayer::SeekTime(const QwMediaTime& time) {
    if (!SeeksByTime(header_.type_code)) {
        return kMediaNotAvailable;
    }
    std::lock_guard file(file_mutex_);
    if (!decoder_ || !source_.IsOpen()) {
        return kMediaFailed;
    }
    const int64_t start = RecordingTimeToSeconds(header_.start);
    const int64_t end = RecordingTimeToSeconds(header_.end);
    const int64_t wanted = RecordingTimeToSeconds(time);
    if (!IsValidRecordingTime(time) || wanted < start || wanted > end || end <= start) {
        return kMediaFailed;
    }
    const auto first = FindVideoFrameAtOrAfter(source_, data_start_, kMarkerMainVideo);
    if (!first) {
        return kMediaFailed;
    }
    const uint64_t size = source_.Size();
    uint64_t at = data_start_ + static_cast<uint64_t>(static_cast<double>(wanted - start) /
                                                      static_cast<double>(end - start) *
                                                      static_cast<double>(size - data_start_));
    // Frame times count from the header's start at the file's first frame.
    auto seconds_of = [&](const LocatedFrame& frame) {
        return start + static_cast<int64_t>((frame.header.pts_us - first->header.pts_us) / 1000000);
    };
    std::optional<LocatedFrame> frame;
    for (int correction = 0; correction < kMaxTimeCorrections; ++correction) {
        frame = FindVideoFrameAtOrAfter(source_, at, kMarkerMainVideo);
        if (!frame) {
            frame = FindMainFrameBefore(source_, at);
        }
        if (!frame) {
            return kMediaFailed;
        }
        const int64_t seconds = seconds_of(*frame);
        if (seconds > wanted + kTimeToleranceSeconds) {
            at = frame->offset > kTimeCorrectionBytes ? frame->offset - kTimeCorrectionBytes : 0;
        } else if (seconds < wanted - kTimeToleranceSeconds) {
            at = frame->offset + kTimeCorrectionBytes;
        } else {
            return JumpToFrame(frame->offset) ? kMediaOk : kMediaFailed;
        }
    }
    return kMediaFailed;
}

LocatedFrame FilePlayer::KeyFrameFor(const LocatedFrame& target, int* frames) {
    LocatedFrame key = target;
    *frames = 1;
    for (int searched = 0; searched < kMaxKeyFrameSearch; ++searched) {
        const auto bytes = ReadFrame(source_, key);
        if (bytes && HasIdrPicture(bytes->payload)) {
            break;
        }
        const auto before = FindMainFrameBefore(source_, key.offset);
        if (!before || before->offset < data_start_) {
            break;  // no key frame before: start at the oldest frame found
        }
        key = *before;
        ++*frames;
    }
    return key;
}

bool FilePlayer::JumpToFrame(uint64_t target) {
    const auto located = FindVideoFrameAtOrAfter(source_, target, kMarkerMainVideo);
    if (!located || located->offset != target) {
        return false;
    }
    int frames = 0;
    const LocatedFrame key = KeyFrameFor(*located, &frames);
    decoder_->Flush();
    const uint64_t target_pts = located->header.pts_us;
    decoder_->ForEachPlayer(
        [target_pts](int, ChannelPlayer& player) { player.SkipUntil(target_pts); });
    source_.SetPosition(key.offset);
    finished_ = false;
    if (paused_) {
        // Paused: show the frame at the new position at once.
        FeedLocked(kStepReadBytes);
        decoder_->ForEachPlayer(
            [frames](int, ChannelPlayer& player) { player.RequestStep(frames); });
    }
    return true;
}

// ---- single steps ----------------------------------------------------------

int32_t FilePlayer::NextFrame() {
    std::lock_guard lock(control_mutex_);
    const int32_t paused = PauseLocked(1);
    if (paused != kMediaOk) {
        return paused;
    }
    return StepForward();
}

int32_t FilePlayer::StepForward() {
    std::lock_guard file(file_mutex_);
    if (!decoder_) {
        return kMediaNotAvailable;
    }
    step_mode_ = kStepForward;
    if (decoder_->MaxQueued(header_.channel_mask | 1u) <= kQueuedForStep) {
        FeedLocked(kStepReadBytes);
    }
    decoder_->ForEachPlayer([](int, ChannelPlayer& player) {
        player.SkipUntil(0);
        player.RequestStep(1);
    });
    return kMediaOk;
}

int32_t FilePlayer::PrevFrame() {
    std::lock_guard lock(control_mutex_);
    const int32_t paused = PauseLocked(1);
    if (paused != kMediaOk) {
        return paused;
    }
    return StepBackward();
}

int32_t FilePlayer::StepBackward() {
    std::lock_guard file(file_mutex_);
    if (!decoder_) {
        return kMediaNotAvailable;
    }
    decoder_->ForEachPlayer(
        [](int, ChannelPlayer& player) { player.StopFileAudio(QWAUDIO_FLUSH); });
    // The frame on screen: the one a previous step back showed, or the one
    // with the shown time stamp, behind the read position.
    uint64_t shown_offset = step_frame_offset_;
    if (step_mode_ != kStepBackward) {
        uint64_t shown_pts = 0;
        decoder_->ForEachPlayer([&shown_pts](int, ChannelPlayer& player) {
            shown_pts = std::max(shown_pts, player.ShownPts());
        });
        shown_offset = source_.Position();
        std::optional<LocatedFrame> frame = FindMainFrameBefore(source_, shown_offset);
        for (int i = 0; i < kMaxShownFrameSearch && frame; ++i) {
            shown_offset = frame->offset;
            if (frame->header.pts_us == shown_pts) {
                break;
            }
            frame = FindMainFrameBefore(source_, frame->offset);
        }
    }
    const auto target = FindMainFrameBefore(source_, shown_offset);
    if (!target || target->offset < data_start_) {
        Notify(QW_PLAYINFO_END, 0);  // the start of the file was reached
        return kMediaOk;
    }
    step_mode_ = kStepBackward;
    step_frame_offset_ = target->offset;
    int frames = 0;
    const LocatedFrame key = KeyFrameFor(*target, &frames);
    decoder_->Flush();
    const uint64_t target_end = target->offset + target->header.RecordLength();
    std::vector<uint8_t> bytes(static_cast<size_t>(target_end - key.offset));
    if (source_.ReadAt(key.offset, bytes) == bytes.size()) {
        decoder_->Input(QW_MEDIA_INPUT_STREAM, bytes);
        decoder_->ForEachPlayer([frames](int, ChannelPlayer& player) {
            player.SkipUntil(0);
            player.RequestStep(frames);
        });
    }
    source_.SetPosition(target_end);  // a step forward goes on from here
    return kMediaOk;
}

// ---- sound -----------------------------------------------------------------

int32_t FilePlayer::OpenSound(int32_t channel) {
    std::lock_guard lock(control_mutex_);
    if (header_.type_code == kTypeFourChannels) {
        channel = 0;
    }
    sound_wanted_[static_cast<size_t>(channel)] = true;
    ChannelStats stats;
    if (!decoder_ || !decoder_->ChannelStatsOf(channel, &stats)) {
        return kMediaFailed;  // opens when playback starts
    }
    if (rate_ != 0 || direction_ != kForward) {
        return kMediaOk;  // fast or backward playback keeps the sound closed
    }
    const int32_t result = decoder_->OpenSound(channel);
    return result == kMediaNotAvailable ? kMediaOk : result;
}

int32_t FilePlayer::CloseSound(int32_t channel) {
    std::lock_guard lock(control_mutex_);
    if (header_.type_code == kTypeFourChannels) {
        channel = 0;
    }
    sound_wanted_[static_cast<size_t>(channel)] = false;
    ChannelStats stats;
    if (!decoder_ || !decoder_->ChannelStatsOf(channel, &stats)) {
        return kMediaFailed;
    }
    return decoder_->CloseSound(channel);
}

int32_t FilePlayer::SetVolume(int32_t channel, int32_t volume) {
    std::lock_guard lock(control_mutex_);
    if (header_.type_code == kTypeFourChannels) {
        channel = 0;
    }
    if (!decoder_) {
        return kMediaOk;
    }
    const int32_t result = decoder_->SetVolume(channel, volume);
    return result == kMediaNotOpen ? kMediaNotOpen : kMediaOk;
}

}  // namespace kestrel::media
