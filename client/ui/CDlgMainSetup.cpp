#include "CDlgMainSetup.h"

#include "text_ids.h"

namespace kestrel::ui {

CDlgMainSetup::CDlgMainSetup(client::ClientContext& context, QWidget* parent)
    : PlaceholderPage(context, client::kTextRemoteSetting, parent) {
    RegisterPage(client::PageId::kRemoteSettingPage);
}

}  // namespace kestrel::ui
