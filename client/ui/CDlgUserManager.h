// ADD or DEL: adds a user to the recorder's user list and deletes the
// checked ones (never the administrator in entry 0). Every change the
// recorder accepts is made permanent with SaveFlash and the list is read
// again, so the page shows the recorder's state.
//
// Threading: GUI thread.
#pragma once

#include <QValidator>
#include <array>

#include "settings_page.h"

class QCheckBox;
class QGroupBox;

namespace kestrel::ui {

// Keeps a line edit's text inside a NUL-terminated record field of
// fieldSize bytes (UTF-8), so that a name or password is never cut.
class FieldLimit : public QValidator {
    Q_OBJECT

public:
    FieldLimit(size_t fieldSize, QObject* parent);
    State validate(QString& input, int& position) const override;

    // A box limited to the field; secret boxes never show their text.
    static QLineEdit* MakeBox(size_t fieldSize, bool secret, QWidget* parent);

private:
    size_t fieldSize_;
};

class CDlgUserManager : public SettingsPage {
    Q_OBJECT

public:
    static constexpr int kDeletable = QW_USER_COUNT - 1;  // entries 1..7

    CDlgUserManager(client::ClientContext& context, QWidget* parent);

    // ADD and DEL.
    void AddUser();
    void DeleteUsers();

    QLineEdit* NameBox() const { return name_; }
    QLineEdit* PasswordBox() const { return password_; }
    QLineEdit* ConfirmBox() const { return confirm_; }
    // The box of list entry 1..7.
    QCheckBox* DeleteBox(int entry) const {
        return deleteBoxes_.at(static_cast<size_t>(entry - 1));
    }
    const QwUserList& Users() const { return users_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override { return {}; }
    void ShowChannel(int channel) override;
    std::string RefreshFailureText(ReadResult result) override;

private:
    QwUserList users_{};
    bool read_ = false;
    int32_t readResult_ = 0;
    QGroupBox* addGroup_ = nullptr;
    QGroupBox* deleteGroup_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    std::array<QCheckBox*, kDeletable> deleteBoxes_{};
};

}  // namespace kestrel::ui
