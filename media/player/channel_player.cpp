#include "channel_player.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <optional>

#include "channel_messages.h"
#include "channel_sound.h"
#include "frame_format.h"
#include "h264_decoder.h"
#include "library_state.h"
#include "live_pacing.h"
#include "media_result.h"
#include "model_table.h"
#include "platform/clock.h"
#include "video_renderer.h"

namespace kestrel::media {
namespace {

constexpr int kSetupTakeAttempts = 5;
constexpr int kPausedWaitMs = 40;
constexpr int64_t kAudioSyncWindowUs = 80000;
constexpr int kAudioSyncHoldMs = 20;
constexpr int kMaxLiveHolds = 25;  // 500 ms
constexpr int kFileIdleMs = 10;
constexpr int kFileNotDueMs = 1;
constexpr int kFileFirstFrameMs = 30;
constexpr int kMinAcceptedWidth = 100;  // smaller pictures are not set-up pictures
constexpr int kMaxAcceptedWidth = 3000;
constexpr size_t kBacklogSkipAbove = 450;  // non-H.264 types skip to main video past this
constexpr size_t kBacklogSkipKeep = 5;
constexpr int64_t kDefaultGapUs = 150000;
constexpr int64_t kMaxGapUs = 2000000;
constexpr int64_t kJumpGapUs = 1000000;
constexpr int64_t kMaxFileGapUs = 1500000;
constexpr int32_t kPlayInfoQueueEmpty = 0x20000016;

double RateFactor(int rate) {
    if (rate < 0) {
        return static_cast<double>(1u << std::min(-rate, 4));
    }
    return rate > 0 ? 1.0 / static_cast<double>(1u << std::min(rate, 4)) : 1.0;
}

}  // namespace

// Everything the player thread touches. Shared with the thread body, so an
// abandoned thread keeps it alive.
struct ChannelPlayer::Core {
    ChannelSetup setup;
    std::unique_ptr<FrameQueue> queue;
    std::unique_ptr<uint8_t[]> work;  // one frame record at a time
    VideoRenderer renderer;
    std::unique_ptr<ChannelSound> sound;

    // Set by Start before the thread runs, then read by the thread only.
    KmVideoWindow* window = nullptr;
    bool live = true;

    // Control flags from other threads.
    std::atomic<int> volume{kInitialVolume};
    std::atomic<bool> paused{false};
    std::atomic<int> step_decodes{0};  // frames a pending step decodes
    // Held by the player thread through each file pass, so a pause can wait
    // for the picture in the making.
    std::mutex pass_mutex;

    // Figures for tests and benchmarks.
    std::atomic<uint64_t> decoded{0};
    std::atomic<uint64_t> presented{0};
    std::atomic<uint64_t> renderer_opens{0};
    std::atomic<uint64_t> shown_pts_atomic{0};  // for the file player's steps
    std::atomic<uint64_t> skip_until_pts{0};    // earlier frames are decoded, not shown
    mutable std::mutex shown_clock_mutex;       // keeps the pair below together
    uint64_t shown_video_pts = 0;
    uint64_t audio_clock_at_show = 0;

    // Thread state: only the player thread touches these.
    std::unique_ptr<H264Decoder> decoder;
    bool ready = false;
    bool first_attempt = true;
    int target_depth = kShallowTargetDepth;
    uint64_t current_pts = 0;
    uint64_t next_pts = 0;
    uint64_t shown_pts = 0;
    uint64_t shown_next_pts = 0;
    uint64_t pace_base_us = 0;    // when the shown frame was due (MonotonicUs)
    bool show_pictures = true;    // false while a step decodes up to its frame
    uint64_t displaying_pts = 0;  // of the frame whose picture Display shows
    int live_holds = 0;           // passes held back for the sound in a row

    void Run(platform::MessageThread& self);
    void Handle(const platform::Message& message);
    // Waits ms milliseconds, handling messages meanwhile; false on quit.
    bool Wait(platform::MessageThread& self, int ms);
    // The same, but the first message (a wake-up: a step, a position
    // change, new frames) ends the wait.
    bool Idle(platform::MessageThread& self, int ms);

