// The local settings page: the folders for recordings, snapshots and
// downloads, each with a folder chooser, DEFAULT and APPLY. Nothing reaches
// the context or "DvrUserCfg.ini" before APPLY.
//
// Threading: GUI thread.
#pragma once

#include <QString>
#include <array>
#include <functional>

#include "page_widget.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel::ui {

class CDlgRealAv;

class CDlgLocalSetting : public PageWidget {
    Q_OBJECT

public:
    // The three folders, in the order the page lists them.
    enum Folder { kRecordFolder, kFrameFolder, kFileFolder };

    // Asks the operator for a folder, starting at start; an empty text when
    // the operator cancels.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

    // live: its recording markers are shown again when this page closes.
    CDlgLocalSetting(client::ClientContext& context, CDlgRealAv* live, QWidget* parent);

    // Replaces the platform's folder dialog (tests).
    void SetFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }

    // The "..." button of a folder.
    void Browse(Folder folder);
    // DEFAULT: the backup folder in all three fields, nothing stored.
    void PressDefault();
    // APPLY: stores the three fields.
    void PressApply();

    QLineEdit* Field(Folder folder) const { return fields_[folder]; }

    // A chosen folder as the field shows it: native separators and exactly
    // one separator at the end.
    static QString WithOneTrailingSeparator(const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What the context holds for a folder.
    QString Stored(Folder folder) const;
    void FillFromContext();

    CDlgRealAv* live_;
    FolderChooser chooser_;
    std::array<QLabel*, 3> labels_{};
    std::array<QLineEdit*, 3> fields_{};
    std::array<QPushButton*, 3> browseButtons_{};
    QPushButton* defaultButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    // The texts last read from the fields (by APPLY).
    std::array<QString, 3> lastRead_;
};

}  // namespace kestrel::ui
