// KestrelView: the client program for networked video recorders.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "CDvrExeApp.h"
#include "command_line.h"
#include "theme.h"

#ifndef KESTREL_VERSION
#define KESTREL_VERSION "0"
#endif

int main(int argc, char** argv) {
    using namespace kestrel::app;
    const ParseResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "KestrelView: %s\n%s", parsed.error.c_str(), UsageText());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("KestrelView %s\n", KESTREL_VERSION);
        return 0;
    }
    std::string password;
    std::string error;
    if (!ReadPassword(parsed.options, &password, &error)) {
        std::fprintf(stderr, "KestrelView: %s\n", error.c_str());
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestrelView"));
    kestrel::widgets::Theme::Apply(application);
    return CDvrExeApp::Run(parsed.options, password);
}
