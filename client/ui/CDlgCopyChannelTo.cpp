#include "CDlgCopyChannelTo.h"

#include <QCheckBox>
#include <QPushButton>
#include <algorithm>

#include "device.h"
#include "kestrel_net_config.h"
#include "kestrel_records.h"
#include "settings_page.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kPerRow = 5;
constexpr int kColumnStep = 60;
constexpr int kRowStep = 25;
constexpr int kMargin = 16;

}  // namespace

CDlgCopyChannelTo::CDlgCopyChannelTo(client::ClientContext& context, int source, SettingsPage* page)
    : QDialog(page), context_(context), page_(page), source_(source) {
    setWindowTitle(QString::fromStdString(context.LoadText(client::kTextCopySettingsTo)));
    setModal(true);
    client::CDevice* device = context.device.get();
    QwDevCaps caps{};
    caps.channel_count = client::kMaxDeviceChannels;
    auto show = [&context](int textId) {
        if (context.ui != nullptr) {
            context.ui->ShowMessage(context.LoadText(textId));
        }
    };
    if (QW_SRDK_DEV_GetDevCaps(device != nullptr ? device->handle : nullptr, &caps) != 0) {
        show(client::kTextGetCapabilitiesFailed);
        caps.channel_count = client::kMaxDeviceChannels;
    }
    int count = std::max(caps.channel_count, 0);
    if (count > client::kMaxDeviceChannels) {
        show(client::kTextInvalidChannel);
        count = 0;
    }
    if (device != nullptr) {
        device->copyFlags.fill(0);
    }
    const QString prefix = QString::fromStdString(context.LoadText(client::kTextChannelShort));
    for (int i = 0; i < count; ++i) {
        auto* box = new QCheckBox(prefix + QString::number(i + 1), this);
        box->move(kMargin + (i % kPerRow) * kColumnStep, kMargin + (i / kPerRow) * kRowStep);
        box->resize(kColumnStep - 2, kRowStep - 2);
        if (i == source_) {
            box->setChecked(true);
            box->setEnabled(false);
        }
        connect(box, &QCheckBox::clicked, this, [this, i](bool on) { SetFlag(i, on); });
        boxes_.push_back(box);
    }
    const int rows = (count + kPerRow - 1) / kPerRow;
    const int buttonsTop = kMargin + std::max(rows, 1) * kRowStep + 12;
    auto makeButton = [this, buttonsTop](int textId, int index) {
        auto* button = new QPushButton(QString::fromStdString(context_.LoadText(textId)), this);
        button->setGeometry(kMargin + index * 100, buttonsTop, 90, 26);
        return button;
    };
    allButton_ = makeButton(client::kTextCopyAll, 0);
    applyButton_ = makeButton(client::kTextApply, 1);
    cancelButton_ = makeButton(client::kTextCancel, 2);
    connect(allButton_, &QPushButton::clicked, this, [this] { ToggleAll(); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { Apply(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
    setFixedSize(std::max(2 * kMargin + kPerRow * kColumnStep, 2 * kMargin + 290),
                 buttonsTop + 26 + kMargin);
}

void CDlgCopyChannelTo::SetFlag(int channel, bool on) {
    client::CDevice* device = context_.device.get();
    if (channel == source_ || channel < 0 || channel >= client::kMaxDeviceChannels) {
        return;
    }
    if (device != nullptr) {
        device->copyFlags[static_cast<size_t>(channel)] = on ? 1 : 0;
    }
    targets_ = 0;
    for (size_t i = 0; i < boxes_.size(); ++i) {
        targets_ += static_cast<int>(i) != source_ && boxes_[i]->isChecked() ? 1 : 0;
    }
}

void CDlgCopyChannelTo::ToggleAll() {
    bool allTicked = true;
    for (QCheckBox* box : boxes_) {
        allTicked = allTicked && box->isChecked();
    }
    for (size_t i = 0; i < boxes_.size(); ++i) {
        if (static_cast<int>(i) != source_) {
            boxes_[i]->setChecked(!allTicked);
            SetFlag(static_cast<int>(i), !allTicked);
        }
    }
}

void CDlgCopyChannelTo::Apply() {
    if (targets_ <= 0) {
        return;
    }
    PageWidget::Send(page_, UM_COPY_SETTINGS, kCopyChannelsCode, targets_);
    accept();
}

void CDlgCopyChannelTo::done(int result) {
    finished_ = true;
    QDialog::done(result);
}

}  // namespace kestrel::ui
