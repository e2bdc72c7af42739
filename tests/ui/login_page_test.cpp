// The login page against the in-process simulator: what the fields accept,
// the two address modes, a login that opens the recorder, logins that cannot,
// the language buttons and RESET.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "CUserLogin.h"
#include "platform/profile.h"
#include "sim/uid_server.h"
#include "text_ids.h"
#include "theme.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

// Takes the main window's place: keeps what the login page posts to it.
class MainWindowStandIn : public ui::PageWidget {
public:
    explicit MainWindowStandIn(client::ClientContext& context) : PageWidget(context) {
        RegisterPage(client::PageId::kMainWindow);
    }
    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override {
        received.push_back({message, first, second});
    }
    struct Message {
        uint32_t message;
        intptr_t first;
        intptr_t second;
    };
    std::vector<Message> received;
};

struct LoginControls {
    explicit LoginControls(QWidget& page)
        : mode(page.findChild<QComboBox*>("modeList")),
          address(page.findChild<QLineEdit*>("addressField")),
          mediaPort(page.findChild<QLineEdit*>("mediaPortField")),
          setupPort(page.findChild<QLineEdit*>("setupPortField")),
          setupPortLabel(page.findChild<QLabel*>("setupPortLabel")),
          userId(page.findChild<QLineEdit*>("userIdField")),
          userIdLabel(page.findChild<QLabel*>("userIdLabel")),
          password(page.findChild<QLineEdit*>("passwordField")),
          network(page.findChild<QComboBox*>("networkList")),
          status(page.findChild<QLabel*>("statusLine")),
          login(page.findChild<QPushButton*>("loginButton")) {}
    bool Complete() const {
        return mode && address && mediaPort && setupPort && setupPortLabel && userId &&
               userIdLabel && password && network && status && login;
    }
    void FillDvr(const std::string& address_, uint16_t port, const QString& user,
                 const QString& password_) const {
        address->setText(QString::fromStdString(address_));
        mediaPort->setText(QString::number(port));
        userId->setText(user);
        password->setText(password_);
    }

    QComboBox* mode;
    QLineEdit* address;
    QLineEdit* mediaPort;
    QLineEdit* setupPort;
    QLabel* setupPortLabel;
    QLineEdit* userId;
    QLabel* userIdLabel;
    QLineEdit* password;
    QComboBox* network;
    QLabel* status;
    QPushButton* login;
};

std::string ReadKey(UiFixture& fixture, const char* section, const char* key) {
    return platform::ReadProfileString(fixture.Context().iniPath, section, key, "<missing>");
}

// Pictures for people to look at, when KESTREL_SCREENSHOTS names a folder.
void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    if (!folder.isEmpty()) {
        widget.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
}

const QString kLoggingIn = QStringLiteral("Login......");
const QString kLoginFailed = QStringLiteral("Login Failed!");

}  // namespace

class LoginPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
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
    LoginControls c(page);
    QVERIFY(c.Complete());
    QVERIFY(!c.status->isVisible());

    c.address->setText(QStringLiteral("10.0.0.5"));
    QTest::keyClicks(c.userId, QStringLiteral("abcdefghij"));
    QTest::keyClicks(c.password, QStringLiteral("0123456789"));
    QCOMPARE(c.userId->text(), QStringLiteral("abcdefgh"));
    QCOMPARE(c.password->text(), QStringLiteral("012345"));

    // Nothing chosen in the network list: the message, and no login.
    c.network->setCurrentIndex(-1);
    page.PressLogin();
    QVERIFY(c.status->isVisible());
    QCOMPARE(c.status->text(), QStringLiteral("Please Select Network Environment!"));
    QCOMPARE(fixture.Context().user, std::string());

    // The operator moving into a field empties the line.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(c.mediaPort, &focusIn);
    QCOMPARE(c.status->text(), QString());

    page.PressLogin();
    QVERIFY(!c.status->text().isEmpty());
    page.PressReset();
    QCOMPARE(c.userId->text(), QString());
    QCOMPARE(c.password->text(), QString());
    QCOMPARE(c.status->text(), QString());
    QCOMPARE(c.address->text(), QStringLiteral("10.0.0.5"));
}

