#include "ui/CLead.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "device/MemoryBlock.h"
#include "picture/ImageLimits.h"
#include "picture/PictureResult.h"

namespace tavelo {

namespace {
// Window rows painted through the band at a time: a band of a wide window still fits the
// processor's cache while it is written and read again.
constexpr int kBandRows = 32;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// Room between the notice and the window's edges, and its widest line, in average characters.
constexpr int kNoticeMargin = 16;
constexpr int kNoticeColumns = 60;
// A hyphen that never ends a line.
constexpr QChar kNoBreakHyphen(0x2011);
}  // namespace

CLead::CLead(QWidget* parent) : QAbstractScrollArea(parent) {
    // Every paint covers the whole viewport, so Qt need not clear it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    SetBorderStyle(0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

CLead::~CLead() = default;

void CLead::SetAutoSize(bool enable) {
    m_bAutoSize = enable;
    if (enable && m_engine.HasPicture()) {
        const int fw = 2 * frameWidth();
        resize(ViewPainter::PaintedPixels(m_view.width()) + fw,
               ViewPainter::PaintedPixels(m_view.height()) + fw);
    }
}

void CLead::SetAppearance(short appearance) {
    m_nAppearance = appearance;
    SetBorderStyle(m_nBorderStyle);
}

void CLead::SetBorderStyle(short style) {
    m_nBorderStyle = style;
    if (style == 0) {
        setFrameStyle(QFrame::NoFrame);
    } else if (m_nAppearance == 0) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
}

void CLead::SetAutoRedraw(bool enable) {
    m_bAutoRedraw = enable;
    if (enable) {
        SyncScrollBars();
        viewport()->update();
    }
}

std::int16_t CLead::Redraw() {
    if (m_bAutoRedraw) {
        viewport()->repaint();
    }
    return PIC_OK;
}

void CLead::SetPictureHandle(long handle) {
    if (handle == 0) {
        m_engine.Release();
        PictureChanged();
    }
}

void CLead::SetTextItem(short index, const QVariant& value) {
    m_engine.SetTextItem(index, value.toString());
}

void CLead::SetZoomMode(short mode) {
    if (mode != kZoomModeFit && mode != kZoomModeFactor) {
        return;
    }
    m_nZoomMode = mode;
    const Qt::ScrollBarPolicy policy =
        mode == kZoomModeFit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    m_clip.reset();
    LayoutView(true);
    Changed();
}

void CLead::SetZoomPercent(float percent) {
    if (!(percent > 0.0f)) {
        return;  // zero, negative and NaN factors
    }
    m_fZoom = static_cast<float>(std::clamp<double>(percent, kMinZoomPercent, kMaxZoomPercent));
    m_clip.reset();
    LayoutView(true);
    Changed();
}

std::int16_t CLead::SetViewRectA(float left, float top, float width, float height) {
    if (!(width > 0.0f) || !(height > 0.0f) || !std::isfinite(left) || !std::isfinite(top)) {
        return PIC_BAD_ARGUMENT;
    }
    if (m_engine.HasPicture()) {
        const double zoom = 100.0 * width / m_engine.Width();
        if (zoom < kMinZoomPercent || zoom > kMaxZoomPercent) {
            return PIC_BAD_ARGUMENT;
        }
        m_fZoom = static_cast<float>(zoom);
    }
    m_view = QRectF(left, top, width, height);
    m_clip.reset();
    SyncScrollBars();
    Changed();
    return PIC_OK;
}

std::int16_t CLead::SetViewRectB(float left, float top, float width, float height) {
    if (!(width > 0.0f) || !(height > 0.0f) || !std::isfinite(left) || !std::isfinite(top)) {
        return PIC_BAD_ARGUMENT;
    }
    m_clip = QRectF(left, top, width, height);
    Changed();
    return PIC_OK;
}

std::int16_t CLead::LoadMemory(const MemoryBlock& block, short bits, short page, long size) {
    if (size < 0) {
        return PIC_BAD_ARGUMENT;
    }
    const std::int16_t result =
        m_engine.LoadMemory(block, bits, page, static_cast<std::size_t>(size));
    if (result == PIC_OK) {
        PictureChanged();
    }
    return result;
}

std::int16_t CLead::LoadFile(const QString& path, short bits, short page, short flags) {
    const std::int16_t result = m_engine.LoadFile(path, bits, page, flags);
    if (result == PIC_OK) {
        PictureChanged();
    }
    return result;
}

std::int16_t CLead::SaveFile(const QString& path, short format, short bits, short qFactor,
                             short flags) {
    return m_engine.SaveFile(path, format, bits, qFactor, flags);
}

std::int16_t CLead::ConvertBits(short bits, short colorResolution, short dither, short palette) {
    const std::int16_t result = m_engine.ConvertBits(bits, colorResolution, dither, palette);
    if (result == PIC_OK) {
        PictureChanged();
    }
    return result;
}

std::int16_t CLead::Rotate(long hundredths, bool resize, long fill) {
    const long turn = hundredths % 36000;  // a long angle may not fit an int
    const std::int16_t result =
        m_engine.Rotate(static_cast<int>(turn), resize, static_cast<std::uint32_t>(fill));
    if (result == PIC_OK) {
        PictureChanged();
    }
    return result;
}

std::int16_t CLead::Resize(float width, float height, short flags) {
    if (!(width >= 1.0f) || !(height >= 1.0f) || width > kMaxPictureSide ||
        height > kMaxPictureSide) {
        return PIC_BAD_ARGUMENT;
    }
    const std::int16_t result = m_engine.Resize(static_cast<int>(std::lround(width)),
                                                static_cast<int>(std::lround(height)), flags);
    if (result == PIC_OK) {
        PictureChanged();
    }
    return result;
}

std::int16_t CLead::Sharpen(short amount) {
    const std::int16_t result = m_engine.Sharpen(amount);
    if (result == PIC_OK) {
        Changed();
    }
    return result;
}

void CLead::PictureChanged() {
    m_clip.reset();
    LayoutView(false);
    UpdateNotice();
    if (m_bAutoSize) {
        SetAutoSize(true);
    }
    Changed();
}

QSizeF CLead::ViewportSize() const {
    return QSizeF(viewport()->width(), viewport()->height());
}

void CLead::LayoutView(bool keepCentre) {
    const QSizeF port = ViewportSize();
    if (!m_engine.HasPicture()) {
        m_view = QRectF();
        SyncScrollBars();
        return;
    }
    const double pw = m_engine.Width();
    const double ph = m_engine.Height();
    if (m_nZoomMode == kZoomModeFit) {
        m_view = QRectF(0, 0, port.width(), port.height());
        SyncScrollBars();
        return;
    }
    const double w = pw * m_fZoom / 100.0;
    const double h = ph * m_fZoom / 100.0;
    double left = m_view.left();
    double top = m_view.top();
    if (keepCentre && m_view.width() > 0 && m_view.height() > 0) {
        // The picture point under the window's centre stays there.
        const double u = (port.width() / 2 - m_view.left()) / m_view.width();
        const double v = (port.height() / 2 - m_view.top()) / m_view.height();
        left = port.width() / 2 - u * w;
        top = port.height() / 2 - v * h;
    }
    m_view = QRectF(left, top, w, h);
    ClampView();
    SyncScrollBars();
}

void CLead::ClampView() {
    const QSizeF port = ViewportSize();
    auto clamp = [](double pos, double size, double window) {
        const int painted = ViewPainter::PaintedPixels(size);
        if (painted <= window) {
            return 0.0;  // a picture that fits sits at the top-left corner
        }
        return std::clamp(pos, window - painted, 0.0);
    };
    if (m_nZoomMode == kZoomModeFactor && m_view.width() > 0) {
        m_view.moveLeft(clamp(m_view.left(), m_view.width(), port.width()));
        m_view.moveTop(clamp(m_view.top(), m_view.height(), port.height()));
    }
}

void CLead::SyncScrollBars() {
    const bool scrolling = m_nZoomMode == kZoomModeFactor && m_engine.HasPicture();
    const int width = scrolling ? ViewPainter::PaintedPixels(m_view.width()) : 0;
    const int height = scrolling ? ViewPainter::PaintedPixels(m_view.height()) : 0;
    const QSize port = PortFor(QSize(width, height));
    m_bSyncing = true;
    auto sync = [](QScrollBar* bar, double pos, int size, int window) {
        const int range = std::max(0, size - window);
        bar->setRange(0, range);
        bar->setPageStep(std::max(1, window));
        bar->setSingleStep(20);
        bar->setValue(std::clamp(static_cast<int>(std::lround(-pos)), 0, range));
    };
    sync(horizontalScrollBar(), m_view.left(), width, port.width());
    sync(verticalScrollBar(), m_view.top(), height, port.height());
    m_bSyncing = false;
    // The hand says that the picture can be dragged.
    if (m_dragFrom) {
        return;
    }
    if (CanPan()) {
        viewport()->setCursor(Qt::OpenHandCursor);
    } else {
        viewport()->unsetCursor();
    }
}

QSize CLead::PortFor(const QSize& painted) const {
    // Decided on the whole area, not on what the bars shown now leave of it: else a bar up
    // from a larger zoom would keep itself (and the other one) up after a zoom that fits.
    const QSize whole = maximumViewportSize();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    bool across = painted.width() > whole.width();
    bool down = painted.height() > whole.height();
    down = down || (across && painted.height() > whole.height() - barHeight);
    across = across || (down && painted.width() > whole.width() - barWidth);
    return QSize(whole.width() - (down ? barWidth : 0), whole.height() - (across ? barHeight : 0));
}

bool CLead::CanPan() const {
    return horizontalScrollBar()->maximum() > 0 || verticalScrollBar()->maximum() > 0;
}

void CLead::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        m_nWheelZoom = 0;
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A fine-grained wheel or touchpad sends parts of a notch: they add up to whole steps.
    m_nWheelZoom += event->angleDelta().y();
    const int steps = m_nWheelZoom / kWheelNotch;
    m_nWheelZoom -= steps * kWheelNotch;
    event->accept();
    if (steps != 0) {
        Q_EMIT zoomStepsRequested(steps);
    }
}

void CLead::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !CanPan()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_dragFrom = event->position().toPoint();
    m_dragScroll = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void CLead::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragFrom) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    // The picture point under the pointer stays under it.
    const QPoint moved = event->position().toPoint() - *m_dragFrom;
    horizontalScrollBar()->setValue(m_dragScroll.x() - moved.x());
    verticalScrollBar()->setValue(m_dragScroll.y() - moved.y());
    event->accept();
}

