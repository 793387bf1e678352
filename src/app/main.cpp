#include <signal.h>

#include <QApplication>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Tavelo2App.h"
#include "res/Version.h"

int main(int argc, char** argv) {
    // Under a file-size limit a write past it fails instead of killing the application,
    // which then says the save failed, as on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("tavelo"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tavelo::PRODUCT_VERSION));

    // The command line is read before the window system is reached: help, the version and a
    // usage error work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    tavelo::CommandLine commandLine;
    tavelo::StartOptions options;
    switch (commandLine.Parse(arguments, options)) {
        case tavelo::CommandLine::Outcome::Start:
            break;
        case tavelo::CommandLine::Outcome::Help: {
            const QCoreApplication named(argc, argv);  // the usage line names the program
            std::fputs(qPrintable(commandLine.HelpText()), stdout);
            return 0;
        }
        case tavelo::CommandLine::Outcome::Version:
            std::printf("%s\n", qPrintable(commandLine.VersionText()));
            return 0;
        case tavelo::CommandLine::Outcome::Error:
            std::fprintf(stderr, "tavelo: %s Try \"tavelo --help\".\n",
                         qPrintable(commandLine.ErrorText()));
            return 1;
    }

    tavelo::CTavelo2App app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(TAVELO_APP_ID));
    if (!app.InitInstance(options)) {
        return app.ExitCode();
    }
    return app.Run();
}
