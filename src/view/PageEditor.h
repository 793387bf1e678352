#pragma once

#include <QDialog>
#include <functional>

#include "pages/DocumentPage.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tavelo {

class PageCanvas;
class Sitting;
class StraightPreview;

// "Edit Page": the page's picture as turned, with the sheet's outline and its four handles on
// the left and the straightened page it gives on the right, made again as a handle moves.
// Reset puts back the outline the finder found, Whole picture takes the whole picture as the
// page; the page turns by quarter turns and takes a look of its own. OK makes all of it one
// step of the sitting's history; Cancel (or Escape) changes nothing.
class PageEditor : public QDialog {
    Q_OBJECT
public:
    PageEditor(Sitting& sitting, int row, QWidget* parent = nullptr);

    // False when the page's picture could not be read: there is nothing to edit.
    bool HasPicture() const { return !m_picture.isNull(); }

    PageCanvas* Canvas() const { return m_pCanvas; }
    // What OK would make of the page: the outline in the picture before its turns, the
    // page's own look (-1: the sitting's) and its quarter turns to the right, 0..3.
    const PageOutline& Outline() const { return m_outline; }
    int Look() const;
    int Turns() const { return m_nTurns; }
    // The straightened page last made, fitted into the preview's room.
    const QImage& Preview() const { return m_preview; }
    // The number of the latest preview shown and of the latest asked for.
    quint64 PreviewShown() const { return m_nShown; }
    quint64 PreviewAsked() const { return m_nAsked; }

    void Reset();
    void TakeWholePicture();
    void Turn(int steps);  // to the right; negative to the left

    // Writes the edit into the sitting as one "Edit Page" step; nothing when nothing changed.
    bool Apply();

    // The size it was left at is remembered for the next time.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowOutline();  // the canvas from the outline and the turns
    void TakeCanvasCorners();
    void AskPreview();
    void ShowPreview(const QImage& preview, quint64 number);
    QImage ThumbnailSource() const;

    Sitting& m_sitting;
    int m_nRow;
    QImage m_picture;  // the page before its turns
    PageOutline m_found;
    bool m_bFoundKnown = false;
    PageOutline m_outline;
    int m_nTurns = 0;
    PageCanvas* m_pCanvas = nullptr;
    QLabel* m_pPreview = nullptr;
    QLabel* m_pNote = nullptr;
    QComboBox* m_pLook = nullptr;
    StraightPreview* m_pMaker = nullptr;
    QImage m_preview;
    quint64 m_nAsked = 0;
    quint64 m_nShown = 0;
};

// Opens the editor on page `row` and writes what the user accepts into the sitting. False on
// Cancel, when nothing could be edited or nothing was written.
bool EditPageInDialog(Sitting& sitting, int row, QWidget* parent);

// Tests: the editor is handed to `handler` instead of being run as a modal dialog; what the
// handler does to it (pressing OK or Escape) decides as the user would. Empty: run it.
using PageEditorHandler = std::function<void(PageEditor&)>;
void SetPageEditorHandler(PageEditorHandler handler);

}  // namespace tavelo
