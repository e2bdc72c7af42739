#include "CDlgPlayBack.h"

#include "text_ids.h"

namespace kestrel::ui {

CDlgPlayBack::CDlgPlayBack(client::ClientContext& context, QWidget* parent)
    : PlaceholderPage(context, client::kTextReplay, parent) {
    RegisterPage(client::PageId::kPlaybackPage);
}

}  // namespace kestrel::ui
