#include "CUserLogin.h"

namespace kestrel::ui {

CUserLogin::CUserLogin(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent), sequence_(std::make_unique<client::LoginSequence>(context)) {
    RegisterPage(client::PageId::kLoginPage);
}

CUserLogin::~CUserLogin() { UnregisterPage(); }

void CUserLogin::FillForm(const client::LoginForm&) {}
void CUserLogin::PressLogin() {}
void CUserLogin::OnMessage(uint32_t, intptr_t, intptr_t) {}

}  // namespace kestrel::ui
