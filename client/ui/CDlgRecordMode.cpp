#include "CDlgRecordMode.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "kestrel_net_config.h"
#include "region_cells.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kRecords = 16;
constexpr int kDays = 7;
constexpr int kHours = 24;
// Cell colours by record type: none, normal, alarm, sensor, motion and input.
const QColor kTypeColours[CDlgRecordMode::kTypes] = {
    QColor(0x2a, 0x2d, 0x33), QColor(0x2e, 0x8b, 0x57), QColor(0xc0, 0x39, 0x2b),
    QColor(0xd4, 0x8a, 0x1c), QColor(0x1b, 0x6f, 0xa8)};

}  // namespace

CDlgRecordMode::CDlgRecordMode(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Record Cfg:", Options{true, false, true, 0}, parent) {
    setObjectName(QStringLiteral("recordModePage"));
    typeNames_ = {Text(client::kTextRecordNo), Text(client::kTextRecordNormal),
                  Text(client::kTextAlarm), Text(client::kTextRecordSensor),
                  Text(client::kTextRecordMdAndIo)};
    auto current = [this]() -> QwRecordAttr& {
        return attrs_[static_cast<size_t>(CurrentChannel())];
    };
    AddRow(client::kTextRecord, BindChoice(
                                    {Text(client::kTextOff), Text(client::kTextOn)},
                                    [current] { return current().enable != 0 ? 1 : 0; },
                                    [current](int index) { current().enable = index; }));
    AddRow(client::kTextDstMode, BindChoice(
                                     {Text(client::kTextPowerUp), Text(client::kTextTimerRecord)},
                                     [current] { return static_cast<int>(current().mode); },
                                     [current](int index) { current().mode = index; }));
    AddRow(client::kTextPackUnit, BindChoice(
                                      {QStringLiteral("15"), QStringLiteral("30"),
                                       QStringLiteral("45"), QStringLiteral("60")},
                                      [current] { return static_cast<int>(current().pack_unit); },
                                      [current](int index) { current().pack_unit = index; }));

    grid_ = new QTableWidget(kDays, kHours, Body());
    grid_->setObjectName(QStringLiteral("scheduleGrid"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // All 24 hours in view: narrow columns share the width.
    grid_->horizontalHeader()->setMinimumSectionSize(14);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->setMinimumHeight(200);
    QStringList hours, days;
    for (int column = 1; column <= kHours; ++column) {
        hours << QString::number(column - 1);
    }
    for (int row = 1; row <= kDays; ++row) {
        days << Text(client::kTextWeekdaySun + row - 1);
    }
    grid_->setHorizontalHeaderLabels(hours);
    grid_->setVerticalHeaderLabels(days);
    const int gridRow = Grid()->rowCount();
    Grid()->addWidget(new QLabel(Text(client::kTextSchedule), Body()), gridRow, 0, Qt::AlignTop);
    Grid()->addWidget(grid_, gridRow, 1);

    auto* types = new QHBoxLayout;
    for (int type = 0; type < kTypes; ++type) {
        auto* button = new QPushButton(typeNames_[type], Body());
        button->setStyleSheet(
            QStringLiteral("QPushButton { border-left: 12px solid %1; padding-left: 6px; }")
                .arg(kTypeColours[type].name()));
        connect(button, &QPushButton::clicked, this, [this, type] { ApplyType(type); });
        types->addWidget(button);
    }
    types->addStretch(1);
    Grid()->addLayout(types, gridRow + 1, 1);

    auto* copy = new QHBoxLayout;
    auto* from = new QComboBox(Body());
    auto* to = new QComboBox(Body());
    to->addItem(Text(client::kTextEveryday));
    for (int row = 1; row <= kDays; ++row) {
        from->addItem(days[row - 1], client::ScheduleDayOfRow(row));
        to->addItem(days[row - 1], client::ScheduleDayOfRow(row));
    }
    auto* copyButton = new QPushButton(Text(client::kTextCopyDay), Body());
    connect(copyButton, &QPushButton::clicked, this, [this, from, to] {
        CopyDay(from->currentData().toInt(),
                to->currentIndex() == 0 ? -1 : to->currentData().toInt());
    });
    copy->addWidget(from);
    copy->addSpacing(6);
    copy->addWidget(new QLabel(Text(client::kTextCopyTo), Body()));
    copy->addSpacing(6);
    copy->addWidget(to);
    copy->addWidget(copyButton);
    copy->addStretch(1);
    Grid()->addLayout(copy, gridRow + 2, 1);
    Grid()->setColumnStretch(1, 1);
}

SettingsPage::ReadResult CDlgRecordMode::ReadRecords() {
    std::array<QwRecordAttr, kRecords> attrs{};
    std::array<QwRecordSchedule, kRecords> schedules{};
    int32_t attrCount = kRecords;
    int32_t scheduleCount = kRecords;
    if (QW_SRDK_RECORDER_GetRecordAttr(Handle(), attrs.data(), &attrCount) != 0 ||
        QW_SRDK_RECORDER_GetRecordSchedule(Handle(), schedules.data(), &scheduleCount) != 0) {
        return ReadResult::kFailed;
    }
    attrs_ = attrs;
    schedules_ = schedules;
    attrCount_ = std::clamp<int32_t>(attrCount, 0, kRecords);
    scheduleCount_ = std::clamp<int32_t>(scheduleCount, 0, kRecords);
    return HoldsChannel<QwRecordAttr>({attrs_.data(), static_cast<size_t>(attrCount_)},
                                      CurrentChannel())
               ? ReadResult::kOk
               : ReadResult::kInvalidChannel;
}

void CDlgRecordMode::ShowCell(int day, int hour) {
    const int type = schedules_[static_cast<size_t>(CurrentChannel())].slot[day][hour];
    const int row = client::ScheduleRowOfDay(day) - 1;
    const int column = client::ScheduleColumnOfHour(hour) - 1;
    QTableWidgetItem* cell = grid_->item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem;
        grid_->setItem(row, column, cell);
    }
    const bool known = type >= 0 && type < kTypes;
    cell->setBackground(known ? kTypeColours[type] : QColor(Qt::darkGray));
    cell->setToolTip(known ? typeNames_[type] : QString::number(type));
    cell->setData(Qt::UserRole, type);
}

void CDlgRecordMode::ShowChannel(int) {
    for (int day = 0; day < kDays; ++day) {
        for (int hour = 0; hour < kHours; ++hour) {
            ShowCell(day, hour);
        }
    }
}

void CDlgRecordMode::ApplyType(int type) {
    QwRecordSchedule& schedule = schedules_[static_cast<size_t>(CurrentChannel())];
    for (const QModelIndex& index : grid_->selectionModel()->selectedIndexes()) {
        const int day = client::ScheduleDayOfRow(index.row() + 1);
        const int hour = client::ScheduleHourOfColumn(index.column() + 1);
        if (day >= 0 && hour >= 0) {
            schedule.slot[day][hour] = static_cast<uint8_t>(type);
            ShowCell(day, hour);
        }
    }
}

void CDlgRecordMode::CopyDay(int from, int to) {
    if (from < 0 || from >= kDays || to >= kDays) {
        return;
    }
    QwRecordSchedule& schedule = schedules_[static_cast<size_t>(CurrentChannel())];
    for (int day = 0; day < kDays; ++day) {
        if (day != from && (to < 0 || day == to)) {
            std::copy(std::begin(schedule.slot[from]), std::end(schedule.slot[from]),
                      std::begin(schedule.slot[day]));
        }
    }
    ShowCurrent();
}

void CDlgRecordMode::CopyToFlagged(int /*targets*/) {
    CopyToFlaggedChannels(attrs_);
    CopyToFlaggedChannels(schedules_);
}

std::vector<SettingsPage::SaveStep> CDlgRecordMode::SaveSteps() {
    return {[this] { return QW_SRDK_RECORDER_SetRecordAttr(Handle(), attrs_.data(), attrCount_); },
            [this] {
                return QW_SRDK_RECORDER_SetRecordSchedule(Handle(), schedules_.data(),
                                                          scheduleCount_);
            }};
}

}  // namespace kestrel::ui
