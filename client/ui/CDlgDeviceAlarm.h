// DEVICE ALARM: what the recorder does on its own events (no disk, disk
// full, disk error, network down): raise the alarm, sound the buzzer for a
// while, send e-mail at an interval, drive the alarm output.
//
// Threading: GUI thread.
#pragma once

#include "settings_page.h"

namespace kestrel::ui {

class CDlgDeviceAlarm : public SettingsPage {
    Q_OBJECT

public:
    CDlgDeviceAlarm(client::ClientContext& context, QWidget* parent);

    QComboBox* EventChoice() const { return event_; }
    const QwAlarmInAttr& Inputs() const { return in_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int) override {}

private:
    QwDeviceEventAlarm& Event();

    QwAlarmInAttr in_{};
    QwAlarmOutAttr out_{};
    QComboBox* event_ = nullptr;
};

}  // namespace kestrel::ui
