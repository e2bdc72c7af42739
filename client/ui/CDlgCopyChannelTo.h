// "COPY SETTINGS TO...": one box per channel of the recorder, five to a
// row, the source channel's box checked and fixed, ALL to tick or clear the
// others, APPLY to send the page the copy request with the number of
// targets. The ticks are the device's copy flags, which the page reads.
//
// Threading: GUI thread; a modal dialog over its page.
#pragma once

#include <QDialog>
#include <vector>

#include "client_context.h"

class QCheckBox;
class QPushButton;

namespace kestrel::ui {

class SettingsPage;

class CDlgCopyChannelTo : public QDialog {
    Q_OBJECT

public:
    // Reads the channel count and clears every copy flag.
    CDlgCopyChannelTo(client::ClientContext& context, int source, SettingsPage* page);

    void ToggleAll();
    void Apply();

    int Targets() const { return targets_; }
    bool Finished() const { return finished_; }
    const std::vector<QCheckBox*>& Boxes() const { return boxes_; }
    QPushButton* AllButton() const { return allButton_; }
    QPushButton* ApplyButton() const { return applyButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

    void done(int result) override;

private:
    void SetFlag(int channel, bool on);

    client::ClientContext& context_;
    SettingsPage* page_;
    int source_;
    int targets_ = 0;
    bool finished_ = false;
    std::vector<QCheckBox*> boxes_;
    QPushButton* allButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace kestrel::ui
