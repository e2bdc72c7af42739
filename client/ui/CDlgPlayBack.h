// The REPLAY page: remote search, playback and download. Until those come,
// the page shows its title only and has nothing to stop.
#pragma once

#include "placeholder_page.h"

namespace kestrel::ui {

class CDlgPlayBack : public PlaceholderPage {
    Q_OBJECT

public:
    CDlgPlayBack(client::ClientContext& context, QWidget* parent);
    // Ends what the page plays (the live page is about to be shown).
    void StopPlayback() {}
};

}  // namespace kestrel::ui
