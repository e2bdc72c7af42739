#include "CDlgLocalSetting.h"

namespace kestrel::ui {

CDlgLocalSetting::CDlgLocalSetting(client::ClientContext& context, CDlgRealAv* live,
                                   QWidget* parent)
    : PageWidget(context, parent), live_(live) {
    RegisterPage(client::PageId::kLocalSettingsPage);
}

}  // namespace kestrel::ui
