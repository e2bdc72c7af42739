#include "CDlgUserManager.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "kestrel_net_config.h"
#include "record_fields.h"
#include "text_ids.h"
#include "user_rights.h"

namespace kestrel::ui {

FieldLimit::FieldLimit(size_t fieldSize, QObject* parent)
    : QValidator(parent), fieldSize_(fieldSize) {}

QValidator::State FieldLimit::validate(QString& input, int& /*position*/) const {
    return client::FitsField(input.toStdString(), fieldSize_) ? Acceptable : Invalid;
}

QLineEdit* FieldLimit::MakeBox(size_t fieldSize, bool secret, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(static_cast<int>(fieldSize - 1));
    box->setValidator(new FieldLimit(fieldSize, box));
    if (secret) {
        box->setEchoMode(QLineEdit::Password);
    }
    return box;
}

CDlgUserManager::CDlgUserManager(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "", Options{.channels = false, .save = false, .readWhenChosen = true},
                   parent) {
    setObjectName(QStringLiteral("usersPage"));

    addGroup_ = new QGroupBox(Text(client::kTextAddUser), Body());
    auto* form = new QFormLayout(addGroup_);
    name_ = FieldLimit::MakeBox(QW_USER_NAME_SIZE, false, addGroup_);
    password_ = FieldLimit::MakeBox(QW_USER_PASSWORD_SIZE, true, addGroup_);
    confirm_ = FieldLimit::MakeBox(QW_USER_PASSWORD_SIZE, true, addGroup_);
    form->addRow(Text(client::kTextUserName), name_);
    form->addRow(Text(client::kTextAccountPassword), password_);
    form->addRow(Text(client::kTextConfirmEntry), confirm_);
    auto* add = new QPushButton(Text(client::kTextAddUserButton), addGroup_);
    connect(add, &QPushButton::clicked, this, [this] { AddUser(); });
    form->addRow(QString(), add);

    deleteGroup_ = new QGroupBox(Text(client::kTextDeleteUser), Body());
    auto* column = new QVBoxLayout(deleteGroup_);
    for (QCheckBox*& box : deleteBoxes_) {
        box = new QCheckBox(deleteGroup_);
        box->hide();
        column->addWidget(box);
    }
    column->addStretch(1);
    auto* del = new QPushButton(Text(client::kTextDeleteUserButton), deleteGroup_);
    connect(del, &QPushButton::clicked, this, [this] { DeleteUsers(); });
    column->addWidget(del, 0, Qt::AlignLeft);

    Grid()->addWidget(addGroup_, 0, 0, Qt::AlignTop);
    Grid()->addWidget(deleteGroup_, 0, 1);
    Grid()->setColumnStretch(0, 1);
    Grid()->setColumnStretch(1, 1);
    Grid()->setRowStretch(1, 1);
}

SettingsPage::ReadResult CDlgUserManager::ReadRecords() {
    QwUserList fresh{};
    readResult_ = QW_SRDK_SYS_USERMNG_GetUserList(Handle(), &fresh);
    // A failed read keeps what the page showed: an empty list would hide
    // every user as if the recorder had none.
    if (readResult_ != 0) {
        return ReadResult::kFailed;
    }
    users_ = fresh;
    read_ = true;
    return ReadResult::kOk;
}

std::string CDlgUserManager::RefreshFailureText(ReadResult result) {
    return readResult_ == 1 ? LoadText(client::kTextUserListReadFailed)
                            : SettingsPage::RefreshFailureText(result);
}

void CDlgUserManager::ShowChannel(int) {
    name_->clear();
    password_->clear();
    confirm_->clear();
    for (int entry = 1; entry <= kDeletable; ++entry) {
        QCheckBox* box = DeleteBox(entry);
        box->setChecked(false);
        const QString name = QString::fromStdString(client::FieldText(users_.user[entry].name));
        // A '&' in a name is the name's, not a shortcut mark.
        box->setText(QString(name).replace('&', QStringLiteral("&&")));
        box->setVisible(!name.isEmpty());
    }
    if (read_ && (users_.controls_enable == 0 || users_.controls_enable == 1)) {
        addGroup_->setEnabled(users_.controls_enable == 1);
        deleteGroup_->setEnabled(users_.controls_enable == 1);
    }
}

void CDlgUserManager::AddUser() {
    const std::string name = name_->text().toStdString();
    const std::string password = password_->text().toStdString();
    if (name.empty()) {
        return;
    }
    if (password_->text() != confirm_->text()) {
        Show(LoadText(client::kTextPasswordsDiffer));
        return;
    }
    if (password.empty()) {
        Show(LoadText(client::kTextPasswordEmpty));
        return;
    }
    // The boxes keep typing inside the fields; a text set around them is
    // refused rather than cut.
    if (!client::FitsField(name, QW_USER_NAME_SIZE) ||
        !client::FitsField(password, QW_USER_PASSWORD_SIZE)) {
        Show(LoadText(client::kTextInvalidPara));
        return;
    }
    QwUserAddRequest request{};
    client::SetFieldText(request.name, name);
    client::SetFieldText(request.password, password);
    QwUserList answered{};
    switch (client::ReadAddUserResult(QW_SRDK_SYS_USERMNG_AddUser(Handle(), &request, &answered))) {
        case client::AddUserOutcome::kListFull:
            Show(LoadText(client::kTextTooManyAccounts));
            return;
        case client::AddUserOutcome::kExists:
            Show(LoadText(client::kTextUserExists));
            return;
        case client::AddUserOutcome::kNoPassword:
            Show(LoadText(client::kTextPasswordEmpty));
            return;
        case client::AddUserOutcome::kFailed:
            Show(LoadText(client::kTextAddUserFailed));
            return;
        case client::AddUserOutcome::kAdded:
            FlashAndRefresh(client::kTextUserAdded);
            return;
    }
}

void CDlgUserManager::DeleteUsers() {
    std::array<bool, kDeletable> checked{};
    for (int entry = 1; entry <= kDeletable; ++entry) {
        checked[static_cast<size_t>(entry - 1)] = DeleteBox(entry)->isChecked();
    }
    const uint32_t mask = client::DeletionMask(checked);
    if (mask == 0) {
        return;
    }
    QwUserDelRequest request{};
    request.list = users_;
    request.delete_mask = mask;
    QwUserList answered{};
    const int32_t result = QW_SRDK_SYS_USERMNG_DelUser(Handle(), &request, &answered);
    if (result == -1) {
        Show(LoadText(client::kTextDeleteFailed));
        return;
    }
    if (result != 0) {
        return;
    }
    FlashAndRefresh(client::kTextDeleteSuccess);
}

}  // namespace kestrel::ui
