#include "CDlgMobilePara.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {

CDlgMobilePara::CDlgMobilePara(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Mobile Para:", Options{false, false, false, 0}, parent) {
    setObjectName(QStringLiteral("mobilePage"));
    AddRow(client::kTextMobile, BindChoice(
                                    {Text(client::kTextOff), Text(client::kTextOn)},
                                    [this] { return mobile_.enable != 0 ? 1 : 0; },
                                    [this](int index) { mobile_.enable = index; }));
    port_ = BindNumber(
        0, 65535, [this] { return static_cast<int64_t>(owsp_.port); },
        [this](int64_t value) { owsp_.port = static_cast<uint32_t>(value); });
    AddRow(client::kTextPort, port_);
    networkType_ = new QLabel(Body());
    AddRow(client::kTextNetworkType, networkType_);
    Grid()->setColumnStretch(1, 1);
    Grid()->setRowStretch(Grid()->rowCount(), 1);
}

QString CDlgMobilePara::NetworkTypeText(int32_t stored) {
    if (stored < QW_MOBILE_NET_2_75G_MIN) {
        return QStringLiteral("2.5G");
    }
    if (stored < QW_MOBILE_NET_WIFI_MIN) {
        return QStringLiteral("2.75G");
    }
    if (stored < QW_MOBILE_NET_LIMIT) {
        return QStringLiteral("WIFI");
    }
    return QString::number(stored);
}

SettingsPage::ReadResult CDlgMobilePara::ReadRecords() {
    QwMobileAttr mobile{};
    QwMobileOwspAttr owsp{};
    const bool ok = QW_SRDK_NET_MOBILE_GetAttr(Handle(), &mobile) == 0 &&
                    QW_SRDK_NET_MOBILE_GetOwspAttr(Handle(), &owsp) == 0;
    if (!ok) {
        return ReadResult::kFailed;
    }
    mobile_ = mobile;
    owsp_ = owsp;
    return ReadResult::kOk;
}

void CDlgMobilePara::ShowChannel(int) {
    networkType_->setText(NetworkTypeText(mobile_.network_type));
}

std::vector<SettingsPage::SaveStep> CDlgMobilePara::SaveSteps() {
    return {[this] { return QW_SRDK_NET_MOBILE_SetOwspAttr(Handle(), &owsp_); },
            [this] { return QW_SRDK_NET_MOBILE_SetAttr(Handle(), &mobile_); }};
}

}  // namespace kestrel::ui
