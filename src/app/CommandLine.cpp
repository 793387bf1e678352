#include "app/CommandLine.h"

#include <QCoreApplication>
#include <algorithm>

namespace tavelo {

namespace {

const QString kSimulate = QStringLiteral("simulate");
const QString kUsbId = QStringLiteral("usb-id");
const QString kScene = QStringLiteral("scene");

// The options the window system's start-up takes from the command line itself; they are
// accepted here so that they reach it, and only --help-all lists them.
struct WindowSystemOption {
    const char* name;
    const char* valueName;  // null: a switch
    const char* description;
};
constexpr WindowSystemOption kWindowSystemOptions[] = {
    {"platform", "name", "The window system plugin: xcb, wayland, offscreen, ..."},
    {"platformpluginpath", "path", "A further folder to load window system plugins from."},
    {"platformtheme", "theme", "The desktop theme plugin."},
    {"plugin", "plugin", "An input plugin to load."},
    {"qwindowgeometry", "geometry", "The main window's geometry, as X11 writes it."},
    {"qwindowicon", "icon", "The main window's icon."},
    {"qwindowtitle", "title", "The main window's title."},
    {"reverse", nullptr, "Lays the window out right to left."},
    {"session", "id", "The desktop session to restore."},
    {"display", "display", "X11 only: the X server to use."},
    {"geometry", "geometry", "X11 only: the main window's geometry."},
    {"style", "style", "The widget style."},
    {"stylesheet", "file", "A style sheet for the widgets."},
    {"widgetcount", nullptr, "Prints how many widgets are left at the end."},
    {"qmljsdebugger", "port", "Not used by Tavelo; accepted as every Qt program does."},
};

void AddOptions(QCommandLineParser& parser, bool windowSystemShown) {
    parser.setApplicationDescription(
        QStringLiteral("Still pictures and remote control for a USB document camera."));
    // The window system's options are written with one dash ("-platform xcb").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        kSimulate, QStringLiteral("Work on a simulated camera instead of the one on USB.")));
    parser.addOption(QCommandLineOption(
        kScene,
        QStringLiteral("What the simulated camera shows: chart (a test page, the default) or "
                       "desk (pages of a sample document lying on a desk)."),
        QStringLiteral("chart|desk"), QStringLiteral("chart")));
    parser.addOption(QCommandLineOption(
        kUsbId,
        QStringLiteral("Also take the USB device with these ids (hex, as lsusb shows them) "
                       "for the camera; for a model the udev rules do not list yet. "
                       "May be given more than once."),
        QStringLiteral("VID:PID")));
    for (const WindowSystemOption& option : kWindowSystemOptions) {
        QCommandLineOption added(QString::fromLatin1(option.name),
                                 QString::fromLatin1(option.description));
        if (option.valueName != nullptr) {
            added.setValueName(QString::fromLatin1(option.valueName));
        }
        if (!windowSystemShown) {
            added.setFlags(QCommandLineOption::HiddenFromHelp);
        }
        parser.addOption(added);
    }
}

}  // namespace

CommandLine::CommandLine() {
    AddOptions(m_parser, false);
}

CommandLine::Outcome CommandLine::Parse(const QStringList& arguments, StartOptions& options) {
    m_error.clear();
    m_bHelpAll = false;
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return Outcome::Error;
    }
    m_bHelpAll = m_parser.isSet(QStringLiteral("help-all"));
    if (m_parser.isSet(QStringLiteral("help")) || m_bHelpAll) {
        return Outcome::Help;
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        return Outcome::Version;
    }
    // All or nothing: a camera named wrongly is never half taken.
    std::vector<UsbId> ids;
    for (const QString& text : m_parser.values(kUsbId)) {
        UsbId id;
        if (!ParseUsbId(text.toStdString(), id)) {
            m_error = QStringLiteral(
                          "--usb-id takes VID:PID, the device's vendor and product id "
                          "in hex as lsusb shows them (1234:abcd), not \"%1\".")
                          .arg(text);
            return Outcome::Error;
        }
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            ids.push_back(id);
        }
    }
    const QString scene = m_parser.value(kScene);
    if (scene != QLatin1String("chart") && scene != QLatin1String("desk")) {
        m_error = QStringLiteral("--scene takes chart or desk, not \"%1\".").arg(scene);
        return Outcome::Error;
    }
    options.simulate = m_parser.isSet(kSimulate);
    options.deskScene = scene == QLatin1String("desk");
    options.usbIds = std::move(ids);
    return Outcome::Start;
}

QString CommandLine::HelpText() const {
    if (!m_bHelpAll) {
        return m_parser.helpText();
    }
    QCommandLineParser all;
    AddOptions(all, true);
    return all.helpText();
}

QString CommandLine::VersionText() const {
    return QCoreApplication::applicationName() + QLatin1Char(' ') +
           QCoreApplication::applicationVersion();
}

}  // namespace tavelo
