#include "placeholder_page.h"

#include <QPainter>

#include "theme.h"

namespace kestrel::ui {

PlaceholderPage::PlaceholderPage(client::ClientContext& context, int titleTextId, QWidget* parent)
    : PageWidget(context, parent), titleTextId_(titleTextId) {
    setAutoFillBackground(true);
}

void PlaceholderPage::paintEvent(QPaintEvent* event) {
    PageWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(widgets::Theme::kDisabledText);
    painter.setFont(widgets::Theme::TitleFont());
    painter.drawText(rect(), Qt::AlignCenter, Text(titleTextId_));
}

}  // namespace kestrel::ui
