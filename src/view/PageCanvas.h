#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "pages/PageCorners.h"

namespace tavelo {

// Whether the corners, in their order (top-left, top-right, bottom-right, bottom-left as
// shown), make a quadrilateral that does not fold over: every turn along it goes the same
// way, clockwise as shown.
bool IsConvexOutline(const PageCorners& corners);

// A page's picture fitted into the widget with the sheet's outline over it and a handle at
// each corner. A handle is dragged with the mouse, or with the keyboard: Tab and Shift+Tab
// go from corner to corner (then on to the next control), the arrow keys move the focused
// corner by one pixel of the screen, with Shift by ten. Corners stay inside the picture, and
// a move that would fold the outline over is refused.
class PageCanvas : public QWidget {
    Q_OBJECT
public:
    explicit PageCanvas(QWidget* parent = nullptr);

    // The picture as it is to be shown and the corners in its pixels.
    void SetPicture(const QImage& picture, const PageCorners& corners);
    void SetCorners(const PageCorners& corners);
    const PageCorners& Corners() const { return m_corners; }
    QSize PictureSize() const { return m_picture.size(); }

    // The corner the keyboard moves, 0..3.
    int FocusedCorner() const { return m_nFocused; }
    // Moves corner `index` to `to`, held inside the picture; false, and nothing moved, when
    // the outline would fold over.
    bool MoveCorner(int index, QPointF to);

    // Where a point of the picture is in the widget, and back.
    QPointF ToWidget(QPointF p) const;
    QPointF ToPicture(QPointF p) const;
    // Widget pixels per picture pixel.
    double Scale() const;

    QSize sizeHint() const override { return {480, 400}; }
    QSize minimumSizeHint() const override { return {160, 140}; }

Q_SIGNALS:
    // A corner was moved by the user (not by SetCorners or SetPicture).
    void cornersChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QRectF PictureRect() const;
    int CornerAt(QPointF widgetPoint) const;
    void Focus(int index);
    void Describe();

    QImage m_picture;
    QPixmap m_scaled;  // the picture at the size it is drawn, made again when that changes
    PageCorners m_corners{};
    int m_nFocused = 0;
    int m_nDragged = -1;
};

}  // namespace tavelo
