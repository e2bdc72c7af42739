#include "settings_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "CDlgCopyChannelTo.h"
#include "device.h"
#include "kestrel_net_config.h"
#include "kestrel_records.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kButtonWidth = 150;

// Keeps Filling() true while a record is shown.
class FillScope {
public:
    explicit FillScope(int& depth) : depth_(depth) { ++depth_; }
    ~FillScope() { --depth_; }
    FillScope(const FillScope&) = delete;
    FillScope& operator=(const FillScope&) = delete;

private:
    int& depth_;
};

}  // namespace

SettingsPage::SettingsPage(client::ClientContext& context, std::string tag, Options options,
                           QWidget* parent)
    : PageWidget(context, parent), tag_(std::move(tag)), options_(options) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);
    if (options_.channels) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(Text(client::kTextChannel), this));
        channelBox_ = new QComboBox(this);
        channelBox_->setObjectName(QStringLiteral("channelBox"));
        channelBox_->setMinimumWidth(140);
        row->addWidget(channelBox_);
        row->addStretch(1);
        column->addLayout(row);
        connect(channelBox_, &QComboBox::currentIndexChanged, this,
                [this](int index) { ChooseChannel(index); });
    }
    body_ = new QWidget(this);
    grid_ = new QGridLayout(body_);
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setHorizontalSpacing(10);
    grid_->setVerticalSpacing(6);
    column->addWidget(body_, 1);

    buttonRow_ = new QHBoxLayout;
    buttonRow_->addStretch(1);
    auto addCommon = [this](int textId, auto slot) {
        auto* button = new QPushButton(Text(textId), this);
        button->setMinimumWidth(kButtonWidth / 2);
        connect(button, &QPushButton::clicked, this, slot);
        buttonRow_->addWidget(button);
        return button;
    };
    refreshButton_ = addCommon(client::kTextRefresh, [this] { Refresh(); });
    if (options_.restoreDefault) {
        defaultButton_ = addCommon(client::kTextDefault, [this] { RestoreDefault(); });
    }
    if (options_.copy) {
        copyButton_ = addCommon(client::kTextCopySettingsTo, [this] { CopySettings(); });
    }
    if (options_.save) {
        saveButton_ = addCommon(options_.saveTextId != 0 ? options_.saveTextId : client::kTextSave,
                                [this] { Save(); });
    }
    column->addLayout(buttonRow_);
}

QW_DVR_HANDLE SettingsPage::Handle() const {
    return Context().device != nullptr ? Context().device->handle : nullptr;
}

std::array<uint32_t, 16> SettingsPage::CopyFlags() const {
    return Context().device != nullptr ? Context().device->copyFlags : std::array<uint32_t, 16>{};
}

void SettingsPage::Show(const std::string& text) const {
    if (Context().ui != nullptr) {
        Context().ui->ShowMessage(text);
    }
}

void SettingsPage::FlashAndRefresh(int successTextId) {
    Show(LoadText(QW_SRDK_DEV_SaveFlash(Handle()) == 0 ? successTextId : client::kTextSaveFailed));
    Refresh();
}

void SettingsPage::AddButton(QPushButton* button) {
    buttonRow_->insertWidget(1, button);
}

void SettingsPage::Open() {
    opened_ = true;
    if (options_.channels) {
        ReadCapabilities();
    }
    Opening();
    Refresh();
}

void SettingsPage::Chosen() {
    if (!opened_) {
        Open();
    } else if (options_.readWhenChosen) {
        Refresh();
    }
}

void SettingsPage::ReadCapabilities() {
    QwDevCaps caps{};
    caps.channel_count = client::kMaxDeviceChannels;
    if (QW_SRDK_DEV_GetDevCaps(Handle(), &caps) != 0) {
        Show(LoadText(client::kTextGetCapabilitiesFailed));
        caps.channel_count = client::kMaxDeviceChannels;
    }
    // The records hold 16 channels whatever a recorder claims.
    channelCount_ = std::clamp<int>(caps.channel_count, 1, client::kMaxDeviceChannels);
    const QSignalBlocker quiet(channelBox_);
    channelBox_->clear();
    for (int i = 1; i <= channelCount_; ++i) {
        channelBox_->addItem(Text(client::kTextChannel) + QString::number(i));
    }
    channelBox_->setCurrentIndex(0);
    channel_ = 0;
}

