#include "talk_session.h"

#include <new>
#include <string>

#include "talk_playback.h"

namespace kestrel::media {
namespace {

constexpr int32_t kLiveDecoder = 1;

int32_t BufferMode(int32_t decoder_mode) {
    return decoder_mode == QWAUDIO_BUFFER_LONG ? QWAUDIO_BUFFER_LONG : QWAUDIO_BUFFER_SHORT;
}

}  // namespace

TalkSession::TalkSession(QW_MEDIA_TALK_SEND send, void* user)
    : player_(AudioPlayer()), voice_(VoiceCodec()), send_(send), user_(user) {}

std::unique_ptr<TalkSession> TalkSession::Open(const int32_t* attributes, QW_MEDIA_TALK_SEND send,
                                               int32_t decoder_mode, void* user) {
    if (attributes == nullptr || send == nullptr || attributes[0] < 0 ||
        attributes[0] >= kTalkChannels) {
        return nullptr;
    }
    std::unique_ptr<TalkSession> talk(new (std::nothrow) TalkSession(send, user));
    if (!talk || !talk->player_.Usable() || !talk->voice_.Usable()) {
        return nullptr;
    }
    talk->assembler_ = TalkAssembler::Create();
    talk->encoder_ = talk->voice_.create();
    if (!talk->assembler_ || talk->encoder_ == nullptr ||
        talk->voice_.enc_reset(talk->encoder_, QWVOICE_MODE_8K_MONO_16BIT) != QWVOICE_OK) {
        return nullptr;
    }
    talk->decoder_ = talk->player_.open(BufferMode(decoder_mode), kLiveDecoder);
    if (talk->decoder_ == nullptr) {
        return nullptr;
    }
    std::string error;
    talk->mic_.Open(&TalkSession::OnFrame, talk.get(), &error);  // none: talk without microphone
    return talk;
}

TalkSession::~TalkSession() {
    mic_.Close();
    if (decoder_ != nullptr) {
        player_.close(decoder_);
    }
    if (encoder_ != nullptr) {
        voice_.destroy(encoder_);
    }
}

void TalkSession::Input(std::span<const uint8_t> data, uint32_t stamp_low, uint32_t stamp_high) {
    if (data.size() >= kTalkInputLimit) {
        return;
    }
    std::lock_guard<std::mutex> hold(input_lock_);
    assembler_->Input(data, [&](std::span<const uint8_t> block) {
        // A block the player refuses is lost on its own; the stream goes on.
        player_.input(decoder_, block.data(), static_cast<int32_t>(block.size()),
                      QWAUDIO_CODEC_G711U_B, stamp_low, stamp_high);
    });
}

void TalkSession::Play() {
    PlayOnce(playback_);
}

void TalkSession::OnFrame(void* self, std::span<const int16_t, kMicFrameSamples> frame) {
    auto* talk = static_cast<TalkSession*>(self);
    if (talk->voice_.encode(talk->encoder_, frame.data(), talk->frame_,
                            static_cast<int32_t>(frame.size())) != QWVOICE_OK) {
        return;
    }
    const size_t frame_bytes = QWVOICE_HEADER_BYTES + 2 * size_t{talk->frame_[2]};
    const size_t length =
        BuildTalkPacket(std::span<const uint8_t>(talk->frame_, frame_bytes), talk->packet_);
    if (length == 0) {
        return;
    }
    const uint64_t stamp = talk->next_stamp_;
    talk->next_stamp_ += kTalkStampStep;
    talk->send_(talk->user_, talk->packet_, static_cast<int32_t>(length),
                static_cast<uint32_t>(stamp), static_cast<uint32_t>(stamp >> 32));
}

}  // namespace kestrel::media
