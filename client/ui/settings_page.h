// What every page of the remote settings window shares: the channel
// drop-down filled from the recorder's capabilities, REFRESH with the page's
// tag (a successful one is silent), showing a channel's stored record
// without a library call, SETUP/SAVE running the page's set calls in order
// and stopping at the first failure before SaveFlash, DEFAULT in memory
// only, and COPY SETTINGS TO... with its dialog and the copy request it
// sends back. A page states only its records, its controls and its checks.
//
// Threading: GUI thread. The configuration calls are short synchronous
// library calls on the GUI thread, each bounded by the library's time-out.
//
// Lifetime: made with the settings window; reads nothing before Open().
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "kestrel_records.h"
#include "page_widget.h"

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;

namespace kestrel::ui {

class CDlgCopyChannelTo;

// Copy dialog -> page: first kCopyChannelsCode, second the number of targets.
// The system page -> settings window: first kSystemSavedCode.
constexpr uint32_t UM_COPY_SETTINGS = 0x703;
constexpr intptr_t kCopyChannelsCode = 0x707;
constexpr intptr_t kSystemSavedCode = 0x708;

class SettingsPage : public PageWidget {
    Q_OBJECT

public:
    struct Options {
        bool channels = true;         // a per-channel page
        bool restoreDefault = false;  // offers DEFAULT
        bool copy = false;            // offers COPY SETTINGS TO...
        int saveTextId = 0;           // caption of the save button; 0: "SAVE"
        bool save = true;             // offers SETUP/SAVE
        // Another page changes the same records: read them each time the
        // page is chosen, not only the first time.
        bool readWhenChosen = false;
    };

    // tag: put in front of the refresh failure texts, e.g. "Video para:".
    SettingsPage(client::ClientContext& context, std::string tag, Options options, QWidget* parent);

    // The settings window shows the page for the first time: capabilities,
    // then a refresh.
    void Open();
    // The settings window shows the page: Open() the first time, afterwards
    // a refresh only for pages that read when chosen.
    void Chosen();
    // The buttons' work.
    void Refresh();
    void Save();
    void RestoreDefault();
    void CopySettings();

    int CurrentChannel() const { return channel_; }
    int ChannelCount() const { return channelCount_; }
    bool Opened() const { return opened_; }
    // The window's settings changed elsewhere (the system page saved).
    virtual void SettingsChangedElsewhere() {}

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;

    QComboBox* ChannelBox() const { return channelBox_; }
    QPushButton* RefreshButton() const { return refreshButton_; }
    QPushButton* SaveButton() const { return saveButton_; }
    QPushButton* DefaultButton() const { return defaultButton_; }
    QPushButton* CopyButton() const { return copyButton_; }

    // Runs before the copy dialog is shown (tests drive it from here).
    void SetCopyDialogHook(std::function<void(CDlgCopyChannelTo& dialog)> hook) {
        copyDialogHook_ = std::move(hook);
    }

protected:
    enum class ReadResult { kOk, kFailed, kInvalidChannel };
    using SaveStep = std::function<int32_t()>;

    // What the page reads once, when first opened (after the capabilities).
    virtual void Opening() {}
    // Reads every record of the page from the recorder.
    virtual ReadResult ReadRecords() = 0;
    // The set calls, in the order they go out; SaveFlash follows them.
    virtual std::vector<SaveStep> SaveSteps() = 0;
    // Fills the controls from the stored record of channel.
    virtual void ShowChannel(int channel) = 0;
    // Checks before anything is sent; false: nothing goes out (the page has
    // said why).
    virtual bool ReadyToSave() { return true; }
    // The message for a failed refresh; by default the tag and the failure.
    virtual std::string RefreshFailureText(ReadResult result);
    // The message for a failed step (index in SaveSteps; the SaveFlash call
    // is index SaveSteps().size()).
    virtual std::string SaveFailureText(size_t step);
    virtual void RestoreDefaults() {}
    // Copies the current channel's records to the flagged channels.
    virtual void CopyToFlagged(int targets) { (void)targets; }
    // A step succeeded (e.g. the system page tells the window).
    virtual void StepSucceeded(size_t step) { (void)step; }

    // Controls bound to a field of the shown record: showing a record fills
    // them, a change stores into the field. get and set are asked each time,
    // so they follow the current channel.
    // A drop-down whose index is the field's value.
    QComboBox* BindChoice(const QStringList& entries, std::function<int()> get,
                          std::function<void(int)> set);
    // A number box; a value outside [low, high] or no number shows "Invalid
    // Para!" and the stored value comes back.
    QLineEdit* BindNumber(int64_t low, int64_t high, std::function<int64_t()> get,
                          std::function<void(int64_t)> set);
    // A text of at most maxBytes bytes (UTF-8). A longer one shows "Invalid
    // Para!"; the box then shows the stored text, or is emptied together
    // with the field when emptyOnRefusal.
    QLineEdit* BindText(size_t maxBytes, bool emptyOnRefusal, std::function<std::string()> get,
                        std::function<void(const std::string&)> set);
    // Adds a caption and a control in the next row of the grid.
    void AddRow(int textId, QWidget* control, int column = 0);

    // Where the page puts its controls; its grid is the body's layout.
    QWidget* Body() const { return body_; }
    QGridLayout* Grid() const { return grid_; }
    // Adds a button to the button row, left of the common ones.
    void AddButton(QPushButton* button);
    QW_DVR_HANDLE Handle() const;
    std::string LoadText(int id) const { return Context().LoadText(id); }
    void Show(const std::string& text) const;
    // After a change the recorder took at once: SaveFlash, its message (the
    // success text or "Save Failed!") and a new read, as the recorder holds
    // the change even when the flash failed.
    void FlashAndRefresh(int successTextId);
    // Control changes made while a record is being shown must not write back.
    bool Filling() const { return filling_ > 0; }
    // Shows the current channel again (after an edit that changes others).
    void ShowCurrent();
    const std::string& Tag() const { return tag_; }
    // Copies the current channel's record to every channel the copy dialog
    // flagged, each copy with its own channel number.
    template <typename Record, size_t N>
    void CopyToFlaggedChannels(std::array<Record, N>& records) const {
        const std::array<uint32_t, 16> flags = CopyFlags();
        const size_t source = static_cast<size_t>(CurrentChannel());
        for (size_t target = 0; target < N && target < static_cast<size_t>(ChannelCount());
             ++target) {
            if (flags[target] != 0 && target != source) {
                records[target] = records[source];
                records[target].channel = static_cast<decltype(records[target].channel)>(target);
            }
        }
    }
    // The device's copy flags (none without a device).
    std::array<uint32_t, 16> CopyFlags() const;
    // Whether records hold a record whose channel field is channel.
    template <typename Record>
    static bool HoldsChannel(std::span<const Record> records, int channel) {
        for (const Record& record : records) {
            if (static_cast<int>(record.channel) == channel) {
                return true;
            }
        }
        return false;
    }

private:
    void ReadCapabilities();
    void ChooseChannel(int index);

    std::string tag_;
    Options options_;
    int channel_ = 0;
    int channelCount_ = 16;
    bool opened_ = false;
    int filling_ = 0;
    QWidget* body_ = nullptr;
    QGridLayout* grid_ = nullptr;
    QHBoxLayout* buttonRow_ = nullptr;
    QComboBox* channelBox_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    std::function<void(CDlgCopyChannelTo&)> copyDialogHook_;
    std::vector<std::function<void()>> showBound_;  // fill each bound control
};

}  // namespace kestrel::ui
