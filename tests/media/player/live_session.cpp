#include "live_session.h"

#include <gtest/gtest.h>

namespace kestrel::media::test {

LiveSession::LiveSession(sim::RecorderConfig config, int32_t buffer_mode, int stream)
    : recorder_(std::move(config)) {
    if (!recorder_.Start()) {
        ADD_FAILURE() << recorder_.LastError();
        return;
    }
    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;
    UserRights rights{};
    device_ = QW_DVR_NET_Open_Device(recorder_.Address().c_str(), recorder_.CommandPort(), "admin",
                                     "admin", &type, &subtype, &result, &rights, nullptr);
    if (device_ == nullptr) {
        ADD_FAILURE() << "open failed: " << result;
        return;
    }
    type_ = static_cast<uint32_t>(type);
    decoder_ = QW_DVR_MEDIA_OpenDecoder(type_, static_cast<uint32_t>(subtype), 0, buffer_mode);
    if (decoder_ == nullptr) {
        ADD_FAILURE() << "no decoder";
        return;
    }
    feed_ = tools::LiveFeed::Create(decoder_, type_);
    KmVideoWindow* windows[] = {window_.Window()};
    const int32_t channel = kChannel;
    started_ =
        feed_ != nullptr && QW_DVR_MEDIA_StartPlay(decoder_, windows, 1, &channel, 1, 0) == 0 &&
        QW_DVR_NET_SetRealDataCallBack(device_, kChannel, feed_.get(), tools::LiveFeed::OnData) ==
            0 &&
        QW_DVR_NET_StartRealAV(device_, 0, kChannel, 0, 0, 1, stream, "admin", "admin") == 0;
    EXPECT_TRUE(started_);
}

LiveSession::~LiveSession() {
    Stop();
}

tools::LiveFigures LiveSession::Figures() const {
    return feed_ ? feed_->Figures() : tools::LiveFigures{};
}

void LiveSession::Stop() {
    if (device_ != nullptr) {
        EXPECT_EQ(QW_DVR_NET_StopRealAV(device_, kChannel), 0);
    }
    if (decoder_ != nullptr) {
        EXPECT_EQ(QW_DVR_MEDIA_StopPlay(decoder_, kChannel), 0);
        EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(decoder_), 0);
        decoder_ = nullptr;
    }
    if (device_ != nullptr) {
        QW_DVR_NET_Close_Device(device_);
        device_ = nullptr;
    }
}

}  // namespace kestrel::media::test
