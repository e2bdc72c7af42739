// A working page whose content comes later: its title over an empty page,
// so that the page buttons already lead somewhere.
#pragma once

#include <QString>

#include "page_widget.h"

namespace kestrel::ui {

class PlaceholderPage : public PageWidget {
    Q_OBJECT

public:
    PlaceholderPage(client::ClientContext& context, int titleTextId, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int titleTextId_;
};

}  // namespace kestrel::ui
