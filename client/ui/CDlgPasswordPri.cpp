#include "CDlgPasswordPri.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <span>

#include "CDlgUserManager.h"
#include "kestrel_net_config.h"
#include "record_fields.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kLocalTexts[client::kLocalRightCount] = {
    client::kTextPtzControl,        client::kTextManual,
    client::kTextRightPlayback,     client::kTextRightSetParameter,
    client::kTextRightAutoSequence, client::kTextRightEzoom,
    client::kTextRightMute,         client::kTextRightPip,
    client::kTextRightMaintenance};
constexpr int kRemoteTexts[client::kRemoteRightCount] = {
    client::kTextPtzControl, client::kTextRightRecord, client::kTextRightRemotePlayback,
    client::kTextRightSetParameter, client::kTextRightMute};
constexpr int kRightColumns = 3;
constexpr int kChannelColumns = 8;

template <size_t N>
std::array<bool, N> Checked(const std::array<QCheckBox*, N>& boxes) {
    std::array<bool, N> checked{};
    for (size_t i = 0; i < N; ++i) {
        checked[i] = boxes[i]->isChecked();
    }
    return checked;
}

}  // namespace

CDlgPasswordPri::CDlgPasswordPri(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "", Options{.channels = false, .save = false, .readWhenChosen = true},
                   parent) {
    setObjectName(QStringLiteral("passwordRightsPage"));
    const QStringList offOn{Text(client::kTextOff), Text(client::kTextOn)};

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(new QLabel(Text(client::kTextUserName), Body()));
    userBox_ = new QComboBox(Body());
    userBox_->setMinimumWidth(120);
    top->addWidget(userBox_);
    top->addStretch(1);
    top->addWidget(new QLabel(Text(client::kTextPasswordMode), Body()));
    modeBox_ = new QComboBox(Body());
    top->addWidget(modeBox_);
    auto* saveMode = new QPushButton(Text(client::kTextSave), Body());
    top->addWidget(saveMode);
    Grid()->addLayout(top, 0, 0);
    connect(userBox_, &QComboBox::currentIndexChanged, this, [this] {
        if (!Filling()) {
            ShowUser(SelectedUser());
        }
    });
    connect(saveMode, &QPushButton::clicked, this, [this] { SavePasswordMode(); });

    auto* passwords = new QGroupBox(Text(client::kTextModifyPassword), Body());
    auto* passwordGrid = new QGridLayout(passwords);
    oldPassword_ = FieldLimit::MakeBox(QW_USER_PASSWORD_SIZE, true, passwords);
    newPassword_ = FieldLimit::MakeBox(QW_USER_PASSWORD_SIZE, true, passwords);
    confirm_ = FieldLimit::MakeBox(QW_USER_PASSWORD_SIZE, true, passwords);
    passwordGrid->addWidget(new QLabel(Text(client::kTextOldPassword), passwords), 0, 0);
    passwordGrid->addWidget(oldPassword_, 0, 1);
    passwordGrid->addWidget(new QLabel(Text(client::kTextNewPassword), passwords), 1, 0);
    passwordGrid->addWidget(newPassword_, 1, 1);
    passwordGrid->addWidget(new QLabel(Text(client::kTextConfirmEntry), passwords), 1, 2);
    passwordGrid->addWidget(confirm_, 1, 3);
    auto* modify = new QPushButton(Text(client::kTextModifyPassword), passwords);
    passwordGrid->addWidget(modify, 0, 3, Qt::AlignRight);
    connect(modify, &QPushButton::clicked, this, [this] { ModifyPassword(); });
    Grid()->addWidget(passwords, 1, 0);

    // Rights in the order of their bits; the long maintenance right gets a
    // row of its own.
    auto rightsGroup = [this](int titleId, std::span<const int> texts,
                              std::span<QCheckBox*> boxes) {
        auto* group = new QGroupBox(Text(titleId), Body());
        auto* grid = new QGridLayout(group);
        grid->setVerticalSpacing(2);
        for (size_t bit = 0; bit < boxes.size(); ++bit) {
            boxes[bit] = new QCheckBox(Text(texts[bit]), group);
            const int row = static_cast<int>(bit) / kRightColumns;
            const int column = static_cast<int>(bit) % kRightColumns;
            if (texts[bit] == client::kTextRightMaintenance) {
                grid->addWidget(boxes[bit], row + (column != 0 ? 1 : 0), 0, 1, kRightColumns);
            } else {
                grid->addWidget(boxes[bit], row, column);
            }
        }
        return group;
    };
    Grid()->addWidget(rightsGroup(client::kTextDvrPermission, kLocalTexts, local_), 2, 0);
    Grid()->addWidget(rightsGroup(client::kTextRemotePermission, kRemoteTexts, remote_), 3, 0);

    auto* previewGroup = new QGroupBox(Text(client::kTextPreviewPermission), Body());
    auto* previewGrid = new QGridLayout(previewGroup);
    previewGrid->setVerticalSpacing(2);
    auto* flagRow = new QHBoxLayout;
    flagRow->setSpacing(8);
    flagRow->addWidget(new QLabel(Text(client::kTextUserPreviewPermission), previewGroup));
    previewBox_ = new QComboBox(previewGroup);
    previewBox_->addItems(offOn);
    flagRow->addWidget(previewBox_);
    flagRow->addStretch(1);
    previewGrid->addLayout(flagRow, 0, 0, 1, kChannelColumns);
    for (int c = 0; c < QW_MAX_CHANNELS; ++c) {
        channels_[static_cast<size_t>(c)] =
            new QCheckBox(Text(client::kTextChannelShort) + QString::number(c + 1), previewGroup);
        previewGrid->addWidget(channels_[static_cast<size_t>(c)], 1 + c / kChannelColumns,
                               c % kChannelColumns);
    }
    connect(previewBox_, &QComboBox::activated, this, [this](int index) { ChoosePreview(index); });
    Grid()->addWidget(previewGroup, 4, 0);
    Grid()->setRowStretch(5, 1);

    auto* setRights = new QPushButton(Text(client::kTextSetRights), this);
    connect(setRights, &QPushButton::clicked, this, [this] { SetRights(); });
    AddButton(setRights);
}

