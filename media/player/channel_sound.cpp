#include "channel_sound.h"

#include <array>
#include <vector>

#include "ima_adpcm.h"
#include "media_result.h"
#include "model_table.h"
#include "platform/thread.h"
#include "wave_format.h"

namespace kestrel::media {
namespace {

constexpr int kCodecAmr = 1;
constexpr int kCodecVoice = 2;
constexpr int kCodecImaAdpcm = 3;
constexpr int kCloseSettleMs = 5;
constexpr size_t kMaxDecodedSamples = 0x10000;  // one block's PCM, at most

std::span<const uint8_t> AsBytes(std::span<const int16_t> samples) {
    return {reinterpret_cast<const uint8_t*>(samples.data()), samples.size_bytes()};
}

}  // namespace

ChannelSound::ChannelSound(uint32_t type_code, uint32_t subtype_code)
    : type_code_(type_code),
      subtype_code_(subtype_code),
      uses_audio_player_(IsAudioPlayerType(type_code)) {}

ChannelSound::~ChannelSound() {
    std::lock_guard lock(mutex_);
    CloseLocked();
    if (audio_ != nullptr) {
        AudioPlayer().close(audio_);
    }
    if (voice_ != nullptr) {
        VoiceCodec().destroy(voice_);
    }
    if (amr_ != nullptr) {
        AmrDecoder().exit(amr_);
    }
}

int32_t ChannelSound::Open(int32_t buffer_mode, bool live, int volume) {
    std::lock_guard lock(mutex_);
    if (open_) {
        return kMediaOk;
    }
    if (ring_) {
        ring_->Clear();
    }
    const std::optional<int> index = WaveFormatIndexFor(type_code_, subtype_code_);
    if (!index) {
        return kMediaNotAvailable;
    }
    volume_ = volume;
    if (uses_audio_player_) {
        const AudioPlayerApi& player = AudioPlayer();
        if (!player.Usable()) {
            return kMediaFailed;
        }
        if (audio_ != nullptr) {
            player.close(audio_);
        }
        audio_ = player.open(buffer_mode == 1 ? 1 : 0, live ? 1 : 0);
        if (audio_ == nullptr) {
            return kMediaFailed;
        }
        audio_ever_held_ = false;
        player.set_volume(audio_, volume_);
        player.set_mute(audio_, muted_ ? 1 : 0);
        open_ = true;
        return kMediaOk;
    }
    if (!ring_) {
        ring_ = PcmRing::Create();
        if (!ring_) {
            return kMediaFailed;
        }
    }
    std::string error;
    output_ = WaveOutput::Open(WaveFormatAt(*index), *ring_, &error);
    if (!output_) {
        return kMediaFailed;
    }
    output_->SetVolume(muted_ ? 0 : volume_);
    open_ = true;
    return kMediaOk;
}

void ChannelSound::Close() {
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void ChannelSound::CloseLocked() {
    if (!open_) {
        return;
    }
    open_ = false;  // input stops here
    if (ring_) {
        ring_->Clear();
    }
    if (output_) {
        platform::SleepMs(kCloseSettleMs);
        output_.reset();  // waits for the device's callback
    }
}

bool ChannelSound::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

void ChannelSound::SetVolume(int volume) {
    std::lock_guard lock(mutex_);
    volume_ = volume;
    if (audio_ != nullptr) {
        AudioPlayer().set_volume(audio_, volume);
    }
    if (output_ && !muted_) {
        output_->SetVolume(volume);
    }
}

int32_t ChannelSound::SetMute(bool mute) {
    std::lock_guard lock(mutex_);
    muted_ = mute;
    if (audio_ != nullptr) {
        AudioPlayer().set_mute(audio_, mute ? 1 : 0);
    }
    if (output_) {
        output_->SetVolume(mute ? 0 : volume_);
    }
    return kMediaOk;
}

void ChannelSound::Input(int codec_type, std::span<const uint8_t> block, uint64_t pts_us) {
    std::lock_guard lock(mutex_);
    if (!open_ || block.empty()) {
        return;
    }
    last_block_pts_us_ = pts_us;
    if (uses_audio_player_) {
        if (audio_ != nullptr &&
            AudioPlayer().input(audio_, block.data(), static_cast<int32_t>(block.size()),
                                codec_type, static_cast<uint32_t>(pts_us),
                                static_cast<uint32_t>(pts_us >> 32)) == QWAUDIO_OK) {
            audio_ever_held_ = true;
        }
        return;
    }
    DecodeInternally(codec_type, block);
}

void ChannelSound::DecodeInternally(int codec_type, std::span<const uint8_t> block) {
    if (!ring_) {
        return;
    }
    if (codec_type == kCodecImaAdpcm) {
        std::vector<int16_t> pcm(std::min(ImaAdpcmSamples(block.size()), kMaxDecodedSamples));
        const size_t samples = DecodeImaAdpcmBlock(block, pcm);
        ring_->Write(AsBytes(std::span<const int16_t>(pcm.data(), samples)));
    } else if (codec_type == kCodecAmr) {
        const AmrApi& amr = AmrDecoder();
        if (!amr.Usable()) {
            return;
        }
        if (amr_ == nullptr && (amr_ = amr.init()) == nullptr) {
            return;
        }
        const int32_t length = amr.get_length(QWAMR_MODE_STORAGE, block[0]);
        std::array<int16_t, QWAMR_FRAME_SAMPLES> pcm{};
        // A block shorter than its frame is not decoded.
        if (length < 0 || block.size() < static_cast<size_t>(length) + 1 ||
            amr.decode(amr_, block.data(), static_cast<int32_t>(block.size()), pcm.data(),
                       QWAMR_MODE_STORAGE) != QWAMR_OK) {
            return;
        }
        ring_->Write(AsBytes(pcm));
    } else if (codec_type == kCodecVoice) {
        const VoiceApi& voice = VoiceCodec();
        if (!voice.Usable()) {
            return;
        }
        if (voice_ == nullptr && (voice_ = voice.create()) == nullptr) {
            return;
        }
        std::array<int16_t, QWVOICE_MAX_SAMPLES> pcm{};
        int32_t samples = 0;
        if (voice.decode(voice_, block.data(), static_cast<int32_t>(block.size()), pcm.data(),
                         &samples) == QWVOICE_OK &&
            samples > 0 && samples <= QWVOICE_MAX_SAMPLES) {
            ring_->Write(AsBytes(std::span<const int16_t>(pcm.data(), size_t(samples))));
        }
    }
    // Other codec types carry nothing this path can play.
}

void ChannelSound::Clear() {
    std::lock_guard lock(mutex_);
    if (ring_) {
        ring_->Clear();
    }
    if (audio_ != nullptr) {
        AudioPlayer().clear(audio_);
    }
}

void ChannelSound::SetVideoPts(uint64_t pts_us, uint64_t next_pts_us) {
    std::lock_guard lock(mutex_);
    if (audio_ != nullptr) {
        AudioPlayer().set_pts(audio_, pts_us, next_pts_us);
    }
}

AudioClock ChannelSound::Clock() {
    std::lock_guard lock(mutex_);
    AudioClock clock;
    if (audio_ == nullptr) {
        return clock;
    }
    AudioPlayer().get_pts(audio_, &clock.pts_us, &clock.next_pts_us);
    clock.held_frames = AudioPlayer().get_frames(audio_);
    clock.ever_held = audio_ever_held_;
    return clock;
}

void ChannelSound::StopFileAudio(int32_t mode) {
    std::lock_guard lock(mutex_);
    if (audio_ != nullptr) {
        AudioPlayer().stop_file_audio(audio_, mode);
    }
}

}  // namespace kestrel::media
