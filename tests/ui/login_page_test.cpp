// The login page against the in-process simulator: what the fields accept,
// the two address modes, a login that opens the recorder, logins that cannot,
// the language buttons and RESET.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include "CUserLogin.h"
#include "platform/profile.h"
#include "sim/uid_server.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

// Takes the main window's place: keeps the messages posted to it.
class MainWindowStandIn : public ui::PageWidget {
public:
    explicit MainWindowStandIn(client::ClientContext& context) : PageWidget(context) {
        RegisterPage(client::PageId::kMainWindow);
    }
    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override {
        received.push_back({static_cast<intptr_t>(message), first, second});
    }
    std::vector<std::array<intptr_t, 3>> received;
};

template <typename T = QLineEdit>
T* Find(QWidget& page, const char* name) {
    T* child = page.findChild<T*>(QLatin1String(name));
    if (child == nullptr) {
        qFatal("no %s on the page", name);
    }
    return child;
}

QString Status(QWidget& page) {
    return Find<QLabel>(page, "statusLine")->text();
}

void FillDvr(QWidget& page, sim::RecorderSim& recorder, const char* user, const char* password) {
    Find(page, "addressField")->setText(QString::fromStdString(recorder.Address()));
    Find(page, "mediaPortField")->setText(QString::number(recorder.CommandPort()));
    Find(page, "userIdField")->setText(QLatin1String(user));
    Find(page, "passwordField")->setText(QLatin1String(password));
}

int StoredLanguage(UiFixture& fixture) {
    return platform::ReadProfileInt(fixture.Context().iniPath, "Language", "Lang", -1);
}

const QString kLoggingIn = QStringLiteral("Login......");
const QString kLoginFailed = QStringLiteral("Login Failed!");
const QString kSelectNetwork = QStringLiteral("Please Select Network Environment!");

}  // namespace

class LoginPageTest : public QObject {
    Q_OBJECT

private slots:
    void FieldLimitsStatusLineAndReset();
    void ModeListAndAutoIpRows();
    void LoginOpensTheRecorderAndStoresAllButThePassword();
    void UnreachableRecorderFailsWhileTheWindowStaysResponsive();
    void UnknownDeviceIdFailsWithoutOpening();
    void LanguageButtonsWriteLangAndRelabel();
};

void LoginPageTest::FieldLimitsStatusLineAndReset() {
    UiFixture fixture;
    ui::CUserLogin page(fixture.Context(), nullptr);
    page.show();
    QVERIFY(!Find<QLabel>(page, "statusLine")->isVisible());
    Find(page, "addressField")->setText(QStringLiteral("127.0.0.5"));
    QTest::keyClicks(Find(page, "userIdField"), QStringLiteral("abcdefghij"));
    QTest::keyClicks(Find(page, "passwordField"), QStringLiteral("0123456789"));
    QCOMPARE(Find(page, "userIdField")->text(), QStringLiteral("abcdefgh"));
    QCOMPARE(Find(page, "passwordField")->text(), QStringLiteral("012345"));

    Find<QComboBox>(page, "networkList")->setCurrentIndex(-1);
    page.PressLogin();
    QVERIFY(Find<QLabel>(page, "statusLine")->isVisible());
    QCOMPARE(Status(page), kSelectNetwork);
    QCOMPARE(fixture.Context().user, std::string());  // nothing stored
    // The operator moving into a field empties the line.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(Find(page, "mediaPortField"), &focusIn);
    QCOMPARE(Status(page), QString());

    page.PressLogin();
    page.PressReset();
    QCOMPARE(Find(page, "userIdField")->text(), QString());
    QCOMPARE(Find(page, "passwordField")->text(), QString());
    QCOMPARE(Status(page), QString());
    QCOMPARE(Find(page, "addressField")->text(), QStringLiteral("127.0.0.5"));
}

