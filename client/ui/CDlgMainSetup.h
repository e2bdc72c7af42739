// The REMOTE SETTING page: the recorder's configuration. Until its pages
// come, it shows its title only.
#pragma once

#include "placeholder_page.h"

namespace kestrel::ui {

class CDlgMainSetup : public PlaceholderPage {
    Q_OBJECT

public:
    CDlgMainSetup(client::ClientContext& context, QWidget* parent);
};

}  // namespace kestrel::ui
