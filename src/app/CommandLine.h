#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "app/Tavelo2App.h"

namespace tavelo {

// The program's command line: --simulate, --usb-id VID:PID (repeatable), --help, --version.
class CommandLine {
public:
    enum class Outcome {
        Start,    // the options are filled in
        Help,     // print HelpText() and end
        Version,  // print VersionText() and end
        Error,    // print ErrorText() and the help, end with a usage error
    };

    CommandLine();

    // `arguments` starts with the program's name, as QCoreApplication::arguments() does.
    Outcome Parse(const QStringList& arguments, StartOptions& options);

    QString HelpText() const { return m_parser.helpText(); }
    QString VersionText() const;
    QString ErrorText() const { return m_error; }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_simulate;
    QCommandLineOption m_usbId;
    QString m_error;
};

}  // namespace tavelo