void CLead::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragFrom || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_dragFrom.reset();
    SyncScrollBars();
    event->accept();
}

void CLead::SetNotice(const QString& heading, const QString& text) {
    m_noticeHeading = heading;
    m_noticeText = text;
    if (m_pNotice == nullptr) {
        if (heading.isEmpty() && text.isEmpty()) {
            return;
        }
        // A label rather than painted text: its words can be selected and copied (they name
        // commands to run), and screen readers read it.
        m_pNotice = new QLabel(viewport());
        m_pNotice->setObjectName(QStringLiteral("notice"));
        m_pNotice->setTextFormat(Qt::RichText);
        m_pNotice->setWordWrap(true);
        m_pNotice->setAlignment(Qt::AlignCenter);
        m_pNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_pNotice->setFrameShape(QFrame::StyledPanel);
        m_pNotice->setMargin(kNoticeMargin);
        m_pNotice->setAutoFillBackground(true);
        m_pNotice->setBackgroundRole(QPalette::Window);
        m_pNotice->setForegroundRole(QPalette::WindowText);
        // Copied words are typed again: while some are selected here, a copy goes with the
        // plain hyphens they stand for (the label's own copy knows nothing of them).
        QClipboard* clipboard = QGuiApplication::clipboard();
        connect(clipboard, &QClipboard::changed, m_pNotice,
                [this, clipboard](QClipboard::Mode mode) {
                    const QString copied = clipboard->text(mode);
                    if (m_pNotice->hasSelectedText() && copied.contains(kNoBreakHyphen)) {
                        clipboard->setText(
                            QString(copied).replace(kNoBreakHyphen, QLatin1Char('-')), mode);
                    }
                });
    }
    // What stands in double quotes is a command to type: kept on one line, in a fixed font.
    // Lines break at the spaces between words only: a hyphen here belongs to a command or an
    // option ("tavelo-cli", "--simulate"), so each is shown as one that does not break, and
    // the blanks inside a command as ones that do not either.
    static const QRegularExpression quoted(QStringLiteral("&quot;(.*?)&quot;"));
    QString body = text.toHtmlEscaped();
    body.replace(QLatin1Char('-'), kNoBreakHyphen);
    QRegularExpressionMatchIterator it = quoted.globalMatch(body);
    QString marked;
    qsizetype done = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        marked += body.mid(done, match.capturedStart() - done);
        marked += QStringLiteral(
                      "<span style=\"white-space:nowrap; font-family:monospace\">"
                      "&quot;%1&quot;</span>")
                      .arg(match.captured(1).replace(QLatin1Char(' '), QChar::Nbsp));
        done = match.capturedEnd();
    }
    body = marked + body.mid(done);
    m_pNotice->setText(QStringLiteral("<p style=\"font-size:large\"><b>%1</b></p><p>%2</p>")
                           .arg(heading.toHtmlEscaped(), body));
    m_pNotice->setAccessibleName(heading);
    m_pNotice->setAccessibleDescription(text);
    UpdateNotice();
}

