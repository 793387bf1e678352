#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "device/CameraLink.h"

class QWidget;

namespace tavelo {

// Enabled and checked state of one command, filled in by its update handler.
struct CommandState {
    bool enabled = true;
    bool checkable = false;  // set by SetCheck; commands that never check stay plain
    bool checked = false;

    void Enable(bool enable) { enabled = enable; }
    void SetCheck(bool check) {
        checkable = true;
        checked = check;
    }
};

// What the view, the remote control panel and the dialogs ask of the main frame, so that
// nothing below app/ includes it. Its link transfers show their own messages, as the frame
// decides (ReportingLink).
class ViewHost : public CameraLink {
public:
    using CommandHandler = std::function<void()>;
    using UpdateHandler = std::function<void(CommandState&)>;

    // User feedback.
    virtual void SetStatusText(int id) = 0;              // message pane shows string `id` at once
    virtual void ShowZoom(float percent) = 0;            // zoom pane; negative clears it
    virtual void EnableTopMenu(int pos, int flags) = 0;  // 3 greys, 0 enables a top menu
    virtual int ReportError(int code) = 0;               // modal warning of an error code
    virtual void SetProgressPos(int pos) = 0;            // progress control in the status bar
    virtual void EnableMainWindow(bool enable) = 0;      // no input during a transfer
    // The message pane shows `text` for `ms` milliseconds, then the idle text again.
    virtual void ShowMessageFor(const QString& text, int ms) {
        Q_UNUSED(text);
        Q_UNUSED(ms);
    }

    // Command routing by id. A command without a handler is disabled; one without an update
    // handler is enabled and unchecked. Setting an empty handler removes it.
    virtual void SetCommandHandler(int id, CommandHandler handler) = 0;
    virtual void SetUpdateHandler(int id, UpdateHandler handler) = 0;
    // Runs every update handler now (menus and toolbar also update on their own).
    virtual void UpdateCommandUI() = 0;
    // Runs a command as its menu item would: false if it has no handler or is disabled.
    virtual bool RunCommand(int id) = 0;

    // The main window, as parent of dialogs and panels.
    virtual QWidget* MainWindow() = 0;

protected:
    ~ViewHost() = default;
};

}  // namespace tavelo
