// The login page: address, ports, user ID, password, stream choice and
// address mode; opens the recorder through the client core's login sequence
// without ever blocking the GUI thread, and carries the language buttons.
//
// Threading: GUI thread. The sequence's worker reaches the page only through
// the posted UM_LOGIN_STEP.
#pragma once

#include <array>
#include <memory>

#include "login_sequence.h"
#include "page_widget.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel::ui {

class LoginPanel;

class CUserLogin : public PageWidget {
    Q_OBJECT

public:
    CUserLogin(client::ClientContext& context, QWidget* parent);
    ~CUserLogin() override;

    // Fills the fields as an operator would type them (the command line).
    void FillForm(const client::LoginForm& form);
    // The LOGIN button.
    void PressLogin();
    // The RESET button: empties the user ID, the password and the status line.
    void PressReset();
    // Language button n (client::kLanguageEnglish ...).
    void PressLanguage(int language);
    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    void SetMode(int mode);
    void Relabel();
    void FillNetworkList();
    void ShowOutcome(const client::LoginOutcome& outcome);
    void ShowStatus(int textId);
    void ClearStatus();
    client::LoginForm ReadForm() const;
    // The field that takes the focus when the page gets it: the first one
    // still to be filled in.
    void ChooseFocusField();

    std::unique_ptr<client::LoginSequence> sequence_;
    int mode_ = client::kLoginModeDvr;
    int statusTextId_ = 0;             // 0: the status line is empty
    QLineEdit* focusField_ = nullptr;  // where the page's focus goes

    LoginPanel* panel_ = nullptr;
    QComboBox* modeList_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QLineEdit* addressField_ = nullptr;
    QLabel* mediaPortLabel_ = nullptr;
    QLineEdit* mediaPortField_ = nullptr;
    QLabel* setupPortLabel_ = nullptr;
    QLineEdit* setupPortField_ = nullptr;
    QLabel* userIdLabel_ = nullptr;
    QLineEdit* userIdField_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    QLineEdit* passwordField_ = nullptr;
    QLabel* networkLabel_ = nullptr;
    QComboBox* networkList_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* loginButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    std::array<QAbstractButton*, 3> languageButtons_{};
};

}  // namespace kestrel::ui
