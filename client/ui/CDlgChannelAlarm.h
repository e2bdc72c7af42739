// CHANNEL ALARM: what a channel does on motion and on its alarm input. Per
// channel and event: enable, the actions (buzzer, e-mail, record, capture
// with their delays, alarm out, pre-record), for motion the sensitivity, the
// trigger share and the area, for the input its type; and the six periods of
// the channel's enable, output, record and snap plans.
//
// MD AREA asks the live page for a fresh motion snapshot of the channel and
// then opens the region editor over it; both go through the GUI thread's
// event queue in that order, so the picture is written before the editor
// reads it.
//
// Threading: GUI thread.
#pragma once

#include <array>
#include <functional>

#include "settings_page.h"

class QTableWidget;
class QPushButton;

namespace kestrel::ui {

class CDlgLocale;

class CDlgChannelAlarm : public SettingsPage {
    Q_OBJECT

public:
    enum Event { kMotion = 0, kInput = 1 };
    static constexpr int kSensitivityLevels = 6;

    CDlgChannelAlarm(client::ClientContext& context, QWidget* parent);

    // MD AREA: snapshot request, then the editor.
    void EditMotionArea();
    // Runs before the region editor is shown; when set, the editor is not
    // run modally and its result is taken as the hook leaves it.
    void SetRegionEditorHook(std::function<void(CDlgLocale&)> hook) {
        regionEditorHook_ = std::move(hook);
    }

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

    QComboBox* EventChoice() const { return event_; }
    QTableWidget* Periods() const { return periods_; }
    QPushButton* AreaButton() const { return areaButton_; }
    const QwMdAttr& Motion(int channel) const { return motion_[static_cast<size_t>(channel)]; }
    const QwAlarmInAttr& Inputs() const { return in_; }
    const QwAlarmOutAttr& Outputs() const { return out_; }
    const QwAlarmSchedule& Schedule(int channel) const {
        return schedules_[static_cast<size_t>(channel)];
    }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int channel) override;
    void RestoreDefaults() override;
    void CopyToFlagged(int targets) override;

private:
    QwAlarmAction& Action();
    bool MotionShown() const;
    void PeriodEdited(int row, int column);
    void OpenRegionEditor(int channel);

    QwAlarmInAttr in_{};
    QwAlarmOutAttr out_{};
    std::array<QwMdAttr, 16> motion_{};
    int32_t motionCount_ = 0;
    std::array<QwAlarmSchedule, 16> schedules_{};
    QComboBox* event_ = nullptr;
    QTableWidget* periods_ = nullptr;
    QPushButton* areaButton_ = nullptr;
    std::vector<QWidget*> motionOnly_;
    std::vector<QWidget*> inputOnly_;
    std::function<void(CDlgLocale&)> regionEditorHook_;
};

}  // namespace kestrel::ui
