// The login page: address, ports, user ID, password, stream choice and
// address mode; opens the recorder through the client core's login sequence
// without ever blocking the GUI thread, and carries the language buttons.
#pragma once

#include <memory>

#include "login_sequence.h"
#include "page_widget.h"

namespace kestrel::ui {

class CUserLogin : public PageWidget {
    Q_OBJECT

public:
    CUserLogin(client::ClientContext& context, QWidget* parent);
    ~CUserLogin() override;

    // Fills the fields as an operator would type them (the command line).
    void FillForm(const client::LoginForm& form);
    // The LOGIN button.
    void PressLogin();
    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

private:
    std::unique_ptr<client::LoginSequence> sequence_;
};

}  // namespace kestrel::ui
