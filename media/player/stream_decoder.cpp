#include "stream_decoder.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "media_result.h"
#include "video_renderer.h"

namespace kestrel::media {
namespace {

constexpr int32_t kMaxVolume = 0xFFFF;

}  // namespace

StreamDecoder::StreamDecoder(uint32_t type_code, uint32_t subtype_code)
    : type_code_(type_code), subtype_code_(subtype_code), traits_(RecorderType(type_code)) {}

std::unique_ptr<StreamDecoder> StreamDecoder::Create(uint32_t type_code, uint32_t subtype_code) {
    std::unique_ptr<StreamDecoder> decoder(new (std::nothrow)
                                               StreamDecoder(type_code, subtype_code));
    if (!decoder) {
        return nullptr;
    }
    decoder->input_ = StreamInput::Create(type_code, *decoder);
    if (!decoder->input_) {
        return nullptr;
    }
    return decoder;
}

StreamDecoder::~StreamDecoder() {
    StopAll();
}

int StreamDecoder::SlotOf(int32_t channel) const {
    if (channel < 0 || channel > kChannelSlots) {
        return -1;
    }
    if (traits_.single_channel_slots) {
        return channel < kChannelSlots ? channel : -1;
    }
    return channel % kChannelSlots;
}

int StreamDecoder::DisplaySlotOf(int32_t channel) const {
    if (SharesDisplaySlot(type_code_, subtype_code_)) {
        return 0;
    }
    return SlotOf(channel);
}

int32_t StreamDecoder::StartChannel(int32_t index, KmVideoWindow* window, bool live) {
    std::lock_guard lock(mutex_);
    const int slot = SlotOf(index);
    if (slot < 0) {
        return kMediaBadArgument;
    }
    ReplaceSlotLocked(slot, nullptr).reset();  // stops a running player first
    if (slot == current_ && sound_open_) {
        sound_open_ = false;  // the sound went with the old player
        input_->SetSoundOpen(false);
    }
    ChannelSetup setup;
    setup.type_code = type_code_;
    setup.subtype_code = subtype_code_;
    setup.channel = index;
    setup.volume = volume_;
    setup.name = name_;
    setup.start_time = start_time_;
    setup.notify = notify_;
    std::unique_ptr<ChannelPlayer> player = ChannelPlayer::Create(setup);
    if (!player) {
        return kMediaPlayerAllocation;
    }
    input_->Clear();
    const int32_t result = player->Start(window, live);
    ReplaceSlotLocked(slot, std::move(player));
    current_ = slot;
    return result;
}

int32_t StreamDecoder::StopChannel(int32_t channel) {
    if (channel < 0 || channel >= kChannelSlots) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    const int slot = SlotOf(channel);
    if (slot == current_ && sound_open_) {
        if (slots_[slot]) {
            slots_[slot]->CloseSound();
        }
        sound_open_ = false;
        input_->SetSoundOpen(false);
    }
    // The type whose channels share one display keeps its wake-up timer.
    if (!traits_.shared_display_slot) {
        StopTimerLocked();
    }
    ReplaceSlotLocked(slot, nullptr).reset();
    return kMediaOk;
}

void StreamDecoder::StopAll() {
    std::lock_guard lock(mutex_);
    StopTimerLocked();
    sound_open_ = false;
    input_->SetSoundOpen(false);
    for (int slot = 0; slot < kChannelSlots; ++slot) {
        ReplaceSlotLocked(slot, nullptr).reset();
    }
}

void StreamDecoder::StopTimerLocked() {
    timer_.Stop();
}

int32_t StreamDecoder::Input(int32_t kind, std::span<const uint8_t> data) {
    std::lock_guard lock(mutex_);
    switch (kind) {
        case QW_MEDIA_INPUT_STREAM:
            return input_->InputStream(data);
        case QW_MEDIA_INPUT_VIDEO_FRAME:
        case QW_MEDIA_INPUT_VIDEO_FRAME2: {
            const int32_t result = input_->InputVideoFrame(data);
            ChannelPlayer* player = slots_[current_].get();
            if (result == kMediaOk && player != nullptr && !timer_.Running()) {
                player->Wake();
            }
            return result;
        }
        case QW_MEDIA_INPUT_AUDIO_FRAME:
            return input_->InputAudioFrame(data);
        default:
            return kMediaOk;
    }
}

void StreamDecoder::OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us) {
    ChannelPlayer* player = slots_[current_].get();
    if (player != nullptr) {
        player->PushFrame(record, tag, pts_us);
    }
}

