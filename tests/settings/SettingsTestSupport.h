#pragma once

// The frame and the view over a simulated camera, with every message box and file dialog
// answered by the test.

#include <QAction>
#include <QApplication>
#include <QtTest>
#include <memory>

#include "app/AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/MainStatusBar.h"
#include "device/SimulatedBackend.h"
#include "image/CLead.h"
#include "image/Tavelo2View.h"
#include "res/Prompts.h"
#include "settings/ModalDriver.h"

namespace tavelo::test {

struct SettingsApp {
    SimulatedBackend camera;
    std::unique_ptr<CMainFrame> frame;
    CTavelo2View* view = nullptr;
    PromptRecorder prompts;
    QString fileAnswer;  // what the file dialog answers

    SettingsApp() {
        SetFileHandler([this](const FilePrompt&) { return fileAnswer; });
        frame = std::make_unique<CMainFrame>(camera);
        frame->OnCreate();
        view = new CTavelo2View(frame.get());
        frame->SetActiveView(view);
        view->OnInitialUpdate(frame.get());
        frame->resize(900, 700);
        frame->show();
        frame->OnTimer(CMainFrame::TIMER_CHECK);  // the first connection check: ready
    }
    ~SettingsApp() {
        frame.reset();
        SetFileHandler({});
    }
    SettingsApp(const SettingsApp&) = delete;
    SettingsApp& operator=(const SettingsApp&) = delete;

    void Capture(int mode = 3, int rotation = 0) {
        camera.Camera().GetState().captureMode = mode;
        camera.Camera().GetState().rotation = rotation;
        view->OnCapture();
    }
    // A command as the menu gives it: through the action, which runs only while enabled.
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
    QString Status() { return frame->m_wndStatusBar->GetPaneText(CMainFrame::PANE_MESSAGE); }
};

}  // namespace tavelo::test
