// The program as an operator or a script starts it: bad arguments end with a
// message and status 2 before any window; --connect logs in by itself, and a
// login that cannot succeed ends --quit-after with a non-zero status.
#include <QProcess>
#include <QtTest>

#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

struct Run {
    int status = -1;
    QString output;  // stdout and stderr
};

Run RunProgram(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationDirPath() + "/KestrelView", arguments);
    Run run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.status = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(5000);
    }
    run.output = QString::fromLocal8Bit(process.readAll());
    return run;
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT

private slots:
    void BadArgumentsEndWithStatusTwo();
    void ConnectLogsInAndScreenshotIsWritten();
    void RefusedLoginEndsWithFailureStatus();
};

void AppTest::BadArgumentsEndWithStatusTwo() {
    UiFixture fixture;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString missing = QString::fromStdString(fixture.HomeFolder()) + "no-such-file";
    const QList<QStringList> bad = {
        {"--connect", "127.0.0.1:5000"},  // no user
        {"--connect", "admin@"},
        {"--connect", "admin@127.0.0.1:70000"},
        {"--connect", "ninechars@127.0.0.1:5000"},  // longer than a user ID
        {"--layout", "5"},
        {"--stream", "hd"},
        {"--page", "nowhere"},
        {"--play-row", "0"},
        {"--settings-page", "nowhere"},
        {"--quit-after"},
        {"--password", "secret"},  // passwords never come as arguments
        {"--connect", "admin@127.0.0.1:5000", "--password-file", missing},
    };
    for (const QStringList& arguments : bad) {
        const Run run = RunProgram(arguments, environment);
        QVERIFY2(run.status == 2, qPrintable(arguments.join(' ') + " -> " + run.output));
        QVERIFY2(run.output.startsWith("KestrelView: "), qPrintable(run.output));
    }
    QCOMPARE(RunProgram({"--help"}, environment).status, 0);
    QVERIFY(RunProgram({"--version"}, environment).output.startsWith("KestrelView "));
}

void AppTest::ConnectLogsInAndScreenshotIsWritten() {
    UiFixture fixture;
    QVERIFY(fixture.StartRecorder(RecorderWithChannels(4)));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTREL_PASSWORD", "admin");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const QString shot = QString::fromStdString(fixture.HomeFolder()) + "live.png";
    const Run run = RunProgram(
        {"--connect", QStringLiteral("admin@127.0.0.1:%1").arg(fixture.Recorder().CommandPort()),
         "--layout", "1", "--screenshot", shot, "--quit-after", "4"},
        environment);
    QVERIFY2(run.status == 0, qPrintable(run.output));
    const QImage image(shot);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 800);
    // The login happened on the recorder's side with the file's password.
    QVERIFY(fixture.Recorder().Observed().AcceptedConnections() > 0);
}

void AppTest::RefusedLoginEndsWithFailureStatus() {
    UiFixture fixture;
    sim::RecorderConfig config;
    config.faults.refuse_connections = true;
    QVERIFY(fixture.StartRecorder(config));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTREL_PASSWORD", "admin");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const Run run = RunProgram(
        {"--connect", QStringLiteral("admin@127.0.0.1:%1").arg(fixture.Recorder().CommandPort()),
         "--quit-after", "3"},
        environment);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.output.contains("not logged in"), qPrintable(run.output));
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::AppTest)
#include "app_test.moc"
