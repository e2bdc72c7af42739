#include "CDlgEmailAlarmSetting.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

#include "kestrel_net_config.h"
#include "record_fields.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int64_t kMaxPort = 65535;

}  // namespace

CDlgEmailAlarmSetting::CDlgEmailAlarmSetting(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Email:", Options{false, false, false, 0}, parent) {
    setObjectName(QStringLiteral("emailPage"));
    const QStringList onOff{Text(client::kTextOff), Text(client::kTextOn)};
    QwEmailAttr& r = record_;
    AddRow(client::kTextEnable, BindChoice(
                                    onOff, [&r] { return r.enable != 0 ? 1 : 0; },
                                    [&r](int index) { r.enable = index; }));
    // A text field holds one byte less than its size: the NUL.
    auto text = [this](int label, auto& field, bool secret = false) {
        QLineEdit* box = BindText(
            sizeof field - 1, true, [&field] { return client::FieldText(field); },
            [&field](const std::string& value) { client::SetFieldText(field, value); });
        if (secret) {
            box->setEchoMode(QLineEdit::Password);
        }
        AddRow(label, box);
        return box;
    };
    server_ = text(client::kTextSmtpServer, r.smtp_server);
    port_ = BindNumber(
        0, kMaxPort, [&r] { return static_cast<int64_t>(r.smtp_port); },
        [&r](int64_t value) { r.smtp_port = static_cast<uint32_t>(value); });
    AddRow(client::kTextSmtpPort, port_);
    text(client::kTextSender, r.sender);
    text(client::kTextMailPassword, r.password, true);
    for (auto& recipient : r.recipient) {
        text(client::kTextReceiver, recipient);
    }
    text(client::kTextTitle, r.title);
    text(client::kTextContent, r.content);
    AddRow(client::kTextSendInterval, BindChoice(
                                          {QStringLiteral("10"), QStringLiteral("30"),
                                           QStringLiteral("60"), QStringLiteral("180")},
                                          [&r] { return static_cast<int>(r.interval); },
                                          [&r](int index) { r.interval = index; }));
    AddRow(client::kTextSsl,
           BindChoice(
               onOff, [&r] { return r.ssl != 0 ? 1 : 0; }, [&r](int index) { r.ssl = index; }));
    Grid()->setColumnStretch(1, 1);
    Grid()->setRowStretch(Grid()->rowCount(), 1);
}

SettingsPage::ReadResult CDlgEmailAlarmSetting::ReadRecords() {
    QwEmailAttr fresh{};
    if (QW_SRDK_NET_GetEmailAttr(Handle(), &fresh) != 0) {
        return ReadResult::kFailed;
    }
    record_ = fresh;
    return ReadResult::kOk;
}

std::vector<SettingsPage::SaveStep> CDlgEmailAlarmSetting::SaveSteps() {
    return {[this] { return QW_SRDK_NET_SetEmailAttr(Handle(), &record_); }};
}

}  // namespace kestrel::ui
