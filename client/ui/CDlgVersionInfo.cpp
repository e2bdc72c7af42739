#include "CDlgVersionInfo.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "kestrel_net_config.h"
#include "record_fields.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {
namespace {

constexpr int kVisibleFields = CDlgVersionInfo::kSerialNumber;

QString FieldString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CDlgVersionInfo::CDlgVersionInfo(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "", Options{false, false, false, 0, false}, parent) {
    setObjectName(QStringLiteral("versionInfoPage"));
    auto* title = new QLabel(Text(client::kTextVersionInfo), Body());
    title->setFont(widgets::Theme::TitleFont());
    Grid()->addWidget(title, 0, 0, 1, 2);
    const int labels[kFields] = {client::kTextDeviceName,  client::kTextReleaseDate,
                                 client::kTextSoftVersion, client::kTextDeviceSn,
                                 client::kTextDeviceType,  client::kTextDeviceId,
                                 client::kTextAppVersion};
    for (int field = 0; field < kFields; ++field) {
        captions_[field] = new QLabel(Text(labels[field]), Body());
        boxes_[field] = new QLineEdit(Body());
        boxes_[field]->setReadOnly(true);
        boxes_[field]->setMinimumWidth(260);
        Grid()->addWidget(captions_[field], field + 1, 0);
        Grid()->addWidget(boxes_[field], field + 1, 1);
        if (field >= kVisibleFields) {
            captions_[field]->hide();
            boxes_[field]->hide();
        }
    }
    Grid()->setColumnStretch(2, 1);
    Grid()->setRowStretch(kFields + 1, 1);
}

SettingsPage::ReadResult CDlgVersionInfo::ReadRecords() {
    QwDeviceInfo fresh{};
    if (QW_SRDK_DEV_GetDeviceInfo(Handle(), &fresh) != 0) {
        return ReadResult::kFailed;
    }
    info_ = fresh;
    read_ = true;
    return ReadResult::kOk;
}

std::string CDlgVersionInfo::RefreshFailureText(ReadResult) {
    return LoadText(client::kTextGetInfoFailed);
}

void CDlgVersionInfo::ShowChannel(int) {
    if (!read_) {
        return;  // a failed read leaves the boxes as they were
    }
    const std::string type = client::FieldText(info_.device_type);
    // The type is a decimal text; shown as the hexadecimal model number.
    const auto typeValue = static_cast<uint32_t>(std::strtol(type.c_str(), nullptr, 10));
    boxes_[kName]->setText(FieldString(client::FieldText(info_.name)));
    boxes_[kReleaseDate]->setText(FieldString(client::FieldText(info_.release_date)));
    boxes_[kSoftwareVersion]->setText(FieldString(client::FieldText(info_.software_version)));
    boxes_[kSerialNumber]->setText(FieldString(client::FieldText(info_.serial_number)));
    boxes_[kDeviceType]->setText(QStringLiteral("0x%1").arg(typeValue, 0, 16));
    boxes_[kDeviceId]->setText(QString::number(static_cast<int32_t>(info_.device_id)));
    boxes_[kAppVersion]->setText(FieldString(client::FieldText(info_.app_version)));
}

}  // namespace kestrel::ui
