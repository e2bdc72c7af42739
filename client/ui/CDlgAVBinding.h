// BIND AUDIO TO VIDEO: for each audio channel the video channel whose
// picture its sound belongs to, or none. DEFAULT BINDING binds the current
// audio channel to the video channel of the same number.
//
// Threading: GUI thread.
#pragma once

#include <array>

#include "settings_page.h"

namespace kestrel::ui {

class CDlgAVBinding : public SettingsPage {
    Q_OBJECT

public:
    CDlgAVBinding(client::ClientContext& context, QWidget* parent);

    // The current audio channel's video channel (QW_AV_UNBOUND for none).
    int32_t BoundVideo() const;
    QComboBox* VideoChoice() const { return video_; }
    void DefaultBinding();

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    std::string RefreshFailureText(ReadResult) override;
    std::string SaveFailureText(size_t step) override;
    void ShowChannel(int channel) override;

private:
    // The record of the current audio channel; null when the recorder sent none.
    QwAvBindAttr* Current();
    const QwAvBindAttr* Current() const;

    std::array<QwAvBindAttr, 16> records_{};
    int32_t count_ = 0;
    QComboBox* video_ = nullptr;
};

}  // namespace kestrel::ui
