#include <QApplication>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Tavelo2App.h"
#include "res/Version.h"

int main(int argc, char** argv) {
    tavelo::CTavelo2App app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavelo"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tavelo::PRODUCT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavelo"));

    tavelo::CommandLine commandLine;
    tavelo::StartOptions options;
    switch (commandLine.Parse(QCoreApplication::arguments(), options)) {
        case tavelo::CommandLine::Outcome::Start:
            break;
        case tavelo::CommandLine::Outcome::Help:
            std::fputs(qPrintable(commandLine.HelpText()), stdout);
            return 0;
        case tavelo::CommandLine::Outcome::Version:
            std::printf("%s\n", qPrintable(commandLine.VersionText()));
            return 0;
        case tavelo::CommandLine::Outcome::Error:
            std::fprintf(stderr, "tavelo: %s\n\n%s", qPrintable(commandLine.ErrorText()),
                         qPrintable(commandLine.HelpText()));
            return 1;
    }
    if (!app.InitInstance(options)) {
        return app.ExitCode();
    }
    return app.Run();
}