void StreamDecoder::OnAudioBlock(int codec_type, std::span<const uint8_t> block, uint64_t pts_us) {
    ChannelPlayer* player = slots_[current_].get();
    if (player != nullptr) {
        player->InputAudio(codec_type, block, pts_us);
    }
}

int32_t StreamDecoder::OpenSound(int32_t channel) {
    if (channel < 0 || channel >= kChannelSlots) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    if (sound_open_) {
        return kMediaAlreadyOpen;
    }
    const int slot = SlotOf(channel);
    ChannelPlayer* player = slot < 0 ? nullptr : slots_[slot].get();
    if (player == nullptr || !player->Running()) {
        return kMediaFailed;
    }
    const int32_t result = player->OpenSound();
    if (result != kMediaOk) {
        return result;
    }
    sound_open_ = true;
    input_->SetSoundOpen(true);
    // Only the types whose traits say so report an opened sound as a success.
    return traits_.sound_open_is_success ? kMediaOk : kMediaNotAvailable;
}

int32_t StreamDecoder::CloseSound(int32_t channel) {
    if (channel < 0 || channel >= kChannelSlots) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    if (!sound_open_) {
        return kMediaNotOpen;
    }
    const int slot = SlotOf(channel);
    ChannelPlayer* player = slot < 0 ? nullptr : slots_[slot].get();
    if (player != nullptr && player->Running()) {
        player->CloseSound();
    }
    sound_open_ = false;
    input_->SetSoundOpen(false);
    return kMediaOk;
}

int32_t StreamDecoder::SetVolume(int32_t channel, int32_t volume) {
    if (channel < 0 || channel >= kChannelSlots || volume < 0 || volume > kMaxVolume) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    volume_ = volume;  // for channels started later
    if (!sound_open_) {
        return kMediaNotOpen;
    }
    const int slot = SlotOf(channel);
    if (slot >= 0 && slots_[slot]) {
        slots_[slot]->SetVolume(volume);
    }
    return kMediaOk;
}

int32_t StreamDecoder::SetMute(int32_t channel, int32_t mute) {
    if (channel < 0 || channel >= kChannelSlots) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    const int slot = SlotOf(channel);
    ChannelPlayer* player = slot < 0 ? nullptr : slots_[slot].get();
    if (player == nullptr || !player->Running()) {
        return kMediaFailed;
    }
    return player->SetMute(mute != 0);
}

int32_t StreamDecoder::Capture(int32_t channel, uint8_t* pixels, int32_t* width, int32_t* height,
                               bool flip) {
    const int64_t capacity = int64_t{std::max(*width, 0)} * std::max(*height, 0) * 3;
    *width = 0;
    *height = 0;
    std::lock_guard lock(mutex_);
    ChannelPlayer* player = nullptr;
    // Only the type itself captures its first started channel; the
    // subtypes that share a display slot capture by channel.
    if (traits_.shared_display_slot) {
        for (const auto& slot : slots_) {
            if (slot) {
                player = slot.get();
                break;
            }
        }
    } else {
        player = slots_[channel % kChannelSlots].get();
    }
    if (player == nullptr) {
        return kMediaFailed;
    }
    int picture_width = 0;
    int picture_height = 0;
    const bool copied = player->Capture(pixels, static_cast<size_t>(capacity), &picture_width,
                                        &picture_height, flip);
    if (picture_width == 0 || picture_height == 0) {
        return kMediaFailed;  // nothing shown yet
    }
    *width = picture_width;
    *height = picture_height;
    // A buffer smaller than the picture is refused; the size tells the
    // caller what it needs.
    return copied ? kMediaOk : kMediaBadArgument;
}

int32_t StreamDecoder::SetOsd(int32_t channel, int32_t enable, const char* text, int32_t position,
                              int32_t colour) {
    if (channel < 0 || channel >= kChannelSlots) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    const int slot = DisplaySlotOf(channel);
    if (slot < 0 || !slots_[slot]) {
        return kMediaFailed;
    }
    return slots_[slot]->Renderer().Osd().Set(enable, text, position, colour);
}