    void DecodeStep();
    void FirstFrameSetup();
    // What a file pass asks of the loop before the next pass.
    struct NextPass {
        int wait_ms = 0;
        bool wake_ends_wait = false;  // idle, not pacing
    };
    // One file pass under pass_mutex: a paused player only waits.
    NextPass FilePass();
    NextPass FileStep();
    bool AudioSyncActive() const;
    // Where the shown picture stands against the sound being heard, for
    // live channels whose sound plays through the audio player.
    enum class AudioLead { kInside, kVideoBehind, kVideoAhead };
    AudioLead LiveAudioLead() const;
    // One pass of live pacing; false on quit.
    bool LiveStep(platform::MessageThread& self);
    FrameQueue::Taken TakeFrame();
    FrameQueue::Taken TakeSkippingBacklog();
    bool DecodeRecord(const FrameQueue::Taken& frame);
    void Display();
    void SetTimeStamps(const FrameQueue::Taken& frame);
    void NoteQueueState();
};

void ChannelPlayer::Core::Run(platform::MessageThread& self) {
    target_depth = TargetDepthForBufferMode(Library().buffer_mode.load());
    for (;;) {
        platform::Message message;
        if (self.Peek(&message)) {
            if (message.id == kChannelQuit) {
                break;
            }
            Handle(message);
            continue;
        }
        bool go_on = true;
        if (live) {
            go_on = LiveStep(self);
        } else {
            const NextPass next = FilePass();
            if (next.wait_ms > 0) {
                go_on = next.wake_ends_wait ? Idle(self, next.wait_ms) : Wait(self, next.wait_ms);
            }
        }
        if (!go_on) {
            break;
        }
    }
    renderer.Close();
    decoder.reset();
}

void ChannelPlayer::Core::Handle(const platform::Message& message) {
    switch (message.id) {
        case kChannelSetVolume:
            volume.store(static_cast<int>(message.w_param & 0xFFFF));
            sound->SetVolume(volume.load());
            break;
        case kChannelCloseSound:
            sound->Close();
            break;
        case kChannelOpenSound:
            sound->Open(Library().buffer_mode.load(), live, volume.load());
            break;
        default:
            break;  // wake-up only
    }
}

bool ChannelPlayer::Core::Wait(platform::MessageThread& self, int ms) {
    const uint64_t deadline = platform::MonotonicMs() + static_cast<uint64_t>(std::max(ms, 0));
    for (;;) {
        const uint64_t now = platform::MonotonicMs();
        if (now >= deadline) {
            return true;
        }
        platform::Message message;
        if (!self.Get(&message, static_cast<int>(deadline - now))) {
            return true;
        }
        if (message.id == kChannelQuit) {
            return false;
        }
        // Wake-ups do not cut the wait short: the wait is the pacing.
        Handle(message);
    }
}

bool ChannelPlayer::Core::Idle(platform::MessageThread& self, int ms) {
    platform::Message message;
    if (!self.Get(&message, std::max(ms, 0))) {
        return true;
    }
    if (message.id == kChannelQuit) {
        return false;
    }
    Handle(message);
    return true;
}

void ChannelPlayer::Core::NoteQueueState() {
    if (queue->Count() != 0) {
        return;
    }
    if (Library().empty_queue_events.fetch_add(1) == 0 && setup.notify) {
        setup.notify(kPlayInfoQueueEmpty, 0);
    }
}

FrameQueue::Taken ChannelPlayer::Core::TakeFrame() {
    return queue->Take(std::span<uint8_t>(work.get(), kChannelWorkBufferBytes));
}

FrameQueue::Taken ChannelPlayer::Core::TakeSkippingBacklog() {
    if (queue->Count() <= kBacklogSkipAbove) {
        return TakeFrame();
    }
    for (;;) {
        FrameQueue::Taken frame = TakeFrame();
        if (frame.status == FrameQueue::TakeStatus::kEmpty ||
            (frame.status == FrameQueue::TakeStatus::kFrame && IsMainStreamVideoTag(frame.tag)) ||
            queue->Count() <= kBacklogSkipKeep) {
            return frame;
        }
    }
}

bool ChannelPlayer::Core::DecodeRecord(const FrameQueue::Taken& frame) {
    const auto payload = VideoRecordPayload(std::span<const uint8_t>(work.get(), frame.length));
    if (!payload) {
        return false;  // not a whole video record: nothing to decode
    }
    if (!decoder->Decode(*payload)) {
        return false;
    }
    decoded.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void ChannelPlayer::Core::SetTimeStamps(const FrameQueue::Taken& frame) {
    int64_t gap = static_cast<int64_t>(frame.next_pts_us - frame.pts_us);
    if (gap <= 0) {
        gap = kDefaultGapUs;
    } else if (gap > kMaxGapUs) {
        gap = kJumpGapUs;
    }
    current_pts = frame.pts_us;
    next_pts =
        frame.next_pts_us == 0 ? frame.pts_us + static_cast<uint64_t>(gap) : frame.next_pts_us;
    shown_pts = current_pts;
    shown_next_pts = next_pts;
    shown_pts_atomic.store(current_pts);
    sound->SetVideoPts(current_pts, next_pts);
}

void ChannelPlayer::Core::Display() {
    if (!decoder->HasPicture() || !show_pictures ||
        displaying_pts < skip_until_pts.load(std::memory_order_relaxed)) {
        return;
    }
    const int width = decoder->Width();
    const int height = decoder->Height();
    if (!renderer.IsOpen() || width != renderer.Width() || height != renderer.Height() || !ready) {
        renderer.Close();
        if (!renderer.Open(window, width, height)) {
            return;
        }
        renderer_opens.fetch_add(1, std::memory_order_relaxed);
    }
    // Only shown pictures are converted, straight from the decoder's planes.
    const bool show_text = Library().show_info_default.load() != 1;
    if (renderer.DrawPlanar(decoder->Planes(), decoder->Strides(), width, height, show_text)) {
        presented.fetch_add(1, std::memory_order_relaxed);
        const AudioClock clock = sound->Clock();
        std::lock_guard lock(shown_clock_mutex);
        shown_video_pts = displaying_pts;
        audio_clock_at_show = clock.pts_us;
    }
}

void ChannelPlayer::Core::FirstFrameSetup() {
    if (!decoder) {
        decoder = H264Decoder::Create();
        if (!decoder) {
            return;
        }
    }
    FrameQueue::Taken frame;
    for (int attempt = 0; attempt < kSetupTakeAttempts; ++attempt) {
        frame = TakeFrame();
        if (frame.status == FrameQueue::TakeStatus::kFrame) {
            break;
        }
        platform::SleepMs(1);
    }
    if (frame.status != FrameQueue::TakeStatus::kFrame) {
        return;
    }
    bool have_picture = false;
    if (first_attempt || !decoder->Drain()) {
        have_picture = DecodeRecord(frame);
    } else {
        have_picture = true;
    }
    first_attempt = false;
    if (!have_picture) {
        return;
    }
    displaying_pts = frame.pts_us;
    if (decoder->Width() <= kMinAcceptedWidth || decoder->Width() >= kMaxAcceptedWidth) {
        return;
    }
    if (renderer.Open(window, decoder->Width(), decoder->Height())) {
        renderer_opens.fetch_add(1, std::memory_order_relaxed);
    }
    ready = true;
    Display();
    sound->Clear();  // sound queued before the first picture would lag it
    SetTimeStamps(frame);
}

void ChannelPlayer::Core::DecodeStep() {
    const bool h264_type = IsH264Type(setup.type_code);
    if (!h264_type) {
        NoteQueueState();
    }
    if (!ready) {
        FirstFrameSetup();
        return;
    }
    if (decoder->Drain()) {
        Display();
        return;
    }
    const FrameQueue::Taken frame = h264_type ? TakeFrame() : TakeSkippingBacklog();
    if (frame.status != FrameQueue::TakeStatus::kFrame) {
        return;
    }
    if (!h264_type && !IsMainStreamVideoTag(frame.tag)) {
        return;
    }
    displaying_pts = frame.pts_us;
    if (DecodeRecord(frame)) {
        Display();
    }
    SetTimeStamps(frame);
}

ChannelPlayer::Core::NextPass ChannelPlayer::Core::FilePass() {
    std::lock_guard pass(pass_mutex);
    if (paused.load() && step_decodes.load() == 0) {
        // The window keeps the last picture itself.
        return {kPausedWaitMs, true};
    }
    return FileStep();
}

// One pass of time-stamp pacing.
ChannelPlayer::Core::NextPass ChannelPlayer::Core::FileStep() {
    int64_t gap_us = 0;
    if (current_pts != 0) {
        gap_us = static_cast<int64_t>(next_pts - current_pts);
        if (gap_us < 0 || gap_us > kMaxFileGapUs) {
            gap_us = kJumpGapUs;
        }
    }
    const bool is_paused = paused.load();
    const int rate = Library().rate.load();
    const double factor = is_paused ? 1.0 : RateFactor(rate);
    if (queue->Count() == 0) {
        shown_pts = 0;
        shown_next_pts = 0;
        return {kFileIdleMs, true};
    }
    const uint64_t now = platform::MonotonicUs();
    const bool stepping = step_decodes.load() > 0;
    // Frames between a jump's key frame and its target are decoded unseen,
    // and the target is shown as soon as it is decoded: no pacing for them.
    const uint64_t skip_to = skip_until_pts.load(std::memory_order_relaxed);
    const bool catching_up = skip_to != 0 && displaying_pts < skip_to;
    const uint64_t frame_us = static_cast<uint64_t>(static_cast<double>(gap_us) * factor);
    bool due = stepping || catching_up || frame_us <= now - pace_base_us;
    if (!is_paused && !stepping && !catching_up && rate == 0 && AudioSyncActive()) {
        const AudioClock clock = sound->Clock();
        if (clock.pts_us != 0 && clock.next_pts_us != 0 && shown_pts != 0 && shown_next_pts != 0) {
            const int64_t ahead = static_cast<int64_t>(shown_next_pts - clock.pts_us);
            const int64_t next_ahead = static_cast<int64_t>(shown_next_pts - clock.next_pts_us);
            if (ahead < -kAudioSyncWindowUs) {
                due = true;  // video lags the sound: show the next frame now
            } else if (ahead > kAudioSyncWindowUs && next_ahead > kAudioSyncWindowUs) {
                return {kAudioSyncHoldMs, false};  // video runs ahead of the sound
            }
        }
    }
    if (!due) {
        return {kFileNotDueMs, false};
    }
    // The schedule advances by exactly one frame, so processing time does not
    // slow playback; a player late by more than a frame starts afresh.
    pace_base_us = catching_up || now - pace_base_us > 2 * frame_us ? now : pace_base_us + frame_us;
    if (stepping) {
        // Only the last frame of a step is shown; the ones before it only
        // bring the decoder up to it.
        int remaining = step_decodes.load();
        show_pictures = remaining == 1;
        DecodeStep();
        show_pictures = true;
        // A step requested meanwhile replaces this one and keeps its count.
        step_decodes.compare_exchange_strong(remaining, remaining - 1);
    } else {
        DecodeStep();
    }
    if (gap_us == 0) {
        pace_base_us = platform::MonotonicUs();
        return {kFileFirstFrameMs, false};
    }
    return {};
}

bool ChannelPlayer::Core::LiveStep(platform::MessageThread& self) {
    if (setup.unpaced) {
        DecodeStep();
        // Only an empty queue waits, and as briefly as possible.
        return queue->Count() != 0 || Wait(self, 1);
    }
    const AudioLead lead = LiveAudioLead();
    // A sound that stops arriving freezes its clock: hold the pictures back
    // for a while only.
    live_holds = lead == AudioLead::kVideoAhead ? live_holds + 1 : 0;
    if (lead == AudioLead::kVideoAhead && live_holds <= kMaxLiveHolds) {
        return Wait(self, kAudioSyncHoldMs);
    }
    DecodeStep();
    if (lead == AudioLead::kVideoBehind) {
        return queue->Count() != 0 || Wait(self, 1);  // catch up with the sound
    }
    const int64_t gap_ms = (static_cast<int64_t>(next_pts - current_pts)) / 1000;
    return Wait(self, LiveSleepMs(target_depth, queue->Count(), gap_ms));
}

ChannelPlayer::Core::AudioLead ChannelPlayer::Core::LiveAudioLead() const {
    if (!AudioSyncActive() || shown_pts == 0 || shown_next_pts == 0) {
        return AudioLead::kInside;
    }
    const AudioClock clock = sound->Clock();
    if (clock.pts_us == 0 || clock.next_pts_us == 0) {
        return AudioLead::kInside;
    }
    const int64_t ahead = static_cast<int64_t>(shown_next_pts - clock.pts_us);
    const int64_t next_ahead = static_cast<int64_t>(shown_next_pts - clock.next_pts_us);
    if (ahead < -kAudioSyncWindowUs) {
        return queue->Count() != 0 ? AudioLead::kVideoBehind : AudioLead::kInside;
    }
    if (ahead > kAudioSyncWindowUs && next_ahead > kAudioSyncWindowUs) {
        return AudioLead::kVideoAhead;
    }
    return AudioLead::kInside;
}

bool ChannelPlayer::Core::AudioSyncActive() const {
    return IsAudioPlayerType(setup.type_code) && sound->IsOpen();
}

ChannelPlayer::ChannelPlayer(std::shared_ptr<Core> core) : core_(std::move(core)) {}

std::unique_ptr<ChannelPlayer> ChannelPlayer::Create(const ChannelSetup& setup) {
    std::shared_ptr<Core> core(new (std::nothrow) Core);
    if (!core) {
        return nullptr;
    }
    core->setup = setup;
    core->volume.store(setup.volume);
    core->queue = FrameQueue::Create();
    core->work.reset(new (std::nothrow) uint8_t[kChannelWorkBufferBytes]);
    core->sound.reset(new (std::nothrow) ChannelSound(setup.type_code, setup.subtype_code));
    if (!core->queue || !core->work || !core->sound) {
        return nullptr;
    }
    return std::unique_ptr<ChannelPlayer>(new (std::nothrow) ChannelPlayer(std::move(core)));
}

ChannelPlayer::~ChannelPlayer() {
    Stop();
    core_->queue->Reset();
    core_->sound->Close();
}

int32_t ChannelPlayer::Start(KmVideoWindow* window, bool live) {
    if (thread_.Running()) {
        return kMediaAlreadyOpen;
    }
    // A fresh core state for the new run: the thread is not running, so
    // nothing else touches these.
    Core& core = *core_;
    core.decoder.reset();
    core.ready = false;
    core.first_attempt = true;
    core.current_pts = core.next_pts = core.shown_pts = core.shown_next_pts = 0;
    core.window = window;
    core.live = live;
    core.renderer.AttachWindow();
    std::shared_ptr<Core> shared = core_;
    if (!thread_.Start([shared](platform::MessageThread& self) { shared->Run(self); })) {
        return kMediaThreadCreation;
    }
    return kMediaOk;
}

void ChannelPlayer::Stop() {
    thread_.Stop(kChannelStopWaitMs);
    // The caller may free the window once Stop returns, also when the
    // thread has not ended yet.
    core_->renderer.DetachWindow();
}

bool ChannelPlayer::Running() const {
    return thread_.Running();
}

bool ChannelPlayer::PushFrame(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us) {
    return core_->queue->Push(record, tag, pts_us);
}

void ChannelPlayer::Wake() {
    thread_.Post(kChannelWake);
}

size_t ChannelPlayer::QueuedFrames() const {
    return core_->queue->Count();
}

void ChannelPlayer::ResetQueue() {
    core_->queue->Reset();
}

void ChannelPlayer::InputAudio(int codec_type, std::span<const uint8_t> block, uint64_t pts_us) {
    core_->sound->Input(codec_type, block, pts_us);
}

int32_t ChannelPlayer::OpenSound() {
    return core_->sound->Open(Library().buffer_mode.load(), core_->live, core_->volume.load());
}

void ChannelPlayer::CloseSound() {
    core_->sound->Close();
}

bool ChannelPlayer::SoundOpen() const {
    return core_->sound->IsOpen();
}

int32_t ChannelPlayer::SetMute(bool mute) {
    return core_->sound->SetMute(mute);
}

void ChannelPlayer::PostOpenSound() {
    thread_.Post(kChannelOpenSound);
}

void ChannelPlayer::PostCloseSound() {
    thread_.Post(kChannelCloseSound);
}

bool ChannelPlayer::Capture(uint8_t* out, size_t capacity, int* width, int* height, bool flip) {
    return core_->renderer.Capture(out, capacity, width, height, flip);
}

void ChannelPlayer::SetVolume(int volume) {
    core_->volume.store(volume);
    thread_.Post(kChannelSetVolume, static_cast<uintptr_t>(volume));
}

int ChannelPlayer::Volume() const {
    return core_->volume.load();
}

void ChannelPlayer::SetPaused(bool paused) {
    core_->paused.store(paused);
    if (paused && !thread_.IsCurrent()) {
        // The pass in progress ends before the pause counts as made.
        std::lock_guard settle(core_->pass_mutex);
    }
}

void ChannelPlayer::RequestStep(int decodes) {
    core_->step_decodes.store(std::max(decodes, 1));
    thread_.Post(kChannelWake);
}

void ChannelPlayer::SkipUntil(uint64_t pts_us) {
    core_->skip_until_pts.store(pts_us);
}

std::unique_lock<std::mutex> ChannelPlayer::HoldPass() {
    if (thread_.IsCurrent()) {
        return {};
    }
    return std::unique_lock<std::mutex>(core_->pass_mutex);
}

bool ChannelPlayer::StepPending() const {
    return core_->step_decodes.load() > 0;
}

uint64_t ChannelPlayer::ShownPts() const {
    return core_->shown_pts_atomic.load();
}

void ChannelPlayer::ClearSound() {
    core_->sound->Clear();
}

void ChannelPlayer::StopFileAudio(int32_t mode) {
    core_->sound->StopFileAudio(mode);
}

VideoRenderer& ChannelPlayer::Renderer() {
    return core_->renderer;
}

const ChannelSetup& ChannelPlayer::Setup() const {
    return core_->setup;
}

ChannelStats ChannelPlayer::Stats() const {
    ChannelStats stats{core_->decoded.load(), core_->presented.load(),
                       core_->renderer_opens.load()};
    std::lock_guard lock(core_->shown_clock_mutex);
    stats.shown_video_pts_us = core_->shown_video_pts;
    stats.audio_clock_at_show_us = core_->audio_clock_at_show;
    return stats;
}

}  // namespace kestrel::media
