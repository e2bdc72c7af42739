// VIDEO PARAMETER: the three streams of every channel (record, network,
// mobile). The record stream's frame rate and resolution are checked
// against the encoder's frame budget (video_capacity.h) before they are
// stored; DEFAULT sets every channel's record stream to CIF at 25 fps; a
// copy to other channels checks the budget first; SAVE sends the three
// streams, then SaveFlash.
//
// Threading: GUI thread.
#pragma once

#include <array>
#include <span>

#include "settings_page.h"
#include "video_capacity.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace kestrel::ui {

class CDlgCodeVideoPara : public SettingsPage {
    Q_OBJECT

public:
    enum Stream { kRecordStream = 0, kNetworkStream = 1, kMobileStream = 2, kStreams = 3 };

    CDlgCodeVideoPara(client::ClientContext& context, QWidget* parent);

    // ---- The controls, for tests
    QLineEdit* RecordFrameRate() const { return recordFrameRate_; }
    QLabel* RecordFrameRateHint() const { return recordHint_; }
    QComboBox* Quality(Stream stream) const { return quality_[stream]; }
    QComboBox* RecordResolution() const { return recordResolution_; }
    QComboBox* FrameRateChoice(Stream stream) const { return frameRateChoice_[stream]; }
    QLineEdit* Gop(Stream stream) const { return gop_[stream]; }
    QComboBox* MobileResolution() const { return mobileResolution_; }
    QLineEdit* MobileWidth() const { return mobileWidth_; }
    QLineEdit* MobileHeight() const { return mobileHeight_; }
    const QwVideoAttr& Record(Stream stream, int channel) const {
        return records_[stream][static_cast<size_t>(channel)];
    }
    const client::VideoCapacity& Capacity() const { return capacity_; }

    // What typing into the boxes ends with (focus leaving them).
    void CommitRecordFrameRate();
    void CommitMobileSize();

    void SettingsChangedElsewhere() override;

protected:
    void Opening() override;
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int channel) override;
    void RestoreDefaults() override;
    void CopyToFlagged(int targets) override;

private:
    void ReadStandard();
    void ChooseRecordResolution(int index);
    void ChooseQuality(Stream stream, int index);
    void ChooseFrameRate(Stream stream, int index);
    void ChooseMobileResolution(int index);
    void ShowMobileSizeBoxes(const QwVideoAttr& record);
    // The record stream of the channels the recorder has.
    std::span<const QwVideoAttr> RecordStream() const;
    QwVideoAttr& Current(Stream stream);
    void Say(const QString& text) const;

    client::VideoCapacity capacity_;
    std::array<std::array<QwVideoAttr, 16>, kStreams> records_{};

    QLineEdit* recordFrameRate_ = nullptr;
    QLabel* recordHint_ = nullptr;
    QComboBox* recordResolution_ = nullptr;
    QComboBox* mobileResolution_ = nullptr;
    QLineEdit* mobileWidth_ = nullptr;
    QLineEdit* mobileHeight_ = nullptr;
    std::array<QComboBox*, kStreams> quality_{};
    std::array<QComboBox*, kStreams> frameRateChoice_{};  // network and mobile
    std::array<QLineEdit*, kStreams> gop_{};              // network and mobile
};

}  // namespace kestrel::ui
