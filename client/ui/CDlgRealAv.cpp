#include "CDlgRealAv.h"

namespace kestrel::ui {

CDlgRealAv::CDlgRealAv(client::ClientContext& context, CDlgMainWnd* mainWindow, QWidget* parent)
    : PageWidget(context, parent), mainWindow_(mainWindow) {
    RegisterPage(client::PageId::kLiveView);
}

CDlgRealAv::~CDlgRealAv() { UnregisterPage(); }

void CDlgRealAv::OnMessage(uint32_t, intptr_t, intptr_t) {}
void CDlgRealAv::ShowRecordMarkers(bool) {}
void CDlgRealAv::StartPanesLater() {}

}  // namespace kestrel::ui
