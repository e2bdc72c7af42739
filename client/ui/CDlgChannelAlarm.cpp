#include "CDlgChannelAlarm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <algorithm>

#include "CDlgLocale.h"
#include "alarm_periods.h"
#include "kestrel_net_config.h"
#include "live_messages.h"
#include "region_cells.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kRecords = 16;
// Sent to the page itself behind the snapshot request; first is the channel.
constexpr uint32_t kOpenRegionEditor = 0x709;

const QStringList& DelayChoices() {
    static const QStringList choices{
        QStringLiteral("10"),  QStringLiteral("30"),  QStringLiteral("60"), QStringLiteral("120"),
        QStringLiteral("180"), QStringLiteral("300"), QStringLiteral("600")};
    return choices;
}

}  // namespace

CDlgChannelAlarm::CDlgChannelAlarm(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Channel Alarm:", Options{true, true, true, 0}, parent) {
    setObjectName(QStringLiteral("channelAlarmPage"));
    QGridLayout* grid = Grid();
    int row = 0;
    // Two label/control pairs to a row keep the plan table in view.
    auto place = [this, grid](int at, int column, int textId, QWidget* control) {
        auto* label = new QLabel(Text(textId), Body());
        grid->addWidget(label, at, column * 2);
        grid->addWidget(control, at, column * 2 + 1);
        return label;
    };
    const QStringList onOff{Text(client::kTextOff), Text(client::kTextOn)};
    auto actionFlag = [this, &onOff](uint8_t QwAlarmAction::*field) {
        return BindChoice(
            onOff, [this, field] { return Action().*field != 0 ? 1 : 0; },
            [this, field](int index) { Action().*field = static_cast<uint8_t>(index); });
    };
    auto actionDelay = [this](uint8_t QwAlarmAction::*field) {
        return BindChoice(
            DelayChoices(), [this, field] { return static_cast<int>(Action().*field); },
            [this, field](int index) { Action().*field = static_cast<uint8_t>(index); });
    };
    auto motion = [this]() -> QwMdAttr& { return motion_[static_cast<size_t>(CurrentChannel())]; };

    event_ = new QComboBox(Body());
    event_->addItems({Text(client::kTextMotion), Text(client::kTextIoAlarm)});
    connect(event_, &QComboBox::currentIndexChanged, this, [this] { ShowCurrent(); });
    place(row, 0, client::kTextEvent, event_);
    place(row++, 1, client::kTextEnable,
          BindChoice(
              onOff,
              [this, motion] {
                  return (MotionShown() ? motion().enable
                                        : in_.enable[static_cast<size_t>(CurrentChannel())]) != 0
                             ? 1
                             : 0;
              },
              [this, motion](int index) {
                  if (MotionShown()) {
                      motion().enable = index;
                  } else {
                      in_.enable[static_cast<size_t>(CurrentChannel())] =
                          static_cast<uint8_t>(index);
                  }
              }));

    QStringList levels;
    for (int level = 1; level <= kSensitivityLevels; ++level) {
        levels << QString::number(level);
    }
    QComboBox* sensitivity = BindChoice(
        levels, [motion] { return static_cast<int>(motion().sensitivity); },
        [motion](int index) { motion().sensitivity = index; });
    QLineEdit* trigger = BindNumber(
        0, 100, [motion] { return static_cast<int64_t>(motion().trigger_percent); },
        [motion](int64_t value) { motion().trigger_percent = static_cast<int32_t>(value); });
    areaButton_ = new QPushButton(Text(client::kTextMdArea), Body());
    areaButton_->setObjectName(QStringLiteral("mdAreaButton"));
    connect(areaButton_, &QPushButton::clicked, this, [this] { EditMotionArea(); });
    motionOnly_ = {place(row, 0, client::kTextSensitivity, sensitivity), sensitivity,
                   place(row, 1, client::kTextTriggerPercent, trigger), trigger};
    ++row;
    QComboBox* inputType = BindChoice(
        {Text(client::kTextInputNo), Text(client::kTextInputNc)},
        [this] { return static_cast<int>(in_.input_type[static_cast<size_t>(CurrentChannel())]); },
        [this](int index) {
            in_.input_type[static_cast<size_t>(CurrentChannel())] = static_cast<uint8_t>(index);
        });
    motionOnly_.push_back(areaButton_);
    grid->addWidget(areaButton_, row, 1);
    inputOnly_ = {place(row++, 1, client::kTextInputType, inputType), inputType};

    place(row, 0, client::kTextBuzzer, actionFlag(&QwAlarmAction::buzzer));
    place(row++, 1, client::kTextBuzzerDelay, actionDelay(&QwAlarmAction::buzzer_delay));
    place(row, 0, client::kTextRecord, actionFlag(&QwAlarmAction::record));
    place(row++, 1, client::kTextRecordDelay, actionDelay(&QwAlarmAction::record_delay));
    place(row, 0, client::kTextCapture, actionFlag(&QwAlarmAction::capture));
    place(row++, 1, client::kTextCaptureDelay, actionDelay(&QwAlarmAction::capture_delay));
    place(row, 0, client::kTextEmail, actionFlag(&QwAlarmAction::email));
    place(row++, 1, client::kTextAlarmOut, actionFlag(&QwAlarmAction::alarm_out));
    place(row++, 0, client::kTextPreRecord, actionFlag(&QwAlarmAction::pre_record));

    periods_ = new QTableWidget(QW_PLAN_PERIODS, QW_PLAN_COUNT, Body());
    periods_->setObjectName(QStringLiteral("alarmPeriods"));
    periods_->setHorizontalHeaderLabels({Text(client::kTextEnable), Text(client::kTextPlanOutput),
                                         Text(client::kTextRecord), Text(client::kTextSnap)});
    QStringList numbers;
    for (int period = 1; period <= QW_PLAN_PERIODS; ++period) {
        numbers << QString::number(period);
    }
    periods_->setVerticalHeaderLabels(numbers);
    periods_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    periods_->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    periods_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    periods_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    periods_->setMinimumHeight(180);
    periods_->setToolTip(QStringLiteral("HH:MM-HH:MM"));
    connect(periods_, &QTableWidget::cellChanged, this,
            [this](int at, int column) { PeriodEdited(at, column); });
    grid->addWidget(new QLabel(Text(client::kTextSchedule), Body()), row, 0, Qt::AlignTop);
    grid->addWidget(periods_, row, 1, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

bool CDlgChannelAlarm::MotionShown() const {
    return event_->currentIndex() != kInput;
}

QwAlarmAction& CDlgChannelAlarm::Action() {
    const auto channel = static_cast<size_t>(CurrentChannel());
    return MotionShown() ? motion_[channel].action : out_.input_action[channel];
}

SettingsPage::ReadResult CDlgChannelAlarm::ReadRecords() {
    QwAlarmInAttr in{};
    QwAlarmOutAttr out{};
    std::array<QwMdAttr, kRecords> motion{};
    int32_t motionCount = kRecords;
    if (QW_SRDK_ALARM_GetAlarmInAttr(Handle(), &in) != 0 ||
        QW_SRDK_ALARM_GetAlarmOutAttr(Handle(), &out) != 0 ||
        QW_SRDK_ALARM_GetMDAttr(Handle(), motion.data(), &motionCount) != 0) {
        return ReadResult::kFailed;
    }
    std::array<QwAlarmSchedule, kRecords> schedules{};
    for (int32_t channel = 0; channel < ChannelCount(); ++channel) {
        int32_t key = channel;
        if (QW_SRDK_ALARM_GetAlarmInSchedule(Handle(), &key,
                                             &schedules[static_cast<size_t>(channel)]) != 0) {
            return ReadResult::kFailed;
        }
    }
    in_ = in;
    out_ = out;
    motion_ = motion;
    motionCount_ = std::clamp<int32_t>(motionCount, 0, kRecords);
    schedules_ = schedules;
    return HoldsChannel<QwMdAttr>({motion_.data(), static_cast<size_t>(motionCount_)},
                                  CurrentChannel())
               ? ReadResult::kOk
               : ReadResult::kInvalidChannel;
}

std::vector<SettingsPage::SaveStep> CDlgChannelAlarm::SaveSteps() {
    std::vector<SaveStep> steps{
        [this] { return QW_SRDK_ALARM_SetAlarmInAttr(Handle(), &in_); },
        [this] { return QW_SRDK_ALARM_SetAlarmOutAttr(Handle(), &out_); },
        [this] { return QW_SRDK_ALARM_SetMDAttr(Handle(), motion_.data(), motionCount_); }};
    // The plans are edited here too; without these the periods would be lost.
    for (int32_t channel = 0; channel < ChannelCount(); ++channel) {
        steps.push_back([this, channel] {
            int32_t key = channel;
            return QW_SRDK_ALARM_SetAlarmInSchedule(Handle(), &key,
                                                    &schedules_[static_cast<size_t>(channel)]);
        });
    }
    return steps;
}

void CDlgChannelAlarm::ShowChannel(int channel) {
    const bool motion = MotionShown();
    for (QWidget* widget : motionOnly_) {
        widget->setVisible(motion);
    }
    for (QWidget* widget : inputOnly_) {
        widget->setVisible(!motion);
    }
    const QSignalBlocker quiet(periods_);
    const QwAlarmSchedule& schedule = schedules_[static_cast<size_t>(channel)];
    for (int plan = 0; plan < QW_PLAN_COUNT; ++plan) {
        for (int period = 0; period < QW_PLAN_PERIODS; ++period) {
            periods_->setItem(period, plan,
                              new QTableWidgetItem(QString::fromStdString(
                                  client::AlarmPeriodText(schedule.plan[plan][period]))));
        }
    }
}

void CDlgChannelAlarm::PeriodEdited(int row, int column) {
    if (Filling() || row < 0 || row >= QW_PLAN_PERIODS || column < 0 || column >= QW_PLAN_COUNT) {
        return;
    }
    QwAlarmPeriod& period = schedules_[static_cast<size_t>(CurrentChannel())].plan[column][row];
    QTableWidgetItem* cell = periods_->item(row, column);
    const std::string typed = cell != nullptr ? cell->text().toStdString() : std::string();
    if (!client::ParseAlarmPeriod(typed, &period)) {
        Show(LoadText(client::kTextInvalidPara));
    }
    // Shows the stored period in the one spelling, or brings it back.
    const QSignalBlocker quiet(periods_);
    if (cell != nullptr) {
        cell->setText(QString::fromStdString(client::AlarmPeriodText(period)));
    }
}

void CDlgChannelAlarm::RestoreDefaults() {
    const auto channel = static_cast<size_t>(CurrentChannel());
    QwAlarmAction action{};
    action.record = 1;
    action.record_delay = QW_DELAY_30_S;
    QwMdAttr& motion = motion_[channel];
    motion.enable = 0;
    motion.sensitivity = kSensitivityLevels / 2;
    motion.trigger_percent = 20;
    client::RegionCells all{};
    all.fill(static_cast<uint16_t>((1u << client::kRegionMaxColumns) - 1));
    const client::PackedRegion area =
        client::PackCells(all, client::kRegionMaxRows, client::kRegionMaxColumns);
    std::copy(area.begin(), area.end(), std::begin(motion.area));
    motion.action = action;
    in_.enable[channel] = 0;
    in_.input_type[channel] = QW_INPUT_NO;
    out_.input_action[channel] = action;
    // Armed all day in every plan.
    QwAlarmSchedule schedule{};
    for (auto& plan : schedule.plan) {
        plan[0] = QwAlarmPeriod{0, 0, 23, 59};
    }
    schedules_[channel] = schedule;
}

void CDlgChannelAlarm::CopyToFlagged(int /*targets*/) {
    CopyToFlaggedChannels(motion_);
    const std::array<uint32_t, 16> flags = CopyFlags();
    const auto source = static_cast<size_t>(CurrentChannel());
    for (size_t target = 0; target < static_cast<size_t>(ChannelCount()); ++target) {
        if (flags[target] != 0 && target != source) {
            in_.enable[target] = in_.enable[source];
            in_.input_type[target] = in_.input_type[source];
            out_.input_action[target] = out_.input_action[source];
            schedules_[target] = schedules_[source];
        }
    }
}

void CDlgChannelAlarm::EditMotionArea() {
    const int channel = CurrentChannel();
    // Without a live page the editor opens over the last snapshot, or none.
    Context().pages.Post(client::PageId::kLiveView, client::UM_PANEL_COMMAND, kPanelMotionSnapshot,
                         channel);
    Post(kOpenRegionEditor, channel, 0);
}

void CDlgChannelAlarm::OpenRegionEditor(int channel) {
    if (channel != CurrentChannel()) {
        return;  // the operator chose another channel meanwhile
    }
    QwMdAttr& motion = motion_[static_cast<size_t>(channel)];
    client::PackedRegion packed{};
    std::copy(std::begin(motion.area), std::end(motion.area), packed.begin());
    LocaleParams params;
    params.mode = CSelectStatic::kCellMode;
    params.cells = client::UnpackCells(packed);
    params.context = &Context();
    CDlgLocale editor(Context(), params, this);
    bool confirmed = false;
    if (regionEditorHook_) {
        regionEditorHook_(editor);
        confirmed = editor.result() == QDialog::Accepted;
    } else {
        confirmed = editor.exec() == QDialog::Accepted;
    }
    if (confirmed) {
        const client::PackedRegion area =
            client::PackCells(params.cells, params.rows, params.columns);
        std::copy(area.begin(), area.end(), std::begin(motion.area));
    }
}

void CDlgChannelAlarm::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    if (message == kOpenRegionEditor) {
        OpenRegionEditor(static_cast<int>(first));
        return;
    }
    SettingsPage::OnMessage(message, first, second);
}

}  // namespace kestrel::ui
