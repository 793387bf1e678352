#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "app/Tavelo2App.h"

namespace tavelo {

// The program's command line: --simulate, --scene chart|desk, --usb-id VID:PID (repeatable),
// --help, --help-all,
// --version, and the window system's own options, which pass through to it. It is read
// before any window system is reached, so help, the version and a usage error need no
// display.
class CommandLine {
public:
    enum class Outcome {
        Start,    // the options are filled in
        Help,     // print HelpText() and end
        Version,  // print VersionText() and end
        Error,    // print ErrorText() and end with a usage error
    };

    CommandLine();

    // `arguments` starts with the program's name, as argv does.
    Outcome Parse(const QStringList& arguments, StartOptions& options);

    // After Help: with --help-all, the window system's options too.
    QString HelpText() const;
    QString VersionText() const;
    QString ErrorText() const { return m_error; }

private:
    QCommandLineParser m_parser;
    QString m_error;
    bool m_bHelpAll = false;
};

}  // namespace tavelo
