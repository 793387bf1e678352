#include "view/CameraNotice.h"

namespace tavelo {

namespace {

using Kind = CameraDiagnosis::Kind;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// "f055:7a01 at usb:1-2", or whichever of the two is known.
QString Which(const CameraDiagnosis& d) {
    if (d.usbId.empty()) {
        return Q(d.device);
    }
    if (d.device.empty()) {
        return Q(d.usbId);
    }
    return Q(d.usbId) + QStringLiteral(" at ") + Q(d.device);
}

// " (f055:7a01 at usb:1-2)" after a noun, or nothing.
QString Aside(const QString& text) {
    return text.isEmpty() ? QString() : QStringLiteral(" (") + text + QStringLiteral(")");
}

// The ids for a command line; a placeholder when they are not known.
QString Ids(const CameraDiagnosis& d) {
    return d.usbId.empty() ? QStringLiteral("VID:PID") : Q(d.usbId);
}

CameraNotice RealCamera(const CameraDiagnosis& d, bool ready) {
    switch (d.kind) {
        case Kind::Reachable:
            if (ready) {
                return {};
            }
            return {QStringLiteral("Camera found"),
                    QStringLiteral("It is being connected; this takes a second.")};
        case Kind::NoDevice:
            return {QStringLiteral("No camera found"),
                    QStringLiteral(
                        "Plug the camera in and switch it on. If it is connected, its USB ids "
                        "are not known yet: find it with \"tavelo-cli devices --all\" and add it "
                        "with \"tavelo-cli udev-rule VID:PID --install\".")};
        case Kind::NoPermission:
            if (d.markedByRule) {
                return {QStringLiteral("The camera may not be opened"),
                        QStringLiteral("The camera%1 has its udev rule, but the rule is not "
                                       "in force for it yet. Run \"sudo udevadm control "
                                       "--reload-rules\" and \"sudo udevadm trigger\", or plug "
                                       "the camera in again.")
                            .arg(Aside(Which(d)))};
            }
            return {QStringLiteral("The camera may not be opened"),
                    QStringLiteral("The camera%1 is connected, but no udev rule lets you "
                                   "open it. Run \"tavelo-cli udev-rule %2 --install\", then "
                                   "plug the camera in again.")
                        .arg(Aside(Which(d)), Ids(d))};
        case Kind::Busy:
            return {QStringLiteral("The camera is in use"),
                    QStringLiteral("Another program holds the camera%1. Close that program, "
                                   "then plug the camera in again.")
                        .arg(Aside(Which(d)))};
        case Kind::NotTheCamera:
            return {QStringLiteral("This device is not the camera"),
                    QStringLiteral("The device%1 was taken for the camera, but it lacks the "
                                   "camera's interface. Check the ids given with --usb-id or in "
                                   "the udev rule; \"tavelo-cli devices --all\" lists the "
                                   "candidates.")
                        .arg(Aside(Which(d)))};
        case Kind::UsbUnavailable:
            return {QStringLiteral("USB cannot be used"),
                    QStringLiteral("No camera can be reached%1. In a container or sandbox, "
                                   "give Tavelo access to /dev/bus/usb.")
                        .arg(d.detail.empty() ? QString() : QStringLiteral(": ") + Q(d.detail))};
        case Kind::Failed:
            break;
    }
    return {QStringLiteral("The camera cannot be opened"),
            QStringLiteral("The camera%1 is connected but cannot be used%2. Plug it in "
                           "again; \"tavelo-cli devices\" tells more.")
                .arg(Aside(Which(d)), Aside(Q(d.detail)))};
}

}  // namespace

CameraNotice NoticeOf(const CameraDiagnosis& diagnosis, bool ready) {
    if (!diagnosis.simulated) {
        return RealCamera(diagnosis, ready);
    }
    // So that nobody takes the model for the camera, even while it is ready.
    const QString real = QStringLiteral(" To use a real camera, start tavelo without --simulate.");
    const CameraNotice fault = RealCamera(diagnosis, ready);
    if (fault.IsEmpty()) {
        return {
            QStringLiteral("Simulated camera"),
            QStringLiteral("Pictures come from a model inside Tavelo, not from a device.") + real};
    }
    return {QStringLiteral("Simulated camera"),
            fault.heading + QStringLiteral(". ") + fault.text + real};
}

}  // namespace tavelo
