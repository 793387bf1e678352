#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;

namespace tavelo {

class CTavelo2View;

// The small row above the page list: "Find the page" and the look of the document pages,
// the sitting's options, which the view keeps in the user's settings. The same choices as
// actions, for the list's context menu (Shift+F10 or the menu key from the keyboard).
class CPagesHeader : public QWidget {
    Q_OBJECT
public:
    CPagesHeader(CTavelo2View& view, QWidget* parent = nullptr);

    QList<QAction*> Actions() const { return m_actions; }

private:
    void Show();  // the widgets and actions say what the sitting's options are
    void SetFindPage(bool on);
    void SetLook(int look);

    CTavelo2View& m_view;
    QCheckBox* m_findPage = nullptr;
    QComboBox* m_look = nullptr;
    QAction* m_findAction = nullptr;
    QList<QAction*> m_lookActions;
    QList<QAction*> m_actions;
};

}  // namespace tavelo
