#pragma once

#include <QByteArray>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "device/DeviceLink.h"
#include "device/SimulatedBackend.h"
#include "panel/RemoteDlg.h"
#include "panel/RemoteOwner.h"
#include "res/ErrorCode.h"
#include "ui/ReportingLink.h"

namespace tavelo::test {

// Stands in for the main frame and the view around a panel: records the messages the link
// shows (through the frame's ReportingLink), closes the panel as the view does (a queued
// close), and forgets it when told.
class PanelHost : public LinkFeedback, public RemoteOwner {
public:
    int ReportError(int code) override {
        errors.push_back(code);
        if (onError) {
            onError(code);
        }
        return 1;
    }
    bool IsNotReady() const override { return notReady; }
    void CloseRemote() override {
        ++closeRemoteCalls;
        if (panel) {
            panel->PostClose();
        }
    }

    void ForgetRemote() override {
        ++forgetCalls;
        panel = nullptr;
    }
    QWidget* RemoteParent() override { return &window; }

    QWidget window;
    CRemoteDlg* panel = nullptr;
    bool notReady = false;
    std::vector<int> errors;
    std::function<void(int)> onError;  // runs inside ReportError, as a modal box would
    int closeRemoteCalls = 0;
    int forgetCalls = 0;
};

// The commands written to the camera, and every transfer in order: "W:<text>" for a
// command packet, "R" for a reply read.
inline QStringList CommandsOnWire(const SimulatedBackend& backend) {
    QStringList commands;
    for (const auto& event : backend.Wire()) {
        if (event.pipe == "PIPE00" && event.write) {
            commands << QString::fromLatin1(
                QByteArray(reinterpret_cast<const char*>(event.bytes.data()),
                           static_cast<qsizetype>(event.bytes.size()))
                    .left(static_cast<qsizetype>(
                        qstrnlen(reinterpret_cast<const char*>(event.bytes.data()),
                                 static_cast<uint>(event.bytes.size())))));
        }
    }
    return commands;
}

inline QStringList TransfersOnWire(const SimulatedBackend& backend) {
    QStringList transfers;
    const QStringList commands = CommandsOnWire(backend);
    int next = 0;
    for (const auto& event : backend.Wire()) {
        if (event.pipe == "PIPE00" && event.write) {
            transfers << QStringLiteral("W:") + commands.at(next++);
        } else if (event.pipe == "PIPE01" && !event.write) {
            transfers << QStringLiteral("R");
        }
    }
    return transfers;
}

}  // namespace tavelo::test
