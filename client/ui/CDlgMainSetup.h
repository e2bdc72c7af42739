// The REMOTE SETTING page: the recorder's configuration. A navigation tree
// on the left offers the items the recorder and the login allow; one page
// at a time shows on the right. A page is made with the window and reads
// its records the first time its item is chosen, afterwards only on its
// REFRESH; the two user pages share the user list and read it each time.
//
// Threading: GUI thread.
//
// Lifetime: made by the main window after the first login; the tree and the
// pages are rebuilt at each login (UM_LOGIN), since the offer depends on it.
#pragma once

#include <map>

#include "page_widget.h"
#include "settings_tree.h"

class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel::ui {

class CDlgMainSetup : public PageWidget {
    Q_OBJECT

public:
    static constexpr int kTreeWidth = 220;

    CDlgMainSetup(client::ClientContext& context, QWidget* parent);

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

    // Shows the page of an offered item (the tree's selection does the same).
    void Choose(client::SettingsPageId page);
    QTreeWidget* Tree() const { return tree_; }
    // The page made for an id; null when the window has none.
    QWidget* Page(client::SettingsPageId page) const;
    QWidget* CurrentPage() const;

private:
    // Builds the tree and the pages for the current login.
    void Build();
    void Clear();
    QWidget* MakePage(client::SettingsPageId page, int titleTextId);
    void OnItemChosen(QTreeWidgetItem* item);

    QTreeWidget* tree_;
    QStackedWidget* stack_;
    std::map<client::SettingsPageId, QWidget*> pages_;
};

}  // namespace kestrel::ui
