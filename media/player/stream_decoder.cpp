#include "stream_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "media_result.h"
#include "video_renderer.h"

namespace kestrel::media {
namespace {

constexpr uint32_t kShowInfoTypes[] = {0x01000201, 0x01000202, 0x01000204};

}  // namespace

StreamDecoder::StreamDecoder(uint32_t type_code, uint32_t subtype_code)
    : type_code_(type_code), subtype_code_(subtype_code) {}

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
    if (type_code_ == kTypeSingleChannelSlots) {
        return channel < kChannelSlots ? channel : -1;
    }
    return channel % kChannelSlots;
}

int StreamDecoder::DisplaySlotOf(int32_t channel) const {
    if (type_code_ == kTypeSharedDisplaySlot || subtype_code_ == kSubtypeSharedDisplayA ||
        subtype_code_ == kSubtypeSharedDisplayB) {
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
    if (slot == current_) {
        input_->SetSoundOpen(false);
    }
    if (type_code_ != kTypeSharedDisplaySlot) {
        StopTimerLocked();
    }
    ReplaceSlotLocked(slot, nullptr).reset();
    return kMediaOk;
}

void StreamDecoder::StopAll() {
    std::lock_guard lock(mutex_);
    StopTimerLocked();
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

void StreamDecoder::OnAudioBlock(int, std::span<const uint8_t>, uint64_t) {
    // Sound output comes with the audio path; until a channel opens sound
    // the stream input never calls this.
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
    const bool accepted = std::find(std::begin(kShowInfoTypes), std::end(kShowInfoTypes),
                                    type_code_) != std::end(kShowInfoTypes);
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
