// The upgrade window driven through its buttons under the offscreen
// platform, searching and uploading to simulated recorders on 127.0.0.2..;
// message boxes are recorded instead of shown.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "device_list.h"
#include "sim/flash_fleet.h"
#include "single_instance.h"
#include "upgrade_window.h"

using kestrel::flash::ui::SingleInstance;
using kestrel::flash::ui::UpgradeWindow;
using kestrel::flash::ui::WindowMessage;

namespace {

constexpr int kSearchMs = 10000;
// Newer than the simulated recorders' T091128 in its fifth segment.
const char kImageName[] = "Qw6100V100R003B010_T091128T091128T091128T091128T091129.sw";

// A window on a fleet of simulated recorders, with its boxes recorded.
class Bench {
public:
    explicit Bench(int recorders = 0, kestrel::sim::FlashRecorderConfig recorder = {},
                   std::function<void(int, kestrel::sim::FlashRecorderConfig&)> configure = {}) {
        if (recorders > 0) {
            kestrel::sim::FlashFleetConfig config;
            config.size = recorders;
            config.recorder = recorder;
            config.configure = std::move(configure);
            fleet = std::make_unique<kestrel::sim::FlashFleet>(config);
            QVERIFY2(fleet->Start(), fleet->LastError().c_str());
            // The window reads these once, when it is made.
            qputenv("KESTREL_FLASH_UDP_PORT", QByteArray::number(fleet->UdpPort()));
            qputenv("KESTREL_FLASH_TCP_PORT", QByteArray::number(fleet->TcpPort()));
        }
        qputenv("KESTREL_BROADCAST_ADDR", "127.255.255.255");
        window = std::make_unique<UpgradeWindow>();
        window->SetMessageSeam([this](const WindowMessage& message) {
            shown.push_back(message);
            return answer;
        });
        window->ChooseHost("127.0.0.1");
        window->show();
    }

    QString Image(qint64 size, const QString& name = kImageName) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) {
            return {};
        }
        return file.fileName();
    }

    bool Enabled(const char* caption) const {
        QPushButton* button = window->Button(caption);
        return button != nullptr && button->isEnabled();
    }

    QString LastText() const { return shown.empty() ? QString() : shown.back().text; }

    QTemporaryDir folder;
    std::unique_ptr<kestrel::sim::FlashFleet> fleet;
    std::unique_ptr<UpgradeWindow> window;
    std::vector<WindowMessage> shown;
    bool answer = false;
};

}  // namespace

class UpgradeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpImageSizeAndSpeed();
    void nineteenRowsMakeTwoPages();
    void searchFailuresLeaveTheWindowUsable();
    void uploadsToTheEndEnableTheButtonsAgain();
    void runningRowKeepsItsTickAndClosingAsks();
    void secondStartRaisesTheFirst();
    void programFollowsItsOptions();
};