void LoginPageTest::ModeListAndAutoIpRows() {
    UiFixture fixture;
    ui::CUserLogin page(fixture.Context(), nullptr);
    for (int round = 0; round < 4; ++round) {
        page.show();
        page.resize(800 + 100 * round, 560 + 40 * round);
        page.layout()->activate();
        QCoreApplication::processEvents();
        page.hide();
    }
    page.show();
    auto* modes = Find<QComboBox>(page, "modeList");
    QCOMPARE(modes->count(), 2);
    QCOMPARE(modes->itemText(0), QStringLiteral("DVR MODE"));
    QCOMPARE(modes->itemText(1), QStringLiteral("AUTO_IP MODE"));
    QCOMPARE(modes->currentIndex(), client::kLoginModeDvr);

    modes->setCurrentIndex(client::kLoginModeAutoIp);
    QCOMPARE(fixture.Context().loginMode, client::kLoginModeAutoIp);
    QVERIFY(!Find(page, "addressField")->isVisible());
    QVERIFY(!Find(page, "mediaPortField")->isVisible());
    QVERIFY(Find(page, "setupPortField")->isVisible());
    QCOMPARE(Find<QLabel>(page, "setupPortLabel")->text(), QStringLiteral("DEVICE ID"));
    QCOMPARE(Find<QLabel>(page, "userIdLabel")->text(), QStringLiteral("USER ID:"));

    modes->setCurrentIndex(client::kLoginModeDvr);
    QVERIFY(Find(page, "addressField")->isVisible());
    QCOMPARE(Find<QLabel>(page, "setupPortLabel")->text(), QStringLiteral("SETUP PORT"));
}

void LoginPageTest::LoginOpensTheRecorderAndStoresAllButThePassword() {
    UiFixture fixture;
    sim::RecorderConfig config;
    config.users.push_back({"oper", "s3cr7t", 9, 0, 6});
    QVERIFY(fixture.StartRecorder(config));
    MainWindowStandIn mainWindow(fixture.Context());
    {
        ui::CUserLogin page(fixture.Context(), nullptr);
        page.show();
        FillDvr(page, fixture.Recorder(), "oper", "s3cr7t");  // no setup port
        QTest::keyClick(Find(page, "passwordField"), Qt::Key_Return);
        QCOMPARE(Status(page), kLoggingIn);
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow.received.empty(), 60000);
    }
    using Message = std::array<intptr_t, 3>;
    QCOMPARE(mainWindow.received,
             std::vector<Message>({{client::UM_LOGIN, client::kLoginDone, 1}}));
    QVERIFY(fixture.Context().device != nullptr);
    QCOMPARE(fixture.Context().setupPort, 0);
    QCOMPARE(fixture.Context().streamChoice, client::kNetworkSubStream);
    const std::string& ini = fixture.Context().iniPath;
    QCOMPARE(platform::ReadProfileString(ini, "LOGIN_ADDRESS", "IP", ""),
             fixture.Recorder().Address());
    QCOMPARE(platform::ReadProfileInt(ini, "LOGIN_VIDEOPORT", "VPORT", 0),
             int{fixture.Recorder().CommandPort()});
    QCOMPARE(platform::ReadProfileString(ini, "UserID", "ID", ""), std::string("oper"));
    QFile file(QString::fromStdString(ini));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("s3cr7t"));

    // The next start offers what opened, but no password.
    client::ClientContext next(fixture.HomeFolder());
    next.Init();
    ui::CUserLogin page(next, nullptr);
    QCOMPARE(Find(page, "addressField")->text().toStdString(), fixture.Recorder().Address());
    QCOMPARE(Find(page, "mediaPortField")->text().toInt(), int{fixture.Recorder().CommandPort()});
    QCOMPARE(Find(page, "userIdField")->text(), QStringLiteral("oper"));
    QCOMPARE(Find(page, "passwordField")->text(), QString());
}

