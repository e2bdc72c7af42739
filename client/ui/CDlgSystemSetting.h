// SYSTEM SETTING: the recorder's TV standard, language, time zone, password
// protection with the user and super passwords (each typed twice), and
// daylight saving time with its start and end. SAVE refuses passwords that
// differ from their confirmation before anything is sent, and tells the
// settings window once the system record is stored (the video page's
// frame rates depend on the TV standard).
//
// Threading: GUI thread.
#pragma once

#include <array>

#include "settings_page.h"

namespace kestrel::ui {

class CDlgSystemSetting : public SettingsPage {
    Q_OBJECT

public:
    CDlgSystemSetting(client::ClientContext& context, QWidget* parent);

    // "GMT-12:00" .. "GMT" .. "GMT+13:00" for the 26 time-zone indexes.
    static QStringList TimeZoneTexts();

    QComboBox* Standard() const { return standard_; }
    QLineEdit* UserPassword() const { return passwords_[0]; }
    QLineEdit* UserConfirmation() const { return confirmations_[0]; }
    QLineEdit* SuperPassword() const { return passwords_[1]; }
    QLineEdit* SuperConfirmation() const { return confirmations_[1]; }
    const QwSystemAttr& System() const { return system_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    bool ReadyToSave() override;
    void StepSucceeded(size_t step) override;
    void ShowChannel(int channel) override;

private:
    QwSystemAttr system_{};
    QwDaylightAttr daylight_{};
    QComboBox* standard_ = nullptr;
    std::array<QLineEdit*, 2> passwords_{};      // user, super
    std::array<QLineEdit*, 2> confirmations_{};  // typed again
};

}  // namespace kestrel::ui
