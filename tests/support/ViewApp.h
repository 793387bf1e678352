#pragma once

// The frame and the view, put together by the application's own AssembleMainWindow, with
// every message box and file dialog answered by the test.

#include <QAction>
#include <QList>
#include <QMenuBar>
#include <memory>

#include "app/AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/MainStatusBar.h"
#include "device/SimulatedBackend.h"
#include "ui/CLead.h"
#include "ui/Prompts.h"
#include "view/Tavelo2View.h"

namespace tavelo::test {

// The frame and its view over `backend`, not shown yet.
struct FrameRig {
    PromptRecorder prompts;
    QList<FilePrompt> fileDialogs;  // what the file dialog was asked
    QString fileAnswer;             // and what it answers
    std::unique_ptr<CMainFrame> frame;
    CTavelo2View* view = nullptr;

    explicit FrameRig(DeviceBackend& backend) {
        SetFileHandler([this](const FilePrompt& prompt) {
            fileDialogs.append(prompt);
            return fileAnswer;
        });
        FrameAndView assembled = AssembleMainWindow(backend);
        frame = std::move(assembled.frame);
        view = assembled.view;
    }
    ~FrameRig() {
        frame.reset();
        SetFileHandler({});
    }
    FrameRig(const FrameRig&) = delete;
    FrameRig& operator=(const FrameRig&) = delete;

    // Shown, and past the first connection check.
    void ShowReady() {
        frame->resize(900, 700);
        frame->show();
        frame->OnTimer(CMainFrame::TIMER_CHECK);
    }

    // A command's action, brought up to date first.
    QAction* Action(int id) {
        frame->UpdateCommandUI();
        return frame->Commands().Action(id);
    }
    // A command as the menu or its accelerator gives it: through the action, which runs only
    // while enabled. False when it was disabled.
    bool Command(int id) {
        QAction* action = Action(id);
        if (!action->isEnabled()) {
            return false;
        }
        action->trigger();
        return true;
    }
    bool CommandEnabled(int id) { return Action(id)->isEnabled(); }
    CLead& Lead() { return *view->m_lead; }
    QImage Picture() { return Lead().Engine().Image(); }
    QString Pane(int pane) { return frame->m_wndStatusBar->GetPaneText(pane); }
    QString Status() { return Pane(CMainFrame::PANE_MESSAGE); }
    bool MenuEnabled(int pos) { return frame->menuBar()->actions().value(pos)->isEnabled(); }
};

// A simulated camera, made before the frame that uses it and gone after it.
struct SimulatedCameraFirst {
    // The wire is kept, so that a test can read what the frame and the panel sent.
    SimulatedBackend camera{SimulatedBackend::WireLog::Kept};
};

// The frame and the view over a simulated camera, shown and ready.
struct ViewApp : SimulatedCameraFirst, FrameRig {
    ViewApp() : FrameRig(camera) { ShowReady(); }

    void Capture(int mode = 3, int rotation = 0) {
        camera.Camera().GetState().captureMode = mode;
        camera.Camera().GetState().rotation = rotation;
        view->OnCapture();
    }
};

}  // namespace tavelo::test
