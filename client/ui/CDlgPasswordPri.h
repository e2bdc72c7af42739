// MODIFY PASSWORD or PERMISSION: for the user chosen in the drop-down, a
// new password (after the old one is checked against the recorder's list),
// the local and remote rights and the channels the user may preview; also
// the list's password mode and whether preview rights apply at all. Each
// change the recorder accepts is saved to flash and the page reads the
// recorder's state again.
//
// Threading: GUI thread.
#pragma once

#include <array>

#include "settings_page.h"
#include "user_rights.h"

class QCheckBox;

namespace kestrel::ui {

class CDlgPasswordPri : public SettingsPage {
    Q_OBJECT

public:
    CDlgPasswordPri(client::ClientContext& context, QWidget* parent);

    // MODIFY PASSWORD, SET PRI, the password mode's SAVE and the choice of
    // USER PREVIEW PERMISSION (0 OFF, 1 ON).
    void ModifyPassword();
    void SetRights();
    void SavePasswordMode();
    void ChoosePreview(int index);

    QComboBox* UserBox() const { return userBox_; }
    QLineEdit* OldPasswordBox() const { return oldPassword_; }
    QLineEdit* NewPasswordBox() const { return newPassword_; }
    QLineEdit* ConfirmBox() const { return confirm_; }
    QCheckBox* LocalBox(int bit) const { return local_.at(static_cast<size_t>(bit)); }
    QCheckBox* RemoteBox(int bit) const { return remote_.at(static_cast<size_t>(bit)); }
    QCheckBox* PreviewChannelBox(int channel) const {
        return channels_.at(static_cast<size_t>(channel));
    }
    QComboBox* PreviewFlagBox() const { return previewBox_; }
    QComboBox* ModeBox() const { return modeBox_; }
    const QwUserList& Users() const { return users_; }
    const QwUserPreviewRights& Preview() const { return preview_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override { return {}; }
    void ShowChannel(int channel) override;

private:
    // The list entry chosen in the drop-down, or -1.
    int SelectedUser() const;
    void ShowUser(int entry);

    QwUserList users_{};
    QwUserPreviewRights preview_{};
    QComboBox* userBox_ = nullptr;
    QLineEdit* oldPassword_ = nullptr;
    QLineEdit* newPassword_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    std::array<QCheckBox*, client::kLocalRightCount> local_{};
    std::array<QCheckBox*, client::kRemoteRightCount> remote_{};
    std::array<QCheckBox*, QW_MAX_CHANNELS> channels_{};
    QComboBox* previewBox_ = nullptr;
    QComboBox* modeBox_ = nullptr;
};

}  // namespace kestrel::ui
