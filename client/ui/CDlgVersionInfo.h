// VERSION INFO: what the recorder reports about itself. Name, release date
// and software version show; serial number, type, identifier and
// application version are filled as well but kept hidden. Read only.
//
// Threading: GUI thread.
#pragma once

#include <QString>
#include <array>

#include "settings_page.h"

class QLabel;

namespace kestrel::ui {

class CDlgVersionInfo : public SettingsPage {
    Q_OBJECT

public:
    enum Field {
        kName,
        kReleaseDate,
        kSoftwareVersion,
        kSerialNumber,
        kDeviceType,
        kDeviceId,
        kAppVersion,
        kFields
    };

    CDlgVersionInfo(client::ClientContext& context, QWidget* parent);

    QLineEdit* Box(Field field) const { return boxes_[field]; }
    QLabel* Caption(Field field) const { return captions_[field]; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override { return {}; }
    void ShowChannel(int channel) override;
    std::string RefreshFailureText(ReadResult result) override;

private:
    QwDeviceInfo info_{};
    bool read_ = false;
    std::array<QLineEdit*, kFields> boxes_{};
    std::array<QLabel*, kFields> captions_{};
};

}  // namespace kestrel::ui
