#pragma once

// The frame and the view as the application assembles them, on the simulated camera, shown
// at 900 x 700 and past the first connection check: what the benchmarks that drive commands
// through the window share.

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "app/MainFrame.h"
#include "device/SimulatedBackend.h"
#include "ui/CLead.h"
#include "view/Tavelo2View.h"

namespace tavelo::bench {

struct AppRig {
    SimulatedBackend camera;
    std::unique_ptr<CMainFrame> frame;
    CTavelo2View* view = nullptr;

    // `captureMode` 3 gives 1280 x 1024 pictures, 2 gives 1280 x 768 ones shown at 960 x 768.
    explicit AppRig(int captureMode = 3) {
        FrameAndView assembled = AssembleMainWindow(camera);
        frame = std::move(assembled.frame);
        view = assembled.view;
        frame->resize(900, 700);
        frame->show();
        frame->OnTimer(CMainFrame::TIMER_CHECK);
        camera.Camera().GetState().captureMode = captureMode;
        ShowExposed(*frame);
    }
    AppRig(const AppRig&) = delete;
    AppRig& operator=(const AppRig&) = delete;

    // What the event loop would do next without the user: pending paints and queued calls.
    static void Settle() { QCoreApplication::sendPostedEvents(); }

    // A window paints only once the window system has exposed it.
    static void ShowExposed(QWidget& window) {
        window.show();
        for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed());
             ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QCoreApplication::processEvents();
    }

    CLead& Lead() { return *view->m_lead; }
};

}  // namespace tavelo::bench
