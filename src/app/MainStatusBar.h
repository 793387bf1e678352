#pragma once

#include <QStatusBar>
#include <span>
#include <vector>

class QLabel;
class QProgressBar;

namespace tavelo {

// The frame's status bar: five panes (message, zoom, progress, date, time) and a progress
// control that always covers pane 2.
class CMainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // The progress control counts picture rows; a 768-row picture fills it exactly.
    static constexpr int PROGRESS_RANGE = 768;
    // Blank space a pane keeps on each side of its text.
    static constexpr int PANE_MARGIN = 4;

    explicit CMainStatusBar(QWidget* parent = nullptr);
    ~CMainStatusBar() override;

    // Creation: the progress control with its range, position and step.
    int OnCreate();

    // One pane per id; 0 is a separator. Other panes start as wide as their sizing string.
    bool SetIndicators(std::span<const int> ids);
    int GetCount() const { return static_cast<int>(m_panes.size()); }

    // `width` is the width of the pane's text area in pixels.
    void GetPaneInfo(int index, int& id, int& style, int& width) const;
    void SetPaneInfo(int index, int id, int style, int width);
    QString GetPaneText(int index) const;
    void SetPaneText(int index, const QString& text);
    // Paints the pane now (and whatever else of the window is waiting to be painted).
    void RepaintPane(int index);
    // Where the pane lies in the status bar.
    QRect GetItemRect(int index) const;

    // Width in pixels of a text in the status bar's font.
    int GetTextWidth(const QString& text) const;

    // Puts the progress control onto pane 2's rectangle (after pane widths change).
    void MoveProgressToPane();
    // Pixels of the progress control's width its position fills.
    int ProgressLength() const;

    QProgressBar* m_wndProgress = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;  // OnSize
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Pane {
        int id = 0;
        int style = 0;
        int width = 0;
        QLabel* label = nullptr;
    };
    void ApplyWidth(const Pane& pane);

    std::vector<Pane> m_panes;
};

}  // namespace tavelo
