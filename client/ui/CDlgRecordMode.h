// RECORD SETTING: per channel the record switch, the mode (from power-up or
// by the timer), the pack unit and the weekly schedule: 7 days of 24 hour
// slots, each with a record type. Cells chosen in the grid take the type of
// the pressed type button; a day's plan can be copied to another day or to
// every day.
//
// Threading: GUI thread.
#pragma once

#include <array>

#include "settings_page.h"

class QTableWidget;

namespace kestrel::ui {

class CDlgRecordMode : public SettingsPage {
    Q_OBJECT

public:
    static constexpr int kTypes = 5;  // NO, NORMAL, ALARM, SENSOR, MD and IO

    CDlgRecordMode(client::ClientContext& context, QWidget* parent);

    // The type button's work: the chosen cells take the type.
    void ApplyType(int type);
    // Copies day `from`'s plan to day `to` (0..6), or to every day (-1).
    void CopyDay(int from, int to);

    QTableWidget* Grid7x24() const { return grid_; }
    const QwRecordSchedule& Schedule(int channel) const {
        return schedules_[static_cast<size_t>(channel)];
    }
    const QwRecordAttr& Attr(int channel) const { return attrs_[static_cast<size_t>(channel)]; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int channel) override;
    void CopyToFlagged(int targets) override;

private:
    void ShowCell(int day, int hour);

    std::array<QwRecordAttr, 16> attrs_{};
    std::array<QwRecordSchedule, 16> schedules_{};
    int32_t attrCount_ = 0;
    int32_t scheduleCount_ = 0;
    QTableWidget* grid_ = nullptr;
    QStringList typeNames_;
};

}  // namespace kestrel::ui
