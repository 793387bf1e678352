#include "app/CommandLine.h"

#include <QCoreApplication>
#include <algorithm>

namespace tavelo {

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption()),
      m_version(m_parser.addVersionOption()),
      m_simulate(QStringLiteral("simulate"),
                 QStringLiteral("Work on a simulated camera instead of the one on USB.")),
      m_usbId(QStringLiteral("usb-id"),
              QStringLiteral("Also take the USB device with these ids (hex, as lsusb shows them) "
                             "for the camera; for a model the udev rules do not list yet. "
                             "May be given more than once."),
              QStringLiteral("VID:PID")) {
    m_parser.setApplicationDescription(
        QStringLiteral("Still pictures and remote control for a USB document camera."));
    m_parser.addOption(m_simulate);
    m_parser.addOption(m_usbId);
}

CommandLine::Outcome CommandLine::Parse(const QStringList& arguments, StartOptions& options) {
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return Outcome::Error;
    }
    // --help-all comes with the help option; Qt's own options are not ours to list.
    if (m_parser.isSet(m_help) || m_parser.isSet(QStringLiteral("help-all"))) {
        return Outcome::Help;
    }
    if (m_parser.isSet(m_version)) {
        return Outcome::Version;
    }
    // All or nothing: a camera named wrongly is never half taken.
    std::vector<UsbId> ids;
    for (const QString& text : m_parser.values(m_usbId)) {
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
    options.simulate = m_parser.isSet(m_simulate);
    options.usbIds = std::move(ids);
    return Outcome::Start;
}

QString CommandLine::VersionText() const {
    return QCoreApplication::applicationName() + QLatin1Char(' ') +
           QCoreApplication::applicationVersion();
}

}  // namespace tavelo
