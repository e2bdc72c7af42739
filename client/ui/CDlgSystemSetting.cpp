#include "CDlgSystemSetting.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "kestrel_net_config.h"
#include "record_fields.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kTimeZones = 26;

QStringList Hours() {
    QStringList hours;
    for (int h = 0; h < 24; ++h) {
        hours << (h < 10 ? QStringLiteral("0%1:00").arg(h) : QStringLiteral("%1:00").arg(h));
    }
    return hours;
}

}  // namespace

QStringList CDlgSystemSetting::TimeZoneTexts() {
    QStringList zones;
    for (int index = 0; index < kTimeZones; ++index) {
        const int offset = index - QW_TZ_GMT;
        if (offset == 0) {
            zones << QStringLiteral("GMT");
        } else {
            zones << QStringLiteral("GMT%1%2:00")
                         .arg(offset < 0 ? '-' : '+')
                         .arg(std::abs(offset), 2, 10, QChar('0'));
        }
    }
    return zones;
}

CDlgSystemSetting::CDlgSystemSetting(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "System Setting:", Options{false, false, false, 0}, parent) {
    setObjectName(QStringLiteral("systemPage"));
    const QStringList onOff{Text(client::kTextOff), Text(client::kTextOn)};
    QwSystemAttr& sys = system_;
    QwDaylightAttr& dst = daylight_;
    auto choice = [this](const QStringList& entries, int32_t& field) {
        return BindChoice(
            entries, [&field] { return static_cast<int>(field); },
            [&field](int index) { field = index; });
    };
    standard_ = choice({QStringLiteral("PAL"), QStringLiteral("NTSC")}, sys.tv_standard);
    AddRow(client::kTextVideoStandard, standard_);
    AddRow(client::kTextLanguage,
           choice({QStringLiteral("CHINESE"), QStringLiteral("ENGLISH"), QStringLiteral("RUSSIAN"),
                   QStringLiteral("PORTUGUESE"), QStringLiteral("FARSI"), QStringLiteral("ITALIAN"),
                   QStringLiteral("GERMAN"), QStringLiteral("SPANISH"), QStringLiteral("FRENCH"),
                   QStringLiteral("POLISH"), QStringLiteral("GREECE"), QStringLiteral("HUNGARIAN"),
                   QStringLiteral("DUTCH"), QStringLiteral("SWEDISH"), QStringLiteral("JAPANESE"),
                   QStringLiteral("THAI")},
                  sys.language));
    AddRow(client::kTextTimeZone, choice(TimeZoneTexts(), sys.time_zone));
    AddRow(client::kTextPasswordEnable,
           BindChoice(
               onOff, [&sys] { return sys.password_enable != 0 ? 1 : 0; },
               [&sys](int index) { sys.password_enable = index; }));

    // Typed passwords stay in their boxes until SAVE compares them.
    const int labels[2] = {client::kTextUserPassword, client::kTextSuperPassword};
    for (int i = 0; i < 2; ++i) {
        passwords_[i] = new QLineEdit(Body());
        confirmations_[i] = new QLineEdit(Body());
        for (QLineEdit* box : {passwords_[i], confirmations_[i]}) {
            box->setEchoMode(QLineEdit::Password);
            box->setMaxLength(static_cast<int>(sizeof sys.user_password - 1));
        }
        AddRow(labels[i], passwords_[i]);
        AddRow(client::kTextConfirmPassword, confirmations_[i]);
    }

    AddRow(client::kTextDaylightSaving, BindChoice(
                                            onOff, [&dst] { return dst.enable != 0 ? 1 : 0; },
                                            [&dst](int index) { dst.enable = index; }));
    AddRow(client::kTextDstMode,
           choice({Text(client::kTextDstDefault), Text(client::kTextDstCustom)}, dst.mode));
    QStringList weeks, weekdays, months;
    for (int i = 0; i < 5; ++i) {
        weeks << Text(client::kTextWeek1 + i);
    }
    for (int i = 0; i < 7; ++i) {
        weekdays << Text(client::kTextWeekdaySun + i);
    }
    for (int i = 0; i < 12; ++i) {
        months << Text(client::kTextMonthJan + i);
    }
    const QStringList hours = Hours();
    const int ends[2] = {client::kTextDstStart, client::kTextDstEnd};
    QwDaylightPoint* points[2] = {&dst.start, &dst.end};
    for (int i = 0; i < 2; ++i) {
        QwDaylightPoint& point = *points[i];
        auto* row = new QWidget(Body());
        auto* cells = new QHBoxLayout(row);
        cells->setContentsMargins(0, 0, 0, 0);
        cells->addWidget(choice(weeks, point.week));
        cells->addWidget(choice(weekdays, point.weekday));
        cells->addWidget(choice(months, point.month));
        cells->addWidget(choice(hours, point.hour));
        AddRow(ends[i], row);
    }
    Grid()->setColumnStretch(1, 1);
    Grid()->setRowStretch(Grid()->rowCount(), 1);
}

SettingsPage::ReadResult CDlgSystemSetting::ReadRecords() {
    QwSystemAttr system{};
    QwDaylightAttr daylight{};
    if (QW_SRDK_SYS_GetSystemAttr(Handle(), &system) != 0 ||
        QW_SRDK_SYS_GetDaylightAttr(Handle(), &daylight) != 0) {
        return ReadResult::kFailed;
    }
    system_ = system;
    daylight_ = daylight;
    return ReadResult::kOk;
}

void CDlgSystemSetting::ShowChannel(int) {
    const QString stored[2] = {QString::fromStdString(client::FieldText(system_.user_password)),
                               QString::fromStdString(client::FieldText(system_.super_password))};
    for (int i = 0; i < 2; ++i) {
        passwords_[i]->setText(stored[i]);
        confirmations_[i]->setText(stored[i]);
    }
}

bool CDlgSystemSetting::ReadyToSave() {
    if (passwords_[0]->text() != confirmations_[0]->text()) {
        Show(LoadText(client::kTextUserPasswordMismatch));
        return false;
    }
    if (passwords_[1]->text() != confirmations_[1]->text()) {
        Show(LoadText(client::kTextAdminPasswordMismatch));
        return false;
    }
    client::SetFieldText(system_.user_password, passwords_[0]->text().toStdString());
    client::SetFieldText(system_.super_password, passwords_[1]->text().toStdString());
    return true;
}

std::vector<SettingsPage::SaveStep> CDlgSystemSetting::SaveSteps() {
    return {[this] { return QW_SRDK_SYS_SetSystemAttr(Handle(), &system_); },
            [this] { return QW_SRDK_SYS_SetDaylightAttr(Handle(), &daylight_); }};
}

void CDlgSystemSetting::StepSucceeded(size_t step) {
    if (step == 0) {
        Context().pages.Post(client::PageId::kRemoteSettingPage, UM_COPY_SETTINGS, kSystemSavedCode,
                             0);
    }
}

}  // namespace kestrel::ui
