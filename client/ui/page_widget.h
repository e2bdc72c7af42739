// The Qt side of the client core's page notifications: a page is a widget
// that receives (message, first, second) notifications. Posted ones (from any
// thread, through ClientContext::pages) arrive as one small event type on the
// GUI thread; a "send" between pages on the GUI thread is a direct call of
// OnMessage.
//
// Threading: GUI thread, except Post, which any thread may call through the
// context's PagePoster (under its lock, so a page that has unregistered gets
// nothing more).
#pragma once

#include <QEvent>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "client_context.h"
#include "page_messages.h"
#include "page_poster.h"

namespace kestrel::ui {

class PageMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    PageMessageEvent(uint32_t what, intptr_t firstValue, intptr_t secondValue)
        : QEvent(EventType()), message(what), first(firstValue), second(secondValue) {}

    const uint32_t message;
    const intptr_t first;
    const intptr_t second;
};

class PageWidget : public QWidget, public client::PageWindow {
    Q_OBJECT

public:
    PageWidget(client::ClientContext& context, QWidget* parent = nullptr);
    // Unregisters first; a derived page whose destructor stops threads that
    // post to it calls UnregisterPage itself before that.
    ~PageWidget() override;

    // Any thread (through the context's poster): queues the message.
    void Post(uint32_t message, intptr_t first, intptr_t second) override;
    // GUI thread: handles a message at once (a send, or a posted one).
    virtual void OnMessage(uint32_t message, intptr_t first, intptr_t second);

    // Sends to another page on the GUI thread; nothing when target is null.
    static void Send(PageWidget* target, uint32_t message, intptr_t first, intptr_t second) {
        if (target != nullptr) {
            target->OnMessage(message, first, second);
        }
    }

    client::ClientContext& Context() const { return context_; }

protected:
    // Makes the page the context's receiver for id.
    void RegisterPage(client::PageId id);
    void UnregisterPage();
    // The text of a string-table id in the current language.
    QString Text(int id) const;

    void customEvent(QEvent* event) override;

private:
    client::ClientContext& context_;
    std::optional<client::PageId> registeredAs_;
};

}  // namespace kestrel::ui
