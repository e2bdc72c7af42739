// REMOTE UPGRADE: starts the separate firmware upgrade tool, which finds the
// recorders by itself; the client uploads no firmware. Only administrators
// (login levels 10 and 11) get the button.
//
// Threading: GUI thread.
//
// Lifetime: made with the settings window at each login, so the button
// follows the current login's level.
#pragma once

#include <QString>

#include "page_widget.h"

class QPushButton;

namespace kestrel::ui {

class CDlgRemoteUpgrade : public PageWidget {
    Q_OBJECT

public:
    CDlgRemoteUpgrade(client::ClientContext& context, QWidget* parent);

    // The button's work: starts the tool, without arguments, and ignores
    // whether that worked.
    void Launch();

    QPushButton* UpgradeButton() const { return button_; }
    // The program last started (empty before the first press).
    const QString& ProgramPath() const { return programPath_; }
    // Where the tool is looked for first; the program's own folder unless a
    // test says otherwise.
    void SetProgramFolder(const QString& folder) { programFolder_ = folder; }

private:
    QString FindProgram() const;

    QPushButton* button_ = nullptr;
    QString programFolder_;
    QString programPath_;
};

}  // namespace kestrel::ui
