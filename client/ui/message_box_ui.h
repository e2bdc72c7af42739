// The core's messages to the operator as modal message boxes over the main
// window, captioned like the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "page_messages.h"

namespace kestrel::ui {

class MessageBoxUi : public client::ClientUi {
public:
    explicit MessageBoxUi(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const std::string& text) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace kestrel::ui
