#pragma once

#include <QObject>
#include <map>

#include "ui/ViewHost.h"

class QAction;
class QMenuBar;
class QWidget;

namespace tavelo {

// Every command of the menu bar, accelerators and toolbar as one QAction under its id, with
// the handlers that run it and the update handlers that enable and check it.
class CommandTable : public QObject {
    Q_OBJECT
public:
    // Creates the actions and binds their accelerators to `window`.
    explicit CommandTable(QWidget* window);

    // The action of a command id, or nullptr.
    QAction* Action(int id) const;

    // Fills the menu bar from menu 128.
    void BuildMenuBar(QMenuBar* menuBar);

    void SetCommandHandler(int id, ViewHost::CommandHandler handler);
    void SetUpdateHandler(int id, ViewHost::UpdateHandler handler);

    // Runs a command's handler; false if it has none or is disabled.
    bool Run(int id);

    // Asks every update handler for its command's state.
    void UpdateAll();

Q_SIGNALS:
    // A menu item is highlighted (its id; 0 for separators and pop-ups).
    void MenuItemSelected(int id);
    // Menu tracking ended.
    void MenuTrackingEnded();

private:
    QAction* Create(int id, const QString& text);
    void Update(int id, QAction* action);

    QWidget* m_pWindow;
    std::map<int, QAction*> m_actions;
    std::map<int, ViewHost::CommandHandler> m_handlers;
    std::map<int, ViewHost::UpdateHandler> m_updates;
};

}  // namespace tavelo
