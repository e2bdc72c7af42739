// The user-management pages against the in-process simulator: what is
// checked before anything is sent, the recorder's answers, and the
// recorder's state shown after every change.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>
#include <cstddef>
#include <cstring>

#include "CDlgMainSetup.h"
#include "CDlgPasswordPri.h"
#include "CDlgUserManager.h"
#include "kestrel_records.h"
#include "record_fields.h"
#include "settings_fixture.h"
#include "sim/result_codes.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui_test {
namespace {

using CallList = std::vector<std::string>;

const CallList kFlashAndReadUsers{"QW_SRDK_DEV_SaveFlash", "QW_SRDK_SYS_USERMNG_GetUserList"};
const CallList kFlashAndReadRights{"QW_SRDK_DEV_SaveFlash", "QW_SRDK_SYS_USERMNG_GetUserList",
                                   "QW_SRDK_SYS_GetUserPrewPri"};

CallList Then(CallList first, const CallList& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

// admin, user, then ann, bob, cat and dan in entries 2..5.
sim::RecorderConfig SixUsers(std::vector<std::pair<std::string, int32_t>> failing = {}) {
    sim::RecorderConfig config = RecorderWithChannels(4);
    for (const char* name : {"ann", "bob", "cat", "dan"}) {
        config.users.push_back({name, "pw", 9, 0, 0});
    }
    config.faults.mctp.failing_calls = std::move(failing);
    return config;
}

struct Setup : SettingsSetup {
    explicit Setup(sim::RecorderConfig config = SixUsers()) : SettingsSetup(std::move(config)) {}
    template <typename Page>
    std::unique_ptr<Page> Open() {
        auto page = SettingsSetup::Open<Page>();
        NewCalls();
        return page;
    }
    // The calls since the page opened or since the last look.
    CallList NewCalls() {
        CallList names = CallsSince(from);
        from += names.size();
        return names;
    }
    QwUserList Users() { return StoredOne<QwUserList>("QW_SRDK_SYS_USERMNG_GetUserList"); }
    std::string Last() {
        return fixture.messages.shown.empty() ? "" : fixture.messages.shown.back();
    }

    size_t from = 0;
};

void Add(ui::CDlgUserManager& page, const char* name, const char* password, const char* confirm) {
    page.NameBox()->setText(QString::fromUtf8(name));
    page.PasswordBox()->setText(QString::fromUtf8(password));
    page.ConfirmBox()->setText(QString::fromUtf8(confirm));
    page.AddUser();
}

void Change(ui::CDlgPasswordPri& page, const char* old, const char* fresh, const char* confirm) {
    page.OldPasswordBox()->setText(QString::fromUtf8(old));
    page.NewPasswordBox()->setText(QString::fromUtf8(fresh));
    page.ConfirmBox()->setText(QString::fromUtf8(confirm));
    page.ModifyPassword();
}

void ChooseUser(ui::CDlgPasswordPri& page, const char* name) {
    page.UserBox()->setCurrentIndex(page.UserBox()->findText(QString::fromUtf8(name)));
}

}  // namespace

class SettingsUsersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
    void AddChecksFirstThenFollowsTheRecordersAnswer();
    void DeleteSendsTheCheckedEntriesOnly();
    void PasswordChangeNeedsTheOldPassword();
    void RightsPreviewChannelsAndModes();
    void FailuresAreNeverReportedAsDone();
};

void SettingsUsersTest::AddChecksFirstThenFollowsTheRecordersAnswer() {
    Setup setup(RecorderWithChannels(4));
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgUserManager>();
    QCOMPARE(page->DeleteBox(1)->text(), QStringLiteral("user"));
    QVERIFY(page->DeleteBox(2)->isHidden());

    // Typing stops at the end of the fields.
    QTest::keyClicks(page->NameBox(), QStringLiteral("abcdefghij"));
    QCOMPARE(page->NameBox()->text(), QStringLiteral("abcdefgh"));
    QTest::keyClicks(page->PasswordBox(), QStringLiteral("1234567"));
    QCOMPARE(page->PasswordBox()->text(), QStringLiteral("123456"));

    Add(*page, "guest", "123", "124");
    QCOMPARE(setup.Last(), setup.Text(client::kTextPasswordsDiffer));
    Add(*page, "guest", "", "");
    QCOMPARE(setup.Last(), setup.Text(client::kTextPasswordEmpty));
    Add(*page, "名字名字", "1", "1");  // 12 bytes, set around the field limit
    QCOMPARE(setup.Last(), setup.Text(client::kTextInvalidPara));
    QCOMPARE(setup.NewCalls(), CallList{});

    Add(*page, "user", "1", "1");
    QCOMPARE(setup.NewCalls(), CallList{"QW_SRDK_SYS_USERMNG_AddUser"});
    QCOMPARE(setup.Last(), std::string("The user already exist!"));

    Add(*page, "guest", "123", "123");
    QCOMPARE(setup.NewCalls(), Then({"QW_SRDK_SYS_USERMNG_AddUser"}, kFlashAndReadUsers));
    QCOMPARE(setup.Last(), setup.Text(client::kTextUserAdded));
    QCOMPARE(client::FieldText(setup.Users().user[2].password), std::string("123"));
    QCOMPARE(page->DeleteBox(2)->text(), QStringLiteral("guest"));
    QVERIFY(!page->DeleteBox(2)->isHidden());
    SavePicture(*page, "users");

    for (const char* name : {"g3", "g4", "g5", "g6", "g7", "g8"}) {  // room for five more
        Add(*page, name, "1", "1");
    }
    QCOMPARE(setup.Last(), setup.Text(client::kTextTooManyAccounts));
}

