// HDD INFO: the recorder's disk slots with their state, total and free
// size. Read only: REFRESH reads them again.
//
// Threading: GUI thread.
#pragma once

#include <QString>

#include "settings_page.h"

class QTreeWidget;

namespace kestrel::ui {

class CDlgDiskManage : public SettingsPage {
    Q_OBJECT

public:
    CDlgDiskManage(client::ClientContext& context, QWidget* parent);

    QTreeWidget* List() const { return list_; }
    // "%uG" of a byte count, in whole GiB.
    static QString SizeText(uint64_t bytes);

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override { return {}; }
    void ShowChannel(int channel) override;

private:
    QString StateText(int32_t state) const;

    QwHddInfo disks_{};
    bool read_ = false;
    QTreeWidget* list_ = nullptr;
};

}  // namespace kestrel::ui
