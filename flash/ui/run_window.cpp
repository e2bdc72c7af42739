#include "run_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>

#include "single_instance.h"
#include "upgrade_window.h"

namespace kestrel::flash {

namespace {

using ui::kWindowTitle;
using ui::SingleInstance;
using ui::UpgradeWindow;

constexpr char kUsage[] =
    "Usage: KestrelFlash [--open FILE] [--host ADDR] [--search] [--upgrade-all]\n"
    "                    [--screenshot FILE.png --quit-after MS]\n";
constexpr int kUpgradeWaitMs = 10000;

struct WindowOptions {
    QString open;
    QString host;
    bool search = false;
    bool upgradeAll = false;
    QString screenshot;
    int quitAfterMs = -1;  // -1: run until closed
    bool help = false;
};

// An empty text when the arguments are good.
QString ParseOptions(const QStringList& arguments, WindowOptions* options) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        const bool takesValue = option == "--open" || option == "--host" ||
                                option == "--screenshot" || option == "--quit-after";
        if (takesValue && i + 1 >= arguments.size()) {
            return option + " needs a value";
        }
        const QString value = takesValue ? arguments[++i] : QString();
        if (option == "--open") {
            options->open = QFileInfo(value).absoluteFilePath();
        } else if (option == "--host") {
            // An address, never a name to resolve.
            if (QHostAddress(value).protocol() != QAbstractSocket::IPv4Protocol) {
                return "--host needs an IPv4 address, not " + value;
            }
            options->host = value;
        } else if (option == "--search") {
            options->search = true;
        } else if (option == "--upgrade-all") {
            options->upgradeAll = true;
        } else if (option == "--screenshot") {
            options->screenshot = value;
        } else if (option == "--quit-after") {
            bool number = false;
            options->quitAfterMs = value.toInt(&number);
            if (!number || options->quitAfterMs < 0) {
                return "--quit-after needs a number of milliseconds, not " + value;
            }
        } else if (option == "--help" || option == "-h") {
            options->help = true;
        } else {
            return "unknown option " + option;
        }
    }
    if (options->search && options->open.isEmpty()) {
        return "--search needs --open";
    }
    if (options->upgradeAll && !options->search) {
        return "--upgrade-all needs --search";
    }
    if (!options->screenshot.isEmpty() && options->quitAfterMs < 0) {
        return "--screenshot needs --quit-after";
    }
    return {};
}

void ApplyLook(QApplication& application) {
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    application.setPalette(application.style()->standardPalette());
    QFont font = application.font();
    // The full-width colons of the captions and the Chinese message need a
    // CJK face behind the Latin one.
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    application.setFont(font);
}

// Presses "Upgrade" as soon as the timer has looked at the new ticks.
void PressUpgradeWhenReady(UpgradeWindow* window) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll, waited = 0]() mutable {
        waited += poll->interval();
        if (window->Button(QStringLiteral("Upgrade"))->isEnabled() || waited >= kUpgradeWaitMs) {
            window->PressUpgrade();
            poll->deleteLater();
        }
    });
    poll->start(100);
}

}  // namespace

int RunUpgradeWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestrelFlash"));
    QApplication::setApplicationVersion(QStringLiteral(KESTREL_FLASH_VERSION));

    WindowOptions options;
    const QString error = ParseOptions(QApplication::arguments().mid(1), &options);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "KestrelFlash: %s\n%s", qPrintable(error), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    ApplyLook(application);

    // Tests and demos that run beside an operator's window use their own name.
    const QString instanceName = qEnvironmentVariable("KESTREL_FLASH_INSTANCE");
    SingleInstance instance(instanceName.isEmpty() ? SingleInstance::DefaultName() : instanceName);
    switch (instance.Claim()) {
        case SingleInstance::Role::kFirst:
            break;
        case SingleInstance::Role::kSecond:
            return 0;
        case SingleInstance::Role::kUnreachable:
            QMessageBox::warning(
                nullptr, QString::fromLatin1(kWindowTitle),
                QStringLiteral("There is a upgrading application which is running."));
            return 1;
    }

    UpgradeWindow window;
    QObject::connect(&instance, &SingleInstance::RaiseRequested, &window,
                     &UpgradeWindow::BringToFront);
    QObject::connect(&window, &QDialog::finished, &application, &QCoreApplication::quit);
    window.show();

    if (!options.host.isEmpty()) {
        window.ChooseHost(options.host);
    }
    if (options.upgradeAll) {
        QObject::connect(&window, &UpgradeWindow::SearchFinished, &window, [&window](int found) {
            if (found > 0) {
                window.PressSelectAll();
                PressUpgradeWhenReady(&window);
            }
        });
    }
    QTimer::singleShot(0, &window, [&window, &options] {
        if (!options.open.isEmpty()) {
            window.OpenImage(options.open);
        }
        if (options.search) {
            window.PressSearch();
        }
    });

    int status = 0;
    if (options.quitAfterMs >= 0) {
        QTimer::singleShot(options.quitAfterMs, &window, [&window, &options, &status] {
            if (!options.screenshot.isEmpty()) {
                if (window.grab().save(options.screenshot, "PNG")) {
                    std::printf("screenshot: %s\n", qPrintable(options.screenshot));
                    std::fflush(stdout);
                } else {
                    std::fprintf(stderr, "KestrelFlash: cannot write %s\n",
                                 qPrintable(options.screenshot));
                    status = 1;
                }
            }
            window.done(QDialog::Rejected);  // quits without asking
        });
    }
    const int loopStatus = QApplication::exec();
    return status != 0 ? status : loopStatus;
}

}  // namespace kestrel::flash
