#include "CDlgAVBinding.h"

#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <algorithm>

#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {

CDlgAVBinding::CDlgAVBinding(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "AV bind:", Options{}, parent) {
    setObjectName(QStringLiteral("avBindingPage"));
    video_ = new QComboBox(Body());
    AddRow(client::kTextBindAudioToVideo, video_);
    connect(video_, &QComboBox::activated, this, [this](int index) {
        QwAvBindAttr* record = Current();
        if (record != nullptr) {
            // The list ends with "None".
            record->video_channel = index == video_->count() - 1 ? QW_AV_UNBOUND : index;
        }
    });
    auto* defaultBinding = new QPushButton(Text(client::kTextDefaultBinding), this);
    connect(defaultBinding, &QPushButton::clicked, this, [this] { DefaultBinding(); });
    AddButton(defaultBinding);
    Grid()->setColumnStretch(1, 1);
    Grid()->setRowStretch(Grid()->rowCount(), 1);
}

QwAvBindAttr* CDlgAVBinding::Current() {
    for (int32_t i = 0; i < count_; ++i) {
        if (records_[static_cast<size_t>(i)].audio_channel == CurrentChannel()) {
            return &records_[static_cast<size_t>(i)];
        }
    }
    return nullptr;
}

const QwAvBindAttr* CDlgAVBinding::Current() const {
    return const_cast<CDlgAVBinding*>(this)->Current();
}

int32_t CDlgAVBinding::BoundVideo() const {
    const QwAvBindAttr* record = Current();
    return record != nullptr ? record->video_channel : QW_AV_UNBOUND;
}

void CDlgAVBinding::DefaultBinding() {
    if (QwAvBindAttr* record = Current()) {
        record->video_channel = CurrentChannel();
        ShowCurrent();
    }
}

SettingsPage::ReadResult CDlgAVBinding::ReadRecords() {
    std::array<QwAvBindAttr, 16> fresh{};
    int32_t count = static_cast<int32_t>(fresh.size());
    if (QW_SRDK_MEDIA_GetAVBindAttr(Handle(), fresh.data(), &count) != 0) {
        return ReadResult::kFailed;
    }
    records_ = fresh;
    count_ = std::clamp<int32_t>(count, 0, static_cast<int32_t>(fresh.size()));
    return Current() != nullptr ? ReadResult::kOk : ReadResult::kInvalidChannel;
}

std::string CDlgAVBinding::RefreshFailureText(ReadResult result) {
    return result == ReadResult::kFailed ? LoadText(client::kTextGetBindingFailed)
                                         : SettingsPage::RefreshFailureText(result);
}

std::string CDlgAVBinding::SaveFailureText(size_t step) {
    return step == 0 ? LoadText(client::kTextSetBindingFailed) : LoadText(client::kTextSaveFailed);
}

std::vector<SettingsPage::SaveStep> CDlgAVBinding::SaveSteps() {
    return {[this] { return QW_SRDK_MEDIA_SetAVBindAttr(Handle(), records_.data(), count_); }};
}

void CDlgAVBinding::ShowChannel(int) {
    video_->clear();
    for (int i = 1; i <= ChannelCount(); ++i) {
        video_->addItem(Text(client::kTextChannelShort) + QString::number(i));
    }
    video_->addItem(Text(client::kTextNone));
    const int32_t bound = BoundVideo();
    video_->setCurrentIndex(bound >= 0 && bound < ChannelCount() ? bound : video_->count() - 1);
    video_->setEnabled(Current() != nullptr);
}

}  // namespace kestrel::ui