void LoginPageTest::ModeListAndAutoIpRows() {
    UiFixture fixture;
    ui::CUserLogin page(fixture.Context(), nullptr);
    LoginControls c(page);
    QVERIFY(c.Complete());
    for (int round = 0; round < 4; ++round) {
        page.show();
        page.resize(800 + 100 * round, 560 + 40 * round);
        page.layout()->activate();
        QCoreApplication::processEvents();
        page.hide();
    }
    page.show();
    QCOMPARE(c.mode->count(), 2);
    QCOMPARE(c.mode->itemText(0), QStringLiteral("DVR MODE"));
    QCOMPARE(c.mode->itemText(1), QStringLiteral("AUTO_IP MODE"));
    QCOMPARE(c.mode->currentIndex(), 0);
    QCOMPARE(c.setupPortLabel->text(), QStringLiteral("SETUP PORT"));

    c.mode->setCurrentIndex(client::kLoginModeAutoIp);
    QCOMPARE(fixture.Context().loginMode, client::kLoginModeAutoIp);
    QVERIFY(!c.address->isVisible());
    QVERIFY(!c.mediaPort->isVisible());
    QVERIFY(c.setupPort->isVisible());
    QVERIFY(c.password->isVisible());
    QCOMPARE(c.setupPortLabel->text(), QStringLiteral("DEVICE ID"));
    QCOMPARE(c.userIdLabel->text(), QStringLiteral("USER ID:"));

    c.mode->setCurrentIndex(client::kLoginModeDvr);
    QCOMPARE(fixture.Context().loginMode, client::kLoginModeDvr);
    QVERIFY(c.address->isVisible());
    QVERIFY(c.mediaPort->isVisible());
    QCOMPARE(c.setupPortLabel->text(), QStringLiteral("SETUP PORT"));
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
        LoginControls c(page);
        QVERIFY(c.Complete());
        c.FillDvr(fixture.Recorder().Address(), fixture.Recorder().CommandPort(),
                  QStringLiteral("oper"), QStringLiteral("s3cr7t"));
        QCOMPARE(c.setupPort->text(), QString());

        QTest::keyClick(c.password, Qt::Key_Return);  // Enter is LOGIN
        QCOMPARE(c.status->text(), kLoggingIn);
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow.received.empty(), 60000);
        QCOMPARE(mainWindow.received.size(), size_t{1});
        QCOMPARE(mainWindow.received[0].message, client::UM_LOGIN);
        QCOMPARE(mainWindow.received[0].first, client::kLoginDone);
        QCOMPARE(mainWindow.received[0].second, intptr_t{1});
        QVERIFY(fixture.Context().device != nullptr);
        QCOMPARE(fixture.Context().setupPort, 0);
        QCOMPARE(fixture.Context().streamChoice, client::kNetworkSubStream);
    }

    QCOMPARE(ReadKey(fixture, "LOGIN_ADDRESS", "IP"), fixture.Recorder().Address());
    QCOMPARE(ReadKey(fixture, "LOGIN_VIDEOPORT", "VPORT"),
             std::to_string(fixture.Recorder().CommandPort()));
    QCOMPARE(ReadKey(fixture, "UserID", "ID"), std::string("oper"));
    QFile file(QString::fromStdString(fixture.Context().iniPath));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("s3cr7t"));

    // The next start offers what opened last time, but no password.
    client::ClientContext next(fixture.HomeFolder());
    next.Init();
    ui::CUserLogin page(next, nullptr);
    LoginControls c(page);
    QCOMPARE(c.address->text().toStdString(), fixture.Recorder().Address());
    QCOMPARE(c.mediaPort->text(), QString::number(fixture.Recorder().CommandPort()));
    QCOMPARE(c.userId->text(), QStringLiteral("oper"));
    QCOMPARE(c.password->text(), QString());
}