void UpgradeWindowTest::startUpImageSizeAndSpeed() {
    Bench bench;
    UpgradeWindow& window = *bench.window;
    QCOMPARE(window.RunState(), "Waiting for selecting file ...");
    QCOMPARE(window.PageText(), "0/0");
    QVERIFY(bench.Enabled("Browse"));
    for (const char* caption : {"Search Device", "Upgrade", " Anti-Select All ", "Next"}) {
        QVERIFY2(!bench.Enabled(caption), caption);
    }

    window.OpenImage(bench.Image(1234567));
    QCOMPARE(window.FileSizeText(), "1,234,567");
    QCOMPARE(window.RunState(), "Waiting for searching device ...");
    QVERIFY(bench.Enabled("Search Device"));
    window.OpenImage(bench.Image(123));
    QCOMPARE(window.FileSizeText(), "123");
    QVERIFY(bench.shown.empty());

    // A refused file takes the image away: nothing is searched for under
    // a name the recorders would judge wrongly.
    window.OpenImage(bench.Image(10, "Qw6100V100R003B010_T091128T091128T091128T091128T09112X.sw"));
    QCOMPARE(bench.shown.size(), size_t{1});
    QCOMPARE(bench.shown[0].title, "Warm Tip ");
    QCOMPARE(bench.LastText(), "File Name check failed!");
    QCOMPARE(window.RunState(), "Waiting for selecting file ...");
    QVERIFY(!bench.Enabled("Search Device"));

    // Bytes over one second in kilobytes per second.
    QCOMPARE(kestrel::flash::ui::SpeedText(2'500'000, 1000), "2,500");
    QCOMPARE(kestrel::flash::ui::SpeedText(51'200, 500), "102");
}

void UpgradeWindowTest::nineteenRowsMakeTwoPages() {
    Bench bench(19);
    UpgradeWindow& window = *bench.window;
    window.OpenImage(bench.Image(4096));
    window.PressSearch();
    QTRY_COMPARE_WITH_TIMEOUT(window.PageText(), "1/2", kSearchMs);
    QCOMPARE(window.RunState(), "Search [19] devices");
    QCOMPARE(window.List()->rowCount(), 18);

    window.PressPrevious();
    QCOMPARE(window.PageText(), "1/2");
    window.PressNext();
    QCOMPARE(window.PageText(), "2/2");
    QCOMPARE(window.List()->rowCount(), 1);
    QCOMPARE(window.List()->item(0, kestrel::flash::ui::kColumnIp)->text().toStdString(),
             window.Fleet().Row(18).ip);
    window.PressNext();
    QCOMPARE(window.PageText(), "2/2");
    window.PressFirst();
    QCOMPARE(window.PageText(), "1/2");
    QCOMPARE(window.List()->rowCount(), 18);
}

void UpgradeWindowTest::searchFailuresLeaveTheWindowUsable() {
    // Nobody answers on the port of a fleet that has stopped.
    Bench bench(1);
    bench.fleet->Stop();
    UpgradeWindow& window = *bench.window;
    window.OpenImage(bench.Image(4096));
    window.PressSearch();
    QCOMPARE(window.RunState(), "Searching device ...");
    QVERIFY(!bench.Enabled("Search Device") && !bench.Enabled("Select All"));
    QTRY_COMPARE_WITH_TIMEOUT(bench.shown.size(), size_t{1}, kSearchMs);
    QCOMPARE(bench.shown[0].title, "Warm Tip ");
    QVERIFY(bench.LastText().startsWith("Device search failed"));
    QCOMPARE(window.RunState(), "Search [0] devices");
    QVERIFY(bench.Enabled("Search Device") && !bench.Enabled("Select All"));

    // The search port taken by a socket that does not share it.
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress("127.0.0.1"), bench.fleet->UdpPort(),
                        QAbstractSocket::DontShareAddress));
    window.PressSearch();
    QTRY_COMPARE_WITH_TIMEOUT(bench.shown.size(), size_t{2}, kSearchMs);
    QCOMPARE(bench.LastText(), "socket bind failed, Socket address in use\n");
    QVERIFY(bench.Enabled("Search Device"));
}

void UpgradeWindowTest::uploadsToTheEndEnableTheButtonsAgain() {
    kestrel::sim::FlashRecorderConfig ending;
    ending.verdict = kestrel::sim::FlashVerdict::kUploadEnd;
    Bench bench(2, ending, [](int index, kestrel::sim::FlashRecorderConfig& recorder) {
        recorder.busy = index == 1;
    });
    UpgradeWindow& window = *bench.window;
    window.OpenImage(bench.Image(5000));
    window.PressSearch();
    QTRY_COMPARE_WITH_TIMEOUT(window.List()->rowCount(), 2, kSearchMs);
    window.PressSelectAll();
    QTRY_VERIFY(bench.Enabled("Upgrade"));
    window.PressUpgrade();
    QVERIFY(!bench.Enabled("Browse") && !bench.Enabled("Search Device"));
    QTRY_VERIFY_WITH_TIMEOUT(bench.Enabled("Browse") && bench.Enabled("Search Device"), kSearchMs);
    QCOMPARE(window.Fleet().RunningCount(), -1);

    // The list shows what the workers wrote, each row in its colour.
    for (int line = 0; line < 2; ++line) {
        const bool busy = window.Fleet().Row(line).busy;
        QTableWidgetItem* state = window.List()->item(line, kestrel::flash::ui::kColumnState);
        QCOMPARE(state->text(), busy ? "Upgrade Failed" : "Upload succeeded");
        QCOMPARE(state->foreground().color(), busy ? QColor(Qt::red) : QColor(0, 0, 0x7D));
    }
    QVERIFY(bench.shown.empty());
}

