#pragma once

// The frame and the view over a simulated camera, built as the application builds them and
// past the first connection check, with every message box and file dialog answered by the
// test.

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

struct ViewApp {
    SimulatedBackend camera;
    std::unique_ptr<CMainFrame> frame;
    CTavelo2View* view = nullptr;
    PromptRecorder prompts;
    QList<FilePrompt> fileDialogs;  // what the file dialog was asked
    QString fileAnswer;             // and what it answers

    ViewApp() {
        SetFileHandler([this](const FilePrompt& prompt) {
            fileDialogs.append(prompt);
            return fileAnswer;
        });
        frame = std::make_unique<CMainFrame>(camera);
        frame->OnCreate();
        view = new CTavelo2View(frame.get());
        frame->SetActiveView(view);
        view->OnInitialUpdate(frame.get());
        frame->resize(900, 700);
        frame->show();
        frame->OnTimer(CMainFrame::TIMER_CHECK);  // the first connection check: ready
    }
    ~ViewApp() {
        frame.reset();
        SetFileHandler({});
    }
    ViewApp(const ViewApp&) = delete;
    ViewApp& operator=(const ViewApp&) = delete;

    void Capture(int mode = 3, int rotation = 0) {
        camera.Camera().GetState().captureMode = mode;
        camera.Camera().GetState().rotation = rotation;
        view->OnCapture();
    }
    // A command as the menu or its accelerator gives it: through the action, which runs only
    // while enabled.
    void Command(int id) {
        frame->UpdateCommandUI();
        frame->Commands().Action(id)->trigger();
    }
    bool CommandEnabled(int id) {
        frame->UpdateCommandUI();
        return frame->Commands().Action(id)->isEnabled();
    }
    CLead& Lead() { return *view->m_lead; }
    QImage Picture() { return Lead().Engine().Image(); }
    QString Pane(int pane) { return frame->m_wndStatusBar->GetPaneText(pane); }
    QString Status() { return Pane(CMainFrame::PANE_MESSAGE); }
    bool MenuEnabled(int pos) { return frame->menuBar()->actions().value(pos)->isEnabled(); }
};

}  // namespace tavelo::test