void LoginPageTest::UnreachableRecorderFailsWhileTheWindowStaysResponsive() {
    UiFixture fixture;
    sim::RecorderConfig silent;
    silent.faults.silent = true;
    QVERIFY(fixture.StartRecorder(silent));
    MainWindowStandIn mainWindow(fixture.Context());
    ui::CUserLogin page(fixture.Context(), nullptr);
    page.show();
    LoginControls c(page);
    QVERIFY(c.Complete());
    c.FillDvr(fixture.Recorder().Address(), fixture.Recorder().CommandPort(),
              QStringLiteral("admin"), QStringLiteral("admin"));

    page.PressLogin();
    QCOMPARE(c.status->text(), kLoggingIn);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 60000);
    QCOMPARE(c.status->text(), kLoggingIn);  // the recorder has not answered
    page.PressLogin();                       // ignored while one runs
    QCOMPARE(c.status->text(), kLoggingIn);

    fixture.Recorder().Stop();  // drops the connection: the open fails
    QTRY_COMPARE_WITH_TIMEOUT(c.status->text(), kLoginFailed, 60000);
    QVERIFY(fixture.Context().device == nullptr);

    sim::RecorderConfig refusing;
    refusing.faults.refuse_connections = true;
    QVERIFY(fixture.StartRecorder(refusing));
    c.mediaPort->setText(QString::number(fixture.Recorder().CommandPort()));
    page.PressLogin();
    QCOMPARE(c.status->text(), kLoggingIn);
    QTRY_COMPARE_WITH_TIMEOUT(c.status->text(), kLoginFailed, 60000);
    QCOMPARE(fixture.Context().loggedIn, 0);
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
    qputenv("KESTREL_UID_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(resolver.Port()));

    MainWindowStandIn mainWindow(fixture.Context());
    ui::CUserLogin page(fixture.Context(), nullptr);
    page.show();
    LoginControls c(page);
    QVERIFY(c.Complete());
    c.mode->setCurrentIndex(client::kLoginModeAutoIp);
    c.setupPort->setText(QStringLiteral("DVR00FFFFFFFFFF"));
    c.userId->setText(QStringLiteral("admin"));
    c.password->setText(QStringLiteral("admin"));
    page.PressLogin();
    QCOMPARE(c.status->text(), kLoggingIn);
    QTRY_COMPARE_WITH_TIMEOUT(c.status->text(), kLoginFailed, 60000);
    qunsetenv("KESTREL_UID_SERVER");

    QCOMPARE(resolver.Identifiers(), std::vector<std::string>{"DVR00FFFFFFFFFF"});
    QCOMPARE(fixture.Recorder().Observed().AcceptedConnections(), uint64_t{0});
    QCOMPARE(fixture.Context().loggedIn, 0);
    QVERIFY(mainWindow.received.empty());
}

void LoginPageTest::LanguageButtonsWriteLangAndRelabel() {
    UiFixture fixture;
    ui::CUserLogin page(fixture.Context(), nullptr);
    page.resize(1000, 645);
    page.show();
    LoginControls c(page);
    QVERIFY(c.Complete());
    auto* simplified = page.findChild<QAbstractButton*>("languageButton1");
    auto* english = page.findChild<QAbstractButton*>("languageButton0");
    QVERIFY(simplified && english);
    SaveScreenshot(page, QStringLiteral("login_english"));

    c.mode->setCurrentIndex(client::kLoginModeAutoIp);
    c.network->setCurrentIndex(client::kNetworkMainStream);
    simplified->click();
    QCOMPARE(platform::ReadProfileInt(fixture.Context().iniPath, "Language", "Lang", -1), 1);
    QCOMPARE(c.userIdLabel->text(), QStringLiteral("用户名："));
    QCOMPARE(c.setupPortLabel->text(), QStringLiteral("设备ID"));
    QCOMPARE(c.login->text(), QStringLiteral("登录"));
    QCOMPARE(c.network->count(), 2);
    QCOMPARE(c.network->currentIndex(), client::kNetworkSubStream);
    QCOMPARE(c.network->currentText(), QStringLiteral("子码流"));
    QVERIFY(simplified->isChecked() && !english->isChecked());

    c.mode->setCurrentIndex(client::kLoginModeDvr);
    c.network->setCurrentIndex(-1);
    page.PressLogin();
    SaveScreenshot(page, QStringLiteral("login_simplified_chinese"));
    QCOMPARE(c.status->text(), QStringLiteral("请选择网络环境！"));

    english->click();
    QCOMPARE(platform::ReadProfileInt(fixture.Context().iniPath, "Language", "Lang", -1), 0);
    QCOMPARE(c.userIdLabel->text(), QStringLiteral("USER ID:"));
    QCOMPARE(c.status->text(), QStringLiteral("Please Select Network Environment!"));
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::LoginPageTest)
#include "login_page_test.moc"
