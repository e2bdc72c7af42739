// PTZ SETTING: the serial line by which the recorder talks to each channel's
// camera: protocol, address, baud rate, data bits, stop bits and parity.
// DEFAULT and copies change the records in memory only; SETUP sends them.
//
// Threading: GUI thread.
#pragma once

#include <array>

#include "settings_page.h"

namespace kestrel::ui {

class CDlgPTZConfig : public SettingsPage {
    Q_OBJECT

public:
    // The drop-downs, in the order the page shows them.
    enum Field { kProtocol, kAddress, kBaudRate, kDataBits, kStopBits, kParity, kFields };

    CDlgPTZConfig(client::ClientContext& context, QWidget* parent);

    QComboBox* Choice(Field field) const { return choices_[field]; }
    const QwPtzAttr& Record(int channel) const { return records_[static_cast<size_t>(channel)]; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int) override {}
    bool ReadyToSave() override;
    void RestoreDefaults() override;
    void CopyToFlagged(int targets) override;

private:
    QwPtzAttr& Current() { return records_[static_cast<size_t>(CurrentChannel())]; }

    std::array<QwPtzAttr, 16> records_{};
    // What the recorder reported; nothing goes out before a read succeeded,
    // so zeroed records never overwrite the recorder's settings.
    int32_t count_ = 0;
    bool read_ = false;
    std::array<QComboBox*, kFields> choices_{};
};

}  // namespace kestrel::ui