bool CLead::IsNoticeShown() const {
    return m_pNotice != nullptr && !m_pNotice->isHidden();
}

void CLead::HoldNotice(bool hold) {
    m_bNoticeHeld = hold;
    UpdateNotice();
}

void CLead::UpdateNotice() {
    if (m_pNotice == nullptr) {
        return;
    }
    const bool shown = !m_bNoticeHeld && !m_engine.HasPicture() &&
                       !(m_noticeHeading.isEmpty() && m_noticeText.isEmpty());
    m_pNotice->setVisible(shown);
    if (!shown) {
        return;
    }
    const QSize port = viewport()->size();
    const int widest = m_pNotice->fontMetrics().averageCharWidth() * kNoticeColumns;
    const int width = std::max(1, std::min(widest, port.width() - 2 * kNoticeMargin));
    const int height = m_pNotice->heightForWidth(width);
    // Centred; a window too low for it shows its top, where the heading is.
    m_pNotice->setGeometry((port.width() - width) / 2, std::max(0, (port.height() - height) / 2),
                           width, height);
}

void CLead::scrollContentsBy(int, int) {
    if (m_bSyncing) {
        return;
    }
    // The user moved a scroll bar: the picture follows it.
    if (horizontalScrollBar()->maximum() > 0) {
        m_view.moveLeft(-horizontalScrollBar()->value());
    }
    if (verticalScrollBar()->maximum() > 0) {
        m_view.moveTop(-verticalScrollBar()->value());
    }
    m_clip.reset();
    Changed();
}

