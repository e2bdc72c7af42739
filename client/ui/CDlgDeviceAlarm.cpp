#include "CDlgDeviceAlarm.h"

#include <QComboBox>
#include <QGridLayout>
#include <algorithm>

#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {

CDlgDeviceAlarm::CDlgDeviceAlarm(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Device Alarm:", Options{false, false, false, 0}, parent) {
    setObjectName(QStringLiteral("deviceAlarmPage"));
    event_ = new QComboBox(Body());
    event_->addItems({Text(client::kTextNoDisk), Text(client::kTextDiskFull),
                      Text(client::kTextDiskError), Text(client::kTextNetworkDown)});
    AddRow(client::kTextEvent, event_);
    connect(event_, &QComboBox::currentIndexChanged, this, [this] { ShowCurrent(); });

    const QStringList onOff{Text(client::kTextOff), Text(client::kTextOn)};
    // Each control follows the chosen event's record.
    auto flag = [this, &onOff](int label, uint8_t QwDeviceEventAlarm::*field) {
        AddRow(label,
               BindChoice(
                   onOff, [this, field] { return Event().*field != 0 ? 1 : 0; },
                   [this, field](int index) { Event().*field = static_cast<uint8_t>(index); }));
    };
    auto choice = [this](int label, const QStringList& entries,
                         uint8_t QwDeviceEventAlarm::*field) {
        AddRow(label,
               BindChoice(
                   entries, [this, field] { return static_cast<int>(Event().*field); },
                   [this, field](int index) { Event().*field = static_cast<uint8_t>(index); }));
    };
    flag(client::kTextEnable, &QwDeviceEventAlarm::enable);
    flag(client::kTextBuzzer, &QwDeviceEventAlarm::buzzer);
    choice(client::kTextBuzzerDelay,
           {QStringLiteral("10"), QStringLiteral("30"), QStringLiteral("60"), QStringLiteral("120"),
            QStringLiteral("180"), QStringLiteral("300"), QStringLiteral("600")},
           &QwDeviceEventAlarm::buzzer_delay);
    flag(client::kTextEmail, &QwDeviceEventAlarm::email);
    choice(
        client::kTextEmailInterval,
        {QStringLiteral("10"), QStringLiteral("30"), QStringLiteral("60"), QStringLiteral("180")},
        &QwDeviceEventAlarm::email_interval);
    flag(client::kTextAlarmOut, &QwDeviceEventAlarm::alarm_out);
    Grid()->setColumnStretch(1, 1);
    Grid()->setRowStretch(Grid()->rowCount(), 1);
}

QwDeviceEventAlarm& CDlgDeviceAlarm::Event() {
    const int index = std::clamp(event_->currentIndex(), 0, QW_DEV_EVENT_COUNT - 1);
    return in_.device_event[index];
}

SettingsPage::ReadResult CDlgDeviceAlarm::ReadRecords() {
    QwAlarmInAttr in{};
    QwAlarmOutAttr out{};
    if (QW_SRDK_ALARM_GetAlarmInAttr(Handle(), &in) != 0 ||
        QW_SRDK_ALARM_GetAlarmOutAttr(Handle(), &out) != 0) {
        return ReadResult::kFailed;
    }
    in_ = in;
    out_ = out;
    return ReadResult::kOk;
}

std::vector<SettingsPage::SaveStep> CDlgDeviceAlarm::SaveSteps() {
    return {[this] { return QW_SRDK_ALARM_SetAlarmInAttr(Handle(), &in_); },
            [this] { return QW_SRDK_ALARM_SetAlarmOutAttr(Handle(), &out_); }};
}

}  // namespace kestrel::ui