void SettingsUsersTest::DeleteSendsTheCheckedEntriesOnly() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgUserManager>();
    page->DeleteUsers();
    QCOMPARE(setup.NewCalls(), CallList{});

    page->DeleteBox(2)->setChecked(true);
    page->DeleteBox(5)->setChecked(true);
    page->DeleteUsers();
    const size_t del = setup.from;
    QCOMPARE(setup.NewCalls(), Then({"QW_SRDK_SYS_USERMNG_DelUser"}, kFlashAndReadUsers));
    const auto sent = setup.fixture.Recorder().Observed().MctpRequests()[del].segments.at(0);
    QCOMPARE(sent.size(), sizeof(QwUserDelRequest));
    uint32_t mask = 0;
    std::memcpy(&mask, sent.data() + offsetof(QwUserDelRequest, delete_mask), sizeof mask);
    QCOMPARE(mask, 0x24u);
    QCOMPARE(setup.Last(), setup.Text(client::kTextDeleteSuccess));
    QVERIFY(page->DeleteBox(2)->isHidden() && page->DeleteBox(5)->isHidden());
    QCOMPARE(page->DeleteBox(3)->text(), QStringLiteral("bob"));

    // A read that fails keeps the list shown rather than emptying it.
    setup.fixture.Recorder().Stop();
    page->Refresh();
    QCOMPARE(setup.Last(), setup.Text(client::kTextRefreshFailed));
    QCOMPARE(page->DeleteBox(3)->text(), QStringLiteral("bob"));
    QVERIFY(!page->DeleteBox(3)->isHidden());
}

void SettingsUsersTest::PasswordChangeNeedsTheOldPassword() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgPasswordPri>();
    ChooseUser(*page, "bob");
    Change(*page, "user", "abc", "abc");  // another user's password
    QCOMPARE(setup.Last(), setup.Text(client::kTextOldPasswordWrong));
    Change(*page, "pw", "", "");
    QCOMPARE(setup.Last(), setup.Text(client::kTextPasswordEmpty));
    Change(*page, "pw", "abc", "abd");
    QCOMPARE(setup.Last(), setup.Text(client::kTextPasswordsDiffer));
    QCOMPARE(setup.NewCalls(), CallList{});

    Change(*page, "pw", "abc", "abc");
    QCOMPARE(setup.NewCalls(), Then({"QW_SRDK_SYS_USERMNG_ModifyUserInfo"}, kFlashAndReadRights));
    QCOMPARE(setup.Last(), setup.Text(client::kTextModifySuccess));
    QCOMPARE(client::FieldText(setup.Users().user[3].password), std::string("abc"));
    QCOMPARE(client::FieldText(page->Users().user[3].password), std::string("abc"));
    QCOMPARE(page->UserBox()->currentText(), QStringLiteral("bob"));
    QCOMPARE(page->OldPasswordBox()->echoMode(), QLineEdit::Password);
}

