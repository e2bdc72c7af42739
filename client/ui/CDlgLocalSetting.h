// The local settings page: the folders for recordings, snapshots and
// downloads, each with a folder chooser, DEFAULT and APPLY.
#pragma once

#include "page_widget.h"

namespace kestrel::ui {

class CDlgRealAv;

class CDlgLocalSetting : public PageWidget {
    Q_OBJECT

public:
    // live: its recording markers are shown again when this page closes.
    CDlgLocalSetting(client::ClientContext& context, CDlgRealAv* live, QWidget* parent);

private:
    CDlgRealAv* live_;
};

}  // namespace kestrel::ui