void UpgradeWindowTest::runningRowKeepsItsTickAndClosingAsks() {
    kestrel::sim::FlashRecorderConfig silent;
    silent.silent = true;  // takes the request and never answers: the upload stays open
    Bench bench(1, silent);
    UpgradeWindow& window = *bench.window;
    window.OpenImage(bench.Image(4096));
    window.PressSearch();
    QTRY_COMPARE_WITH_TIMEOUT(window.List()->rowCount(), 1, kSearchMs);
    window.PressSelectAll();
    QTRY_VERIFY(bench.Enabled("Upgrade"));
    window.PressUpgrade();
    QCOMPARE(window.Fleet().RunningCount(), 1);

    window.PressAntiSelectAll();
    QCOMPARE(bench.shown.back().title, "Warm Tip ");
    QCOMPARE(bench.LastText(), "Sorry, can not anti-select the device which is upgrading!");
    QVERIFY(window.Fleet().Row(0).ticked);
    QTableWidgetItem* box = window.List()->item(0, kestrel::flash::ui::kColumnIp);
    box->setCheckState(Qt::Unchecked);  // as a click on the box
    QCOMPARE(bench.LastText(), "Upgrading, Please waiting ...");
    QCOMPARE(box->checkState(), Qt::Checked);

    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(bench.shown.back().question, true);
    QCOMPARE(bench.LastText(),
             "Device is upgrading,upgrading will stop if close the window, close window?");
    bench.answer = true;
    QVERIFY(window.close());
    QVERIFY(window.Fleet().WaitIdle(5000));
}

void UpgradeWindowTest::secondStartRaisesTheFirst() {
    const QString name =
        QStringLiteral("kestrel-flash-test-%1").arg(QCoreApplication::applicationPid());
    // A name left by a crash (here a plain file) is taken over.
    QFile stale(QDir(QDir::tempPath()).filePath(name));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance first(name);
    QCOMPARE(first.Claim(), SingleInstance::Role::kFirst);
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);

    // The second blocks while it asks, so it runs beside this event loop.
    SingleInstance::Role role = SingleInstance::Role::kFirst;
    std::thread second([&] { role = SingleInstance(name).Claim(); });
    QTRY_COMPARE(raised.count(), 1);
    second.join();
    QCOMPARE(role, SingleInstance::Role::kSecond);
}

void UpgradeWindowTest::programFollowsItsOptions() {
    kestrel::sim::FlashRecorderConfig ending;
    ending.verdict = kestrel::sim::FlashVerdict::kUploadEnd;
    Bench bench(1, ending);
    const QString screenshot = bench.folder.filePath("window.png");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        "KESTREL_FLASH_INSTANCE",
        QStringLiteral("kestrel-flash-test-run-%1").arg(QCoreApplication::applicationPid()));
    auto run = [&](const QStringList& arguments) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(KESTREL_FLASH_PROGRAM, arguments);
        return program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit
                   ? program.exitCode()
                   : -1;
    };
    QCOMPARE(run({"--quit-after", "soon"}), 2);
    QCOMPARE(run({"--host", "localhost"}), 2);  // an address, never a name
    QCOMPARE(run({"--search"}), 2);

    QCOMPARE(run({"--open", bench.Image(3000), "--host", "127.0.0.1", "--search", "--upgrade-all",
                  "--screenshot", screenshot, "--quit-after", "4000"}),
             0);
    QVERIFY(!QImage(screenshot).isNull());
    QCOMPARE(bench.fleet->Recorder(0).UploadsCompleted(), uint64_t{1});
}

QTEST_MAIN(UpgradeWindowTest)
#include "upgrade_window_test.moc"