SettingsPage::ReadResult CDlgPasswordPri::ReadRecords() {
    QwUserList users{};
    QwUserPreviewRights preview{};
    if (QW_SRDK_SYS_USERMNG_GetUserList(Handle(), &users) != 0 ||
        QW_SRDK_SYS_GetUserPrewPri(Handle(), &preview, &preview) != 0) {
        return ReadResult::kFailed;
    }
    users_ = users;
    preview_ = preview;
    return ReadResult::kOk;
}

int CDlgPasswordPri::SelectedUser() const {
    return userBox_->currentIndex() >= 0 ? userBox_->currentData().toInt() : -1;
}

void CDlgPasswordPri::ShowChannel(int) {
    const int before = SelectedUser();
    userBox_->clear();
    for (int entry = 0; entry < QW_USER_COUNT; ++entry) {
        const std::string name = client::FieldText(users_.user[entry].name);
        if (!name.empty()) {
            userBox_->addItem(QString::fromStdString(name), entry);
        }
    }
    // The same user stays chosen while the recorder still has them.
    const int again = userBox_->findData(before);
    userBox_->setCurrentIndex(again >= 0 ? again : (userBox_->count() > 0 ? 0 : -1));

    modeBox_->clear();
    modeBox_->addItem(Text(client::kTextOff), 0);
    modeBox_->addItem(Text(client::kTextOn), 1);
    // A mode this client has no name for shows as its number and is kept.
    if (users_.password_mode != 0 && users_.password_mode != 1) {
        modeBox_->addItem(QString::number(users_.password_mode), users_.password_mode);
    }
    modeBox_->setCurrentIndex(modeBox_->findData(users_.password_mode));
    previewBox_->setCurrentIndex(preview_.enable != 0 ? 1 : 0);
    ShowUser(SelectedUser());
}

