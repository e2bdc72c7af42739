// AUDIO PARAMETER: the audio of every channel in the record and the network
// stream: protocol, sample rate and bit width. SAVE sends the record stream,
// then the network stream, each failure with its own text, then SaveFlash.
//
// Threading: GUI thread.
#pragma once

#include <array>

#include "settings_page.h"

namespace kestrel::ui {

class CDlgCodeAudioPara : public SettingsPage {
    Q_OBJECT

public:
    static constexpr int kStreams = 2;

    CDlgCodeAudioPara(client::ClientContext& context, QWidget* parent);

    const QwAudioAttr& Record(int stream, int channel) const {
        return records_[static_cast<size_t>(stream)][static_cast<size_t>(channel)];
    }
    QComboBox* Protocol(int stream) const { return protocol_[static_cast<size_t>(stream)]; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    std::string SaveFailureText(size_t step) override;
    void ShowChannel(int) override {}
    void CopyToFlagged(int targets) override;

private:
    QwAudioAttr& Current(int stream);

    std::array<std::array<QwAudioAttr, 16>, kStreams> records_{};
    std::array<QComboBox*, kStreams> protocol_{};
};

}  // namespace kestrel::ui
