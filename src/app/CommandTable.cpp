#include "app/CommandTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QWidget>

#include "res/Icons.h"
#include "res/Menus.h"
#include "res/Strings.h"

namespace tavelo {
namespace {

// Greyed items are highlighted like the others, so the pointer or the arrow keys on one show
// its prompt in the message pane (choosing it still does nothing).
class MenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == QStyle::SH_Menu_AllowActiveAndDisabled) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

}  // namespace

CommandTable::CommandTable(QWidget* window) : QObject(window), m_pWindow(window) {
    for (const TopMenu& menu : MainMenu()) {
        for (const MenuItem& item : menu.items) {
            if (item.id != 0) {
                Create(item.id, QString::fromLatin1(item.text));
            }
        }
    }
    for (int id : MainToolbar()) {
        if (id != 0 && Action(id) == nullptr) {
            Create(id, CommandTip(id));
        }
    }
    for (const Accelerator& accel : MainAccelerators()) {
        QAction* action = Action(accel.id);
        if (action == nullptr) {
            action = Create(accel.id, CommandTip(accel.id));
        }
        // A command's further keys come after its first, which menus and tips name.
        action->setShortcuts(action->shortcuts() << QKeySequence(QString::fromLatin1(accel.keys)));
    }
}

QAction* CommandTable::Create(int id, const QString& text) {
    auto* action = new QAction(text, m_pWindow);
    action->setData(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    action->setToolTip(CommandTip(id));
    action->setIcon(CommandIcon(id));
    action->setIconVisibleInMenu(false);
    // The keys work from every window of the program that no modal dialog blocks, the
    // floating remote control panel too; none of them is a key the panel uses itself.
    action->setShortcutContext(Qt::ApplicationShortcut);
    // Until a handler is registered the command does nothing, so it shows as disabled.
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    // Accelerators work with a top-level menu greyed, as the commands' own state decides.
    m_pWindow->addAction(action);
    m_actions.emplace(id, action);
    return action;
}

QAction* CommandTable::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CommandTable::BuildMenuBar(QMenuBar* menuBar) {
    auto* style = new MenuStyle;
    style->setParent(menuBar);
    for (const TopMenu& top : MainMenu()) {
        QMenu* menu = menuBar->addMenu(QString::fromLatin1(top.title));
        menu->setStyle(style);
        for (const MenuItem& item : top.items) {
            if (item.id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(Action(item.id));
            }
        }
        connect(menu, &QMenu::aboutToShow, this, &CommandTable::UpdateAll);
        connect(menu, &QMenu::hovered, this, [this](QAction* action) {
            Q_EMIT MenuItemSelected(
                action->isSeparator() || action->menu() != nullptr ? 0 : action->data().toInt());
        });
        connect(menu, &QMenu::aboutToHide, this, &CommandTable::MenuTrackingEnded);
    }
}

void CommandTable::SetCommandHandler(int id, ViewHost::CommandHandler handler) {
    if (handler) {
        m_handlers[id] = std::move(handler);
    } else {
        m_handlers.erase(id);
    }
    if (QAction* action = Action(id)) {
        Update(id, action);
    }
}

void CommandTable::SetUpdateHandler(int id, ViewHost::UpdateHandler handler) {
    if (handler) {
        m_updates[id] = std::move(handler);
    } else {
        m_updates.erase(id);
    }
    if (QAction* action = Action(id)) {
        Update(id, action);
    }
}

bool CommandTable::Run(int id) {
    QAction* action = Action(id);
    if (action != nullptr) {
        Update(id, action);
        if (!action->isEnabled()) {
            return false;
        }
    }
    const auto it = m_handlers.find(id);
    if (it == m_handlers.end()) {
        return false;
    }
    // A copy: the handler may replace itself while it runs.
    const ViewHost::CommandHandler handler = it->second;
    handler();
    UpdateAll();
    return true;
}

void CommandTable::UpdateAll() {
    for (const auto& [id, action] : m_actions) {
        Update(id, action);
    }
}

void CommandTable::Update(int id, QAction* action) {
    CommandState state;
    state.enabled = m_handlers.count(id) != 0;
    if (state.enabled) {
        const auto it = m_updates.find(id);
        if (it != m_updates.end()) {
            it->second(state);
        }
    }
    action->setEnabled(state.enabled);
    action->setCheckable(state.checkable);
    action->setChecked(state.checkable && state.checked);
}

}  // namespace tavelo