void CDlgPasswordPri::ShowUser(int entry) {
    oldPassword_->clear();
    newPassword_->clear();
    confirm_->clear();
    const QwUserEntry none{};
    const QwUserEntry& user = entry >= 0 ? users_.user[entry] : none;
    for (int bit = 0; bit < client::kLocalRightCount; ++bit) {
        LocalBox(bit)->setChecked(client::HasRight(user.local_rights, bit));
    }
    for (int bit = 0; bit < client::kRemoteRightCount; ++bit) {
        RemoteBox(bit)->setChecked(client::HasRight(user.remote_rights, bit));
    }
    const int slot = client::PreviewEntryOf(preview_, users_, entry);
    for (int c = 0; c < QW_MAX_CHANNELS; ++c) {
        QCheckBox* box = PreviewChannelBox(c);
        box->setChecked(slot >= 0 && preview_.user[slot].channel[c] != 0);
        // The flags are only sent while preview rights apply.
        box->setEnabled(preview_.enable != 0);
    }
}

void CDlgPasswordPri::ModifyPassword() {
    const int entry = SelectedUser();
    if (entry < 0) {
        return;
    }
    const std::string fresh = newPassword_->text().toStdString();
    if (oldPassword_->text().toStdString() != client::FieldText(users_.user[entry].password)) {
        Show(LoadText(client::kTextOldPasswordWrong));
        return;
    }
    if (fresh.empty()) {
        Show(LoadText(client::kTextPasswordEmpty));
        return;
    }
    if (newPassword_->text() != confirm_->text()) {
        Show(LoadText(client::kTextPasswordsDiffer));
        return;
    }
    if (!client::FitsField(fresh, QW_USER_PASSWORD_SIZE)) {
        Show(LoadText(client::kTextInvalidPara));
        return;
    }
    QwUserList changed = users_;
    client::SetFieldText(changed.user[entry].password, fresh);
    QwUserList answered{};
    // Whatever the refusal, the password did not change: never go on to
    // report success.
    if (QW_SRDK_SYS_USERMNG_ModifyUserInfo(Handle(), &changed, &answered) != 0) {
        Show(LoadText(client::kTextModifyFailed));
        return;
    }
    FlashAndRefresh(client::kTextModifySuccess);
}

void CDlgPasswordPri::SetRights() {
    const int entry = SelectedUser();
    if (entry < 0) {
        return;
    }
    QwUserList changed = users_;
    changed.user[entry].local_rights = client::RightsMask(Checked(local_));
    changed.user[entry].remote_rights = client::RightsMask(Checked(remote_));
    if (preview_.enable != 0) {
        QwUserPreviewRights rights = preview_;
        const int slot = client::PreviewEntryOf(rights, users_, entry);
        if (slot < 0) {
            return;
        }
        QwUserPreviewEntry& flags = rights.user[slot];
        client::SetFieldText(flags.name, client::FieldText(users_.user[entry].name));
        for (int c = 0; c < QW_MAX_CHANNELS; ++c) {
            flags.channel[c] = PreviewChannelBox(c)->isChecked() ? 1 : 0;
        }
        QwUserPreviewRights answered{};
        // Rights saved without their channels would be reported as done.
        if (QW_SRDK_SYS_SetUserPrewPri(Handle(), &rights, &answered) != 0) {
            Show(LoadText(client::kTextModifyFailed));
            return;
        }
    }
    QwUserList answered{};
    const int32_t result = QW_SRDK_SYS_USERMNG_ModifyUserInfo(Handle(), &changed, &answered);
    if (result == -1) {
        Show(LoadText(client::kTextModifyFailed));
        return;
    }
    if (result != 0) {
        return;
    }
    FlashAndRefresh(client::kTextModifySuccess);
}

void CDlgPasswordPri::SavePasswordMode() {
    QwUserList changed = users_;
    changed.password_mode = modeBox_->currentData().toInt();
    QwUserList answered{};
    const int32_t result = QW_SRDK_SYS_USERMNG_ModifyUserInfo(Handle(), &changed, &answered);
    if (result == -1) {
        Show(LoadText(client::kTextSaveFailed));
        return;
    }
    if (result != 0) {
        return;
    }
    FlashAndRefresh(client::kTextSaveSuccess);
}

void CDlgPasswordPri::ChoosePreview(int index) {
    QwUserPreviewRights rights = preview_;
    rights.enable = index == 1 ? 1 : 0;
    QwUserPreviewRights answered{};
    if (QW_SRDK_SYS_SetUserPrewPri(Handle(), &rights, &answered) != 0 ||
        QW_SRDK_DEV_SaveFlash(Handle()) != 0) {
        Show(LoadText(client::kTextSaveFailed));
    }
    Refresh();
}

}  // namespace kestrel::ui