void SettingsUsersTest::RightsPreviewChannelsAndModes() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open<ui::CDlgPasswordPri>();
    ChooseUser(*page, "user");
    for (int bit = 0; bit < client::kLocalRightCount; ++bit) {
        page->LocalBox(bit)->setChecked(bit == 0 || bit == 7);  // PTZ CONTROL, PIP
    }
    for (int bit = 0; bit < client::kRemoteRightCount; ++bit) {
        page->RemoteBox(bit)->setChecked(bit == 1 || bit == 2);
    }
    for (int c = 0; c < QW_MAX_CHANNELS; ++c) {
        page->PreviewChannelBox(c)->setChecked(c == 1);
    }
    page->SetRights();
    QCOMPARE(setup.NewCalls(),
             Then({"QW_SRDK_SYS_SetUserPrewPri", "QW_SRDK_SYS_USERMNG_ModifyUserInfo"},
                  kFlashAndReadRights));
    QCOMPARE(setup.Last(), setup.Text(client::kTextModifySuccess));
    QCOMPARE(setup.Users().user[1].local_rights, 0x81u);
    QCOMPARE(setup.Users().user[1].remote_rights, 0x06u);
    const auto preview = setup.StoredOne<QwUserPreviewRights>("QW_SRDK_SYS_GetUserPrewPri");
    QCOMPARE(preview.user[1].channel[1], uint8_t{1});
    QCOMPARE(preview.user[1].channel[0], uint8_t{0});
    QVERIFY(page->LocalBox(7)->isChecked() && !page->LocalBox(1)->isChecked());
    QVERIFY(page->PreviewChannelBox(1)->isChecked() && !page->PreviewChannelBox(0)->isChecked());
    SavePicture(*page, "password-rights");

    // Preview rights off: saved at once, and SET PRI leaves the channels alone.
    emit page->PreviewFlagBox()->activated(0);
    QCOMPARE(setup.NewCalls(), Then({"QW_SRDK_SYS_SetUserPrewPri"}, kFlashAndReadRights));
    QCOMPARE(setup.StoredOne<QwUserPreviewRights>("QW_SRDK_SYS_GetUserPrewPri").enable, uint8_t{0});
    QVERIFY(!page->PreviewChannelBox(1)->isEnabled());
    page->SetRights();
    QCOMPARE(setup.NewCalls(), Then({"QW_SRDK_SYS_USERMNG_ModifyUserInfo"}, kFlashAndReadRights));

    page->ModeBox()->setCurrentIndex(1);
    page->SavePasswordMode();
    QCOMPARE(setup.Users().password_mode, 1);
    QCOMPARE(setup.Last(), setup.Text(client::kTextSaveSuccess));
    QCOMPARE(page->ModeBox()->currentIndex(), 1);

    // The settings window offers both pages under their tree items, and a
    // user added on one page is there when the other is chosen again.
    ui::CDlgMainSetup window(setup.fixture.Context(), nullptr);
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    auto* users = qobject_cast<ui::CDlgUserManager*>(window.Page(client::SettingsPageId::kUsers));
    auto* rights =
        qobject_cast<ui::CDlgPasswordPri*>(window.Page(client::SettingsPageId::kPasswordRights));
    QVERIFY(users != nullptr && rights != nullptr);
    window.Choose(client::SettingsPageId::kPasswordRights);
    window.Choose(client::SettingsPageId::kUsers);
    Add(*users, "guest", "1", "1");
    QCOMPARE(rights->UserBox()->findText(QStringLiteral("guest")), -1);
    window.Choose(client::SettingsPageId::kPasswordRights);
    QVERIFY(rights->UserBox()->findText(QStringLiteral("guest")) >= 0);
}

void SettingsUsersTest::FailuresAreNeverReportedAsDone() {
    // Flash fails after the recorder took the user: the page says so and
    // shows the user the recorder now has.
    Setup flash(SixUsers({{"QW_SRDK_DEV_SaveFlash", 1}}));
    QVERIFY(flash.ok);
    auto users = flash.Open<ui::CDlgUserManager>();
    Add(*users, "guest", "1", "1");
    QCOMPARE(flash.Last(), flash.Text(client::kTextSaveFailed));
    QCOMPARE(users->DeleteBox(6)->text(), QStringLiteral("guest"));

    Setup refused(SixUsers({{"QW_SRDK_SYS_USERMNG_AddUser", sim::kMctpRefusedByFault},
                            {"QW_SRDK_SYS_USERMNG_ModifyUserInfo", 5},
                            {"QW_SRDK_SYS_SetUserPrewPri", -1}}));
    QVERIFY(refused.ok);
    auto adding = refused.Open<ui::CDlgUserManager>();
    Add(*adding, "guest", "1", "1");
    QCOMPARE(refused.Last(), refused.Text(client::kTextAddUserFailed));
    auto rights = refused.Open<ui::CDlgPasswordPri>();
    ChooseUser(*rights, "ann");
    Change(*rights, "pw", "new", "new");
    QCOMPARE(refused.NewCalls(), CallList{"QW_SRDK_SYS_USERMNG_ModifyUserInfo"});
    QCOMPARE(refused.Last(), refused.Text(client::kTextModifyFailed));
    refused.fixture.messages.shown.clear();
    rights->SetRights();  // the channels are refused: the rights are not sent
    QCOMPARE(refused.NewCalls(), CallList{"QW_SRDK_SYS_SetUserPrewPri"});
    QCOMPARE(refused.Last(), refused.Text(client::kTextModifyFailed));

    Setup unread(SixUsers({{"QW_SRDK_SYS_USERMNG_GetUserList", 1}}));
    QVERIFY(unread.ok);
    unread.Open<ui::CDlgUserManager>();
    QCOMPARE(unread.fixture.messages.shown, std::vector<std::string>{"erro,get"});
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::SettingsUsersTest)
#include "settings_users_test.moc"
