#include "player_harness.h"

#include <cstdlib>
#include <thread>

#include "audio_tools.h"

namespace kestrel::media::audio_test {

namespace {

const int kAnchor = 0;

template <typename Fn>
void Resolve(const platform::SharedLibrary& library, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(library.Symbol(name));
}

}  // namespace

bool PlayerComponent::Complete() const {
    return open && input && set_pts && get_pts && frames && volume && mute && stop && clear &&
           close;
}

PlayerComponent& Player() {
    static PlayerComponent* component = [] {
        auto* c = new PlayerComponent;
        if (c->library.Load(platform::ModuleFolderOf(&kAnchor), "qw_audio_player")) {
            Resolve(c->library, c->open, "QW_AUDIO_OpenAudioDecoder");
            Resolve(c->library, c->input, "QW_AUDIO_InputAudioBuffer");
            Resolve(c->library, c->set_pts, "QW_AUDIO_SetPts");
            Resolve(c->library, c->get_pts, "QW_AUDIO_GetPts");
            Resolve(c->library, c->frames, "QW_AUDIO_AudioDecGetFrames");
            Resolve(c->library, c->volume, "QW_AUDIO_AudioDecSetVolume");
            Resolve(c->library, c->mute, "QW_AUDIO_SetMuteAudio");
            Resolve(c->library, c->stop, "QW_AUDIO_StopFileAudio");
            Resolve(c->library, c->clear, "QW_AUDIO_AudioDecClear");
            Resolve(c->library, c->close, "QW_AUDIO_CloseAudioDecoder");
        }
        return c;
    }();
    return *component;
}

DiskPlayer::DiskPlayer(const std::string& output, int32_t buffer_mode, int32_t live)
    : output_(output) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    decoder_ = Player().open(buffer_mode, live);
}

DiskPlayer::~DiskPlayer() {
    Player().close(decoder_);
}

int32_t DiskPlayer::Feed(const std::vector<uint8_t>& block, uint64_t stamp) const {
    return Player().input(decoder_, block.data(), static_cast<int32_t>(block.size()),
                          QWAUDIO_CODEC_G711U_A, static_cast<uint32_t>(stamp),
                          static_cast<uint32_t>(stamp >> 32));
}

std::pair<uint64_t, uint64_t> DiskPlayer::Pts() const {
    uint64_t pts = ~uint64_t{0};
    uint64_t next = ~uint64_t{0};
    Player().get_pts(decoder_, &pts, &next);
    return {pts, next};
}

bool DiskPlayer::WaitPlayed(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Player().frames(decoder_) != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The device's own buffer (32 ms) still has to reach the file.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return true;
}

std::vector<int16_t> DiskPlayer::CloseAndRead() {
    Player().close(decoder_);
    decoder_ = nullptr;
    return ToSamples(ReadBytes(output_));
}

}  // namespace kestrel::media::audio_test
