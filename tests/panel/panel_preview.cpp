// Shows the remote control panel over a simulated camera, to look at it on a screen:
//   panel_preview [lamp video negative blackWhite pointer gamma rotation]
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "device/DeviceLink.h"
#include "device/SimulatedBackend.h"
#include "panel/RemoteDlg.h"
#include "panel/RemoteOwner.h"
#include "ui/ReportingLink.h"

namespace {

class PreviewHost : public tavelo::LinkFeedback, public tavelo::RemoteOwner {
public:
    int ReportError(int code) override {
        std::fprintf(stderr, "error %d\n", code);
        return 1;
    }
    bool IsNotReady() const override { return false; }
    void CloseRemote() override {
        if (panel) {
            panel->PostClose();
        }
    }
    void ForgetRemote() override {
        panel = nullptr;
        QApplication::quit();
    }
    QWidget* RemoteParent() override { return &window; }

    QWidget window;
    tavelo::CRemoteDlg* panel = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tavelo::SimulatedBackend backend;
    auto& state = backend.Camera().GetState();
    int* fields[] = {&state.lamp,    &state.videoSource, &state.negative, &state.blackWhite,
                     &state.pointer, &state.gamma,       &state.rotation};
    for (int i = 1; i < argc && i <= 7; ++i) {
        *fields[i - 1] = std::atoi(argv[i]);
    }
    PreviewHost host;
    tavelo::DeviceLink link(backend);
    tavelo::ReportingLink reporting(link, host);
    host.panel = new tavelo::CRemoteDlg(reporting, host);
    host.panel->Create();
    return app.exec();
}
