#include "message_box_ui.h"

#include <QMessageBox>

namespace kestrel::ui {

void MessageBoxUi::ShowMessage(const std::string& text) {
    QMessageBox box(parent_);
    box.setWindowTitle(parent_ != nullptr ? parent_->window()->windowTitle() : QString("DVR"));
    box.setIcon(QMessageBox::Information);
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

}  // namespace kestrel::ui
