#pragma once

#include <QDockWidget>

class QListView;

namespace tavelo {

class CMainFrame;
class CTavelo2View;

// "Pages": the thumbnails of the sitting beside the view, with Capture to Series at the
// top. Hidden until the first page; a click shows a page, a double click or Enter shows it
// and opens it in the page editor, Delete removes the selected ones, Ctrl+Up and Ctrl+Down
// (or a drag) move the current one.
class CPagesDock : public QDockWidget {
    Q_OBJECT
public:
    // Docks itself at the frame's right and takes the Pages command of the Window menu.
    CPagesDock(CMainFrame& frame, CTavelo2View& view);

    QListView* List() const { return m_pList; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditPage(int row);
    void DeleteSelected();
    void MoveCurrent(int step);

    CTavelo2View& m_view;
    QListView* m_pList = nullptr;
    bool m_bShownOnce = false;
};

}  // namespace tavelo
