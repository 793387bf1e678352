#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QRectF>
#include <QVariant>
#include <cstdint>
#include <optional>

#include "picture/PictureEngine.h"
#include "picture/ViewPainter.h"

class QLabel;

namespace tavelo {

class MemoryBlock;

// The imaging control: holds one picture (in a PictureEngine), paints the visible part of
// it at the zoom factor or scaled into the window, scrolls, and offers the property and
// method set the view and the sharpness preview use. Methods return 16-bit codes, 0 for
// success; properties are plain setters and getters.
class CLead : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr short kZoomModeFit = 1;     // whole picture scaled into the window
    static constexpr short kZoomModeFactor = 4;  // picture painted at the zoom factor

    explicit CLead(QWidget* parent = nullptr);
    ~CLead() override;

    // Window and painting.
    void SetAutoSize(bool enable);  // TRUE: the window takes the painted picture's size
    bool GetAutoSize() const { return m_bAutoSize; }
    void SetAppearance(short appearance);  // 0 flat, 1 sunken three-dimensional edge
    short GetAppearance() const { return m_nAppearance; }
    void SetBorderStyle(short style);  // 0 no border, 1 a fixed single border
    short GetBorderStyle() const { return m_nBorderStyle; }
    void SetAutoRedraw(bool enable);  // FALSE: nothing is painted anew until TRUE
    bool GetAutoRedraw() const { return m_bAutoRedraw; }
    std::int16_t Redraw();  // paints now (when automatic repaint is on)

    // Fixed properties: stored and readable, with no effect on painting.
    void SetFlag5(bool value) { m_bFlag5 = value; }
    bool GetFlag5() const { return m_bFlag5; }
    void SetFlag20(bool value) { m_bFlag20 = value; }
    bool GetFlag20() const { return m_bFlag20; }
    void SetFlag57(bool value) { m_bFlag57 = value; }
    bool GetFlag57() const { return m_bFlag57; }
    void SetValue6(short value) { m_nValue6 = value; }
    short GetValue6() const { return m_nValue6; }
    void SetValue19(short value) { m_nValue19 = value; }
    short GetValue19() const { return m_nValue19; }

    // The picture.
    void SetPictureHandle(long handle);  // 0 releases the picture; nothing else is a handle
    long GetPictureHandle() const { return m_engine.HasPicture() ? 1 : 0; }
    float GetPictureWidth() const { return static_cast<float>(m_engine.Width()); }
    float GetPictureHeight() const { return static_cast<float>(m_engine.Height()); }
    short GetPictureBits() const { return static_cast<short>(m_engine.Bits()); }
    void SetTextItem(short index, const QVariant& value);
    QString GetTextItem(short index) const { return m_engine.TextItem(index); }

    // Zoom and the display rectangle (viewport coordinates of the painted picture).
    void SetZoomMode(short mode);  // kZoomModeFit or kZoomModeFactor; others are ignored
    short GetZoomMode() const { return m_nZoomMode; }
    float GetZoomPercent() const { return m_fZoom; }
    // Keeps the picture point at the window's centre in place; factors <= 0 are ignored.
    void SetZoomPercent(float percent);
    float GetViewLeft() const { return static_cast<float>(m_view.left()); }
    float GetViewTop() const { return static_cast<float>(m_view.top()); }
    float GetViewWidth() const { return static_cast<float>(m_view.width()); }
    float GetViewHeight() const { return static_cast<float>(m_view.height()); }
    // A places the picture into the rectangle (its width sets the zoom factor); B limits
    // painting to the rectangle until the next zoom, scroll or picture change.
    std::int16_t SetViewRectA(float left, float top, float width, float height);
    std::int16_t SetViewRectB(float left, float top, float width, float height);

    // Methods on the picture.
    std::int16_t LoadMemory(const MemoryBlock& block, short bits, short page, long size);
    std::int16_t LoadFile(const QString& path, short bits, short page, short flags);
    std::int16_t SaveFile(const QString& path, short format, short bits, short qFactor,
                          short flags);
    std::int16_t ConvertBits(short bits, short colorResolution, short dither, short palette);
    std::int16_t Rotate(long hundredths, bool resize, long fill);
    std::int16_t Resize(float width, float height, short flags);
    std::int16_t Sharpen(short amount);

    // A heading and a few sentences shown in the middle of the window while it holds no
    // picture (what is wrong with the camera, say). Two empty texts show nothing.
    void SetNotice(const QString& heading, const QString& text);
    QString NoticeHeading() const { return m_noticeHeading; }
    QString NoticeText() const { return m_noticeText; }
    bool IsNoticeShown() const;
    // While held, the notice waits unseen (another window stands where it would show).
    void HoldNotice(bool hold);

    const PictureEngine& Engine() const { return m_engine; }
    // Frames rendered since construction: what tests read to see that painting happened.
    int RenderCount() const { return m_nRenderCount; }
    // Renders the current view into `frame` (viewport-sized), as a paint does.
    void RenderFrame(QImage& frame);

Q_SIGNALS:
    // Ctrl and the wheel asked for this many zoom steps, in whole notches, positive to
    // enlarge. The owner zooms by its own commands, which know their limits.
    void zoomStepsRequested(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // The wheel with Ctrl zooms; dragging with the left button pans a larger picture.
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PictureChanged();             // after a load or a transformation
    void LayoutView(bool keepCentre);  // display rectangle from mode and zoom
    void ClampView();                  // no empty margin when the picture is larger
    void SyncScrollBars();
    // The window left beside the scroll bars that a painted picture of this size needs.
    QSize PortFor(const QSize& painted) const;
    void Changed();  // repaint if automatic repaint is on
    QSizeF ViewportSize() const;
    bool CanPan() const;  // the painted picture is larger than the window
    void UpdateNotice();  // shown only over an empty window, centred in it

    PictureEngine m_engine;
    ViewPainter m_painter;
    QImage m_band;  // a few window rows at a time, on their way to the window
    QRectF m_view;
    std::optional<QRectF> m_clip;
    float m_fZoom = 100.0f;
    short m_nZoomMode = kZoomModeFactor;
    bool m_bAutoRedraw = true;
    bool m_bAutoSize = false;
    short m_nAppearance = 0;
    short m_nBorderStyle = 0;
    bool m_bFlag5 = false;
    bool m_bFlag20 = false;
    bool m_bFlag57 = false;
    short m_nValue6 = 0;
    short m_nValue19 = 0;
    bool m_bSyncing = false;
    int m_nRenderCount = 0;
    QLabel* m_pNotice = nullptr;  // made on the first notice
    QString m_noticeHeading;
    QString m_noticeText;
    bool m_bNoticeHeld = false;
    std::optional<QPoint> m_dragFrom;  // where a panning drag started, in the window
    QPoint m_dragScroll;               // the scroll bars' values then
    int m_nWheelZoom = 0;              // Ctrl+wheel eighths of a degree not yet a whole notch
};

}  // namespace tavelo