void SettingsPage::Refresh() {
    const ReadResult result = ReadRecords();
    if (result != ReadResult::kOk) {
        Show(RefreshFailureText(result));
    }
    ShowCurrent();
}

std::string SettingsPage::RefreshFailureText(ReadResult result) {
    return tag_ + LoadText(result == ReadResult::kInvalidChannel ? client::kTextInvalidChannel
                                                                 : client::kTextRefreshFailed);
}

void SettingsPage::ShowCurrent() {
    const FillScope filling(filling_);
    ShowChannel(channel_);
    for (const auto& show : showBound_) {
        show();
    }
}

QComboBox* SettingsPage::BindChoice(const QStringList& entries, std::function<int()> get,
                                    std::function<void(int)> set) {
    auto* box = new QComboBox(body_);
    box->addItems(entries);
    showBound_.push_back([box, get] {
        const int value = get();
        // A value the list does not hold shows as no selection, never as another.
        box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
    });
    connect(box, &QComboBox::activated, this, [set](int index) { set(index); });
    return box;
}

QLineEdit* SettingsPage::BindNumber(int64_t low, int64_t high, std::function<int64_t()> get,
                                    std::function<void(int64_t)> set) {
    auto* box = new QLineEdit(body_);
    showBound_.push_back([box, get] { box->setText(QString::number(get())); });
    connect(box, &QLineEdit::editingFinished, this, [this, box, low, high, get, set] {
        if (Filling()) {
            return;
        }
        bool ok = false;
        const qlonglong value = box->text().trimmed().toLongLong(&ok);
        if (ok && value == get()) {
            return;
        }
        if (ok && value >= low && value <= high) {
            set(value);
            return;
        }
        Show(LoadText(client::kTextInvalidPara));
        box->setText(QString::number(get()));
    });
    return box;
}

QLineEdit* SettingsPage::BindText(size_t maxBytes, bool emptyOnRefusal,
                                  std::function<std::string()> get,
                                  std::function<void(const std::string&)> set) {
    auto* box = new QLineEdit(body_);
    showBound_.push_back([box, get] { box->setText(QString::fromStdString(get())); });
    connect(box, &QLineEdit::editingFinished, this,
            [this, box, maxBytes, emptyOnRefusal, get, set] {
                if (Filling()) {
                    return;
                }
                const std::string text = box->text().toStdString();
                if (text == get()) {
                    return;
                }
                if (text.size() <= maxBytes) {
                    set(text);
                    return;
                }
                Show(LoadText(client::kTextInvalidPara));
                if (emptyOnRefusal) {
                    set({});
                }
                box->setText(QString::fromStdString(get()));
            });
    return box;
}

void SettingsPage::AddRow(int textId, QWidget* control, int column) {
    const int row = grid_->rowCount();
    grid_->addWidget(new QLabel(Text(textId), body_), row, column);
    grid_->addWidget(control, row, column + 1);
}

void SettingsPage::ChooseChannel(int index) {
    if (index < 0) {
        return;
    }
    channel_ = index;
    ShowCurrent();
}

std::string SettingsPage::SaveFailureText(size_t /*step*/) {
    return LoadText(client::kTextSaveFailed);
}

void SettingsPage::Save() {
    if (!ReadyToSave()) {
        return;
    }
    const std::vector<SaveStep> steps = SaveSteps();
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i]() != 0) {
            Show(SaveFailureText(i));
            return;
        }
        StepSucceeded(i);
    }
    if (QW_SRDK_DEV_SaveFlash(Handle()) != 0) {
        Show(SaveFailureText(steps.size()));
        return;
    }
    Show(LoadText(client::kTextSaveSuccess));
}

void SettingsPage::RestoreDefault() {
    RestoreDefaults();
    ShowCurrent();
}

void SettingsPage::CopySettings() {
    if (channel_ >= client::kMaxDeviceChannels) {
        Show(LoadText(client::kTextInvalidChannel));
        return;
    }
    CDlgCopyChannelTo dialog(Context(), channel_, this);
    if (copyDialogHook_) {
        copyDialogHook_(dialog);
    }
    if (!dialog.Finished()) {
        dialog.exec();
    }
}

void SettingsPage::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    if (message == UM_COPY_SETTINGS && first == kCopyChannelsCode) {
        CopyToFlagged(static_cast<int>(second));
        ShowCurrent();
        return;
    }
    PageWidget::OnMessage(message, first, second);
}

}  // namespace kestrel::ui
