#include <QApplication>
#include <QCommandLineParser>

#include "app/Tavelo2App.h"
#include "res/Version.h"

int main(int argc, char** argv) {
    tavelo::CTavelo2App app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavelo"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tavelo::PRODUCT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavelo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Still pictures and remote control for a USB document camera."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Work on a simulated camera instead of the one on USB."));
    parser.addOption(simulate);
    parser.process(QCoreApplication::arguments());

    tavelo::StartOptions options;
    options.simulate = parser.isSet(simulate);
    if (!app.InitInstance(options)) {
        return app.ExitCode();
    }
    return app.Run();
}