void LoginPageTest::UnreachableRecorderFailsWhileTheWindowStaysResponsive() {
    UiFixture fixture;
    sim::RecorderConfig silent;
    silent.faults.silent = true;
    QVERIFY(fixture.StartRecorder(silent));
    MainWindowStandIn mainWindow(fixture.Context());
    ui::CUserLogin page(fixture.Context(), nullptr);
    page.show();
    FillDvr(page, fixture.Recorder(), "admin", "admin");
    page.PressLogin();
    QCOMPARE(Status(page), kLoggingIn);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 60000);
    page.PressLogin();  // ignored while one runs
    QCOMPARE(Status(page), kLoggingIn);
    fixture.Recorder().Stop();  // drops the connection: the open fails
    QTRY_COMPARE_WITH_TIMEOUT(Status(page), kLoginFailed, 60000);

    sim::RecorderConfig refusing;
    refusing.faults.refuse_connections = true;
    QVERIFY(fixture.StartRecorder(refusing));
    FillDvr(page, fixture.Recorder(), "admin", "admin");
    page.PressLogin();
    QCOMPARE(Status(page), kLoggingIn);
    QTRY_COMPARE_WITH_TIMEOUT(Status(page), kLoginFailed, 60000);
    QCOMPARE(fixture.Context().loggedIn, 0);
    QVERIFY(fixture.Context().device == nullptr);
    QVERIFY(mainWindow.received.empty());
}

void LoginPageTest::UnknownDeviceIdFailsWithoutOpening() {
    UiFixture fixture;
    QVERIFY(fixture.StartRecorder());
    sim::UidServerConfig config;
    config.entries.push_back({"DVR001A2B3C4D5E",
                              {127, 0, 0, 1},
                              fixture.Recorder().CommandPort(),
                              fixture.Recorder().MctpPort()});
    sim::UidServer resolver(config);
    QVERIFY2(resolver.Start(), resolver.LastError().c_str());
    qputenv("KESTREL_UID_SERVER", "127.0.0.1:" + QByteArray::number(resolver.Port()));

    ui::CUserLogin page(fixture.Context(), nullptr);
    Find<QComboBox>(page, "modeList")->setCurrentIndex(client::kLoginModeAutoIp);
    Find(page, "setupPortField")->setText(QStringLiteral("DVR00FFFFFFFFFF"));
    Find(page, "userIdField")->setText(QStringLiteral("admin"));
    Find(page, "passwordField")->setText(QStringLiteral("admin"));
    page.PressLogin();
    QCOMPARE(Status(page), kLoggingIn);
    QTRY_COMPARE_WITH_TIMEOUT(Status(page), kLoginFailed, 60000);
    qunsetenv("KESTREL_UID_SERVER");
    QCOMPARE(resolver.Identifiers(), std::vector<std::string>{"DVR00FFFFFFFFFF"});
    QCOMPARE(fixture.Recorder().Observed().AcceptedConnections(), uint64_t{0});
}

void LoginPageTest::LanguageButtonsWriteLangAndRelabel() {
    UiFixture fixture;
    ui::CUserLogin page(fixture.Context(), nullptr);
    auto* network = Find<QComboBox>(page, "networkList");
    Find<QComboBox>(page, "modeList")->setCurrentIndex(client::kLoginModeAutoIp);
    network->setCurrentIndex(client::kNetworkMainStream);
    Find<QAbstractButton>(page, "languageButton1")->click();
    QCOMPARE(StoredLanguage(fixture), client::kLanguageSimplifiedChinese);
    QCOMPARE(Find<QLabel>(page, "userIdLabel")->text(), QStringLiteral("用户名："));
    QCOMPARE(Find<QLabel>(page, "setupPortLabel")->text(), QStringLiteral("设备ID"));
    QCOMPARE(network->count(), 2);
    QCOMPARE(network->currentIndex(), client::kNetworkSubStream);
    QCOMPARE(network->currentText(), QStringLiteral("子码流"));

    // A message on the line follows the language too.
    Find<QComboBox>(page, "modeList")->setCurrentIndex(client::kLoginModeDvr);
    network->setCurrentIndex(-1);
    page.PressLogin();
    QCOMPARE(Status(page), QStringLiteral("请选择网络环境！"));
    Find<QAbstractButton>(page, "languageButton0")->click();
    QCOMPARE(StoredLanguage(fixture), client::kLanguageEnglish);
    QCOMPARE(Find<QLabel>(page, "userIdLabel")->text(), QStringLiteral("USER ID:"));
    QCOMPARE(Status(page), kSelectNetwork);
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::LoginPageTest)
#include "login_page_test.moc"