void CLead::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateNotice();
    if (m_nZoomMode == kZoomModeFit) {
        LayoutView(false);
    } else {
        ClampView();
        SyncScrollBars();
    }
}

void CLead::Changed() {
    if (m_bAutoRedraw) {
        viewport()->update();
    }
}

void CLead::RenderFrame(QImage& frame) {
    const QSize size = viewport()->size();
    if (frame.size() != size || frame.format() != QImage::Format_RGB32) {
        frame = QImage(size, QImage::Format_RGB32);
    }
    if (frame.isNull()) {
        return;
    }
    const QRectF clip = m_clip.value_or(QRectF(0, 0, size.width(), size.height()));
    m_painter.Render(m_engine.Image(), m_view, clip, frame, palette().color(QPalette::Dark).rgb());
    ++m_nRenderCount;
}

void CLead::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QSize size = viewport()->size();
    const QRect area = event->rect() & QRect(QPoint(), size);
    const QRgb background = palette().color(QPalette::Dark).rgb();
    if (!m_bAutoRedraw) {
        // The picture is not painted while repainting is off: it is usually half-way through
        // a change (loaded but not yet resized or sharpened). The callers turn repainting off
        // only around work that runs without the event loop, so this is seldom seen; keeping
        // a copy of the last picture for it would cost every capture a frame.
        painter.fillRect(area, background);
        return;
    }
    ++m_nRenderCount;
    // The same pixels as RenderFrame, by cheaper routes: straight from the kept scaled
    // picture when it covers the window, else band by band through a buffer that stays in
    // the processor's cache.
    const QImage& picture = m_engine.Image();
    const QRectF clip = m_clip.value_or(QRectF(0, 0, size.width(), size.height()));
    QPoint origin;
    if (const QImage* covering = m_painter.Covering(picture, m_view, clip, size, origin)) {
        painter.drawImage(area, *covering, area.translated(origin));
        return;
    }
    if (m_band.width() < size.width()) {
        m_band = QImage(size.width(), kBandRows, QImage::Format_RGB32);
    }
    if (m_band.isNull()) {
        painter.fillRect(area, background);
        return;
    }
    for (int top = area.top(); top <= area.bottom(); top += m_band.height()) {
        const int rows = std::min(m_band.height(), area.bottom() + 1 - top);
        m_painter.RenderRows(picture, m_view, clip, size, top, rows, m_band, background);
        painter.drawImage(QPoint(area.left(), top), m_band,
                          QRect(area.left(), 0, area.width(), rows));
    }
}

}  // namespace tavelo
