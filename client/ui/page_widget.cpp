#include "page_widget.h"

#include <QCoreApplication>

namespace kestrel::ui {

QEvent::Type PageMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

PageWidget::PageWidget(client::ClientContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {}

PageWidget::~PageWidget() {
    UnregisterPage();
}

void PageWidget::RegisterPage(client::PageId id) {
    UnregisterPage();
    context_.pages.Register(id, this);
    registeredAs_ = id;
}

void PageWidget::UnregisterPage() {
    if (registeredAs_) {
        context_.pages.Unregister(*registeredAs_, this);
        registeredAs_.reset();
    }
}

QString PageWidget::Text(int id) const {
    return QString::fromStdString(context_.LoadText(id));
}

void PageWidget::Post(uint32_t message, intptr_t first, intptr_t second) {
    QCoreApplication::postEvent(this, new PageMessageEvent(message, first, second));
}

void PageWidget::OnMessage(uint32_t, intptr_t, intptr_t) {}

void PageWidget::customEvent(QEvent* event) {
    if (event->type() == PageMessageEvent::EventType()) {
        const auto* posted = static_cast<PageMessageEvent*>(event);
        OnMessage(posted->message, posted->first, posted->second);
        return;
    }
    QWidget::customEvent(event);
}

}  // namespace kestrel::ui
