#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/SingleInstance.h"
#include "app/WindowPlacement.h"
#include "device/UsbBackend.h"

class QApplication;

namespace tavelo {

class CMainFrame;
class CSplashDlg;
class CTavelo2Doc;
class CTavelo2View;
class DeviceBackend;
class DeviceSession;

// How the program was started.
struct StartOptions {
    bool simulate = false;      // --simulate: the simulated camera
    std::vector<UsbId> usbIds;  // --usb-id: further USB devices taken for the camera
    bool deskScene = false;     // --scene desk: the simulated camera shows pages on a desk
    unsigned showCmd = SW_SHOWNORMAL;
    bool splash = true;     // show the start-up picture
    QString lockDirectory;  // the shared lock's folder; empty: the system temporary folder
};

// The application: one copy per user, the settings store, the document, frame and view,
// the start-up picture and the about box.
class CTavelo2App : public QObject {
    Q_OBJECT
public:
    static constexpr int SPLASH_MS = 3000;

    // Creates the QApplication; the other constructor uses the one that exists.
    CTavelo2App(int& argc, char** argv);
    CTavelo2App();
    ~CTavelo2App() override;

    // False ends the program at once; ExitCode() then says how.
    bool InitInstance(const StartOptions& options);
    int ExitCode() const { return m_nExitCode; }
    int Run();

    // The start-up picture's idle check: true while it waits for more idle time.
    bool OnIdle(int count);

    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    CTavelo2View* View() const { return m_pView; }
    DeviceBackend* Backend() const;
    // The camera and the news of its coming and going; null before InitInstance made it.
    DeviceSession* Devices() const { return m_pDevices.get(); }
    bool IsSplashShown() const;

protected:
    // PreTranslateMessage: a key or mouse-button press ends the start-up picture.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpSplashTimer();
    void CloseSplash();
    void ScheduleIdleCheck();
    void OnDeviceChange();

    std::unique_ptr<QApplication> m_pOwnApp;
    SingleInstance m_instance;
    std::unique_ptr<DeviceSession> m_pDevices;
    std::unique_ptr<CTavelo2Doc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
    CTavelo2View* m_pView = nullptr;
    QPointer<CSplashDlg> m_splash;
    QElapsedTimer m_dwSplashStart;
    QTimer m_splashTimer;
    int m_nExitCode = 0;
};

}  // namespace tavelo