int32_t StreamDecoder::SetShowInfo(int32_t) {
    std::lock_guard lock(mutex_);
    const bool accepted = traits_.takes_show_info;
    int present = 0;
    for (const auto& slot : slots_) {
        present += slot ? 1 : 0;
    }
    if (present == 0) {
        return kMediaNothingToDo;
    }
    // The flag changes nothing else on the types that take it.
    return accepted ? kMediaOk : kMediaFailed;
}

int32_t StreamDecoder::SetBrightness(int32_t channel, int32_t level) {
    if (channel < 0 || channel >= kChannelSlots || level < 0 || level > 255) {
        return kMediaBadArgument;
    }
    std::lock_guard lock(mutex_);
    const int slot = DisplaySlotOf(channel);
    if (slot < 0 || !slots_[slot]) {
        return kMediaFailed;
    }
    slots_[slot]->Renderer().SetBrightness(level);
    return kMediaOk;
}

int32_t StreamDecoder::SetTimerRate(int32_t period_ms) {
    std::lock_guard lock(mutex_);
    timer_.Stop();
    if (period_ms <= 0) {
        return kMediaOk;
    }
    // The tick takes only slots_mutex_: Stop() waits for a running tick
    // while mutex_ is held.
    const bool started = timer_.Start(period_ms, [this] {
        std::lock_guard slots_lock(slots_mutex_);
        for (const auto& slot : slots_) {
            if (slot) {
                slot->Wake();
            }
        }
    });
    return started ? kMediaOk : kMediaTimer;
}

std::unique_ptr<ChannelPlayer> StreamDecoder::ReplaceSlotLocked(
    int slot, std::unique_ptr<ChannelPlayer> player) {
    std::lock_guard slots_lock(slots_mutex_);
    std::swap(slots_[slot], player);
    return player;
}

void StreamDecoder::SetPlaybackInfo(const char* name, const QwMediaTime& start_time,
                                    std::function<void(int32_t, intptr_t)> notify) {
    std::lock_guard lock(mutex_);
    name_.fill(0);
    if (name != nullptr) {
        std::strncpy(name_.data(), name, name_.size() - 1);
    }
    start_time_ = start_time;
    notify_ = std::move(notify);
}

void StreamDecoder::SetFileMode(bool several_channels) {
    std::lock_guard lock(mutex_);
    input_->SetParseEveryType(true);
    route_by_stream_digit_ = several_channels;
}

void StreamDecoder::ForEachPlayer(const std::function<void(int slot, ChannelPlayer&)>& fn) {
    std::lock_guard lock(mutex_);
    for (int slot = 0; slot < kChannelSlots; ++slot) {
        if (slots_[slot]) {
            fn(slot, *slots_[slot]);
        }
    }
}

size_t StreamDecoder::MaxQueued(uint32_t mask) const {
    std::lock_guard lock(mutex_);
    size_t most = 0;
    for (int slot = 0; slot < kChannelSlots; ++slot) {
        if (slots_[slot] && (mask & (1u << slot)) != 0) {
            most = std::max(most, slots_[slot]->QueuedFrames());
        }
    }
    return most;
}

void StreamDecoder::Flush() {
    std::lock_guard lock(mutex_);
    input_->Clear();
    for (const auto& slot : slots_) {
        if (slot) {
            slot->ResetQueue();
            slot->ClearSound();
            slot->Wake();
        }
    }
}

void StreamDecoder::StartStep(std::span<const uint8_t> stream, int decodes) {
    std::lock_guard lock(mutex_);
    std::vector<std::unique_lock<std::mutex>> passes;
    for (const auto& slot : slots_) {
        if (slot) {
            passes.push_back(slot->HoldPass());
        }
    }
    input_->Clear();
    for (const auto& slot : slots_) {
        if (slot) {
            slot->ResetQueue();
            slot->ClearSound();
        }
    }
    input_->InputStream(stream);
    for (const auto& slot : slots_) {
        if (slot) {
            slot->SkipUntil(0);
            slot->RequestStep(decodes);
        }
    }
}

bool StreamDecoder::ChannelStatsOf(int32_t channel, ChannelStats* out) const {
    std::lock_guard lock(mutex_);
    const int slot = SlotOf(channel);
    if (slot < 0 || !slots_[slot]) {
        return false;
    }
    *out = slots_[slot]->Stats();
    return true;
}

}  // namespace kestrel::media
