#include <QClipboard>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>
#include <cstring>

#include "device/MemoryBlock.h"
#include "picture/ImageLimits.h"
#include "picture/PictureResult.h"
#include "support/PictureSamples.h"
#include "ui/CLead.h"

using namespace tavelo;

namespace {

// Every pixel tells where it is: red and green the low bits of x and y, blue the rest.
QRgb Where(int x, int y) {
    return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8));
}

// The same without alpha, as FrameAt reads it.
QRgb At(int x, int y) {
    return Where(x, y) & 0xFFFFFF;
}

MemoryBlock CoordinateBmp(int w, int h) {
    const QByteArray bytes =
        samples::MakeBmp(w, h, 24, false, [](int x, int y) { return std::uint32_t(Where(x, y)); });
    MemoryBlock block = MemoryBlock::Allocate(static_cast<std::size_t>(bytes.size()));
    std::memcpy(block.Data(), bytes.constData(), block.Size());
    return block;
}

constexpr int kPortW = 200;
constexpr int kPortH = 150;

}  // namespace

class TestLeadView : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CLead> m_lead;
    QImage m_frame;

    // A shrunk picture is averaged, so its pixels are compared within a small tolerance.
    bool NearFrame(int x, int y, QRgb expected) {
        const QRgb got = FrameAt(x, y);
        const bool near = std::abs(qRed(got) - qRed(expected)) <= 2 &&
                          std::abs(qGreen(got) - qGreen(expected)) <= 2 &&
                          std::abs(qBlue(got) - qBlue(expected)) <= 2;
        if (!near) {
            qWarning("frame (%d, %d) is %06x, expected about %06x", x, y, got, expected);
        }
        return near;
    }

    QRgb FrameAt(int x, int y) {
        m_lead->RenderFrame(m_frame);
        return m_frame.pixel(x, y) & 0xFFFFFF;
    }

private Q_SLOTS:
    void init() {
        m_lead = std::make_unique<CLead>();
        m_lead->resize(kPortW, kPortH);
        m_lead->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_lead.get()));
        MemoryBlock block = CoordinateBmp(400, 300);
        QCOMPARE(m_lead->LoadMemory(block, 0, 0, long(block.Size())), PIC_OK);
        QCOMPARE(m_lead->viewport()->size(), QSize(kPortW, kPortH));
    }
    void cleanup() { m_lead.reset(); }

    void pictureProperties() {
        QCOMPARE(m_lead->GetPictureWidth(), 400.0f);
        QCOMPARE(m_lead->GetPictureHeight(), 300.0f);
        QCOMPARE(m_lead->GetPictureBits(), short(24));
        QCOMPARE(m_lead->GetPictureHandle(), 1L);
        m_lead->SetPictureHandle(0);
        QCOMPARE(m_lead->GetPictureWidth(), 0.0f);
        QCOMPARE(m_lead->GetPictureBits(), short(0));
        QCOMPARE(m_lead->GetViewWidth(), 0.0f);
        // An empty control paints only background.
        QCOMPARE(FrameAt(0, 0), FrameAt(kPortW - 1, kPortH - 1));
        QCOMPARE(FrameAt(0, 0), m_lead->palette().color(QPalette::Dark).rgb() & 0xFFFFFF);
    }

    void zoomContract_data() {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<float>("expected");
        QTest::newRow("half") << 50.0f << 50.0f;
        QTest::newRow("not rounded") << 63.7f << 63.7f;
        QTest::newRow("large") << 4000.0f << 4000.0f;
        QTest::newRow("zero ignored") << 0.0f << 100.0f;
        QTest::newRow("negative ignored") << -20.0f << 100.0f;
        QTest::newRow("past the bound") << 1e9f << float(kMaxZoomPercent);
    }
    void zoomContract() {
        QFETCH(float, zoom);
        QFETCH(float, expected);
        m_lead->SetZoomMode(CLead::kZoomModeFactor);
        m_lead->SetZoomPercent(100.0f);
        m_lead->SetZoomPercent(zoom);
        QCOMPARE(m_lead->GetZoomPercent(), expected);
        QCOMPARE(m_lead->GetViewWidth(), float(400.0 * expected / 100.0));
        QCOMPARE(m_lead->GetViewHeight(), float(300.0 * expected / 100.0));
    }

    void fittingPictureSitsTopLeft() {
        m_lead->SetZoomPercent(25.0f);
        QCOMPARE(m_lead->GetViewLeft(), 0.0f);
        QCOMPARE(m_lead->GetViewTop(), 0.0f);
        QCOMPARE(m_lead->horizontalScrollBar()->maximum(), 0);
        // Each frame pixel shows the picture around the point under its centre: (x + 0.5) * 4.
        QVERIFY(NearFrame(0, 0, At(2, 2)));
        QVERIFY(NearFrame(99, 74, At(398, 298)));
        // Past the picture: background.
        QCOMPARE(FrameAt(150, 100), m_lead->palette().color(QPalette::Dark).rgb() & 0xFFFFFF);
    }

    void scrollingFollowsTheBars() {
        m_lead->SetZoomPercent(200.0f);        // 800 x 600 in a smaller window
        QCoreApplication::sendPostedEvents();  // the bars show
        const int hmax = m_lead->horizontalScrollBar()->maximum();
        QCOMPARE(hmax, 800 - m_lead->viewport()->width());
        QVERIFY(m_lead->verticalScrollBar()->maximum() > 0);
        m_lead->horizontalScrollBar()->setValue(100);
        m_lead->verticalScrollBar()->setValue(60);
        QCOMPARE(m_lead->GetViewLeft(), -100.0f);
        QCOMPARE(m_lead->GetViewTop(), -60.0f);
        QCOMPARE(FrameAt(0, 0), At(50, 30));
        QCOMPARE(FrameAt(9, 3), At(54, 31));
    }

    // A bar is shown only where the painted picture is larger than the whole window: a side
    // that overshoots it by a fraction of a pixel paints no more than the window, and bars
    // up from a larger zoom do not keep themselves up.
    void barsOnlyWherePaintingOvershoots_data() {
        QTest::addColumn<float>("before");
        QTest::addColumn<float>("zoom");
        QTest::addColumn<bool>("across");
        QTest::addColumn<bool>("down");
        QTest::newRow("exactly the window") << 200.0f << 50.0f << false << false;
        QTest::newRow("a hundred-thousandth over") << 100.0f << 50.0000025f << false << false;
        QTest::newRow("over, after bars") << 200.0f << 50.0000025f << false << false;
        QTest::newRow("narrower, after bars") << 200.0f << 45.0f << false << false;
        QTest::newRow("a painted pixel over") << 100.0f << 50.3f << true << true;
        QTest::newRow("only wider") << 100.0f << 55.0f << true << true;  // the bar takes rows
        QTest::newRow("much wider") << 100.0f << 70.0f << true << true;
    }
    void barsOnlyWherePaintingOvershoots() {
        QFETCH(float, before);
        QFETCH(float, zoom);
        QFETCH(bool, across);
        QFETCH(bool, down);
        m_lead->SetZoomMode(CLead::kZoomModeFactor);
        m_lead->SetZoomPercent(before);
        QCoreApplication::sendPostedEvents();  // the bars show or hide, as Qt does it: queued
        m_lead->SetZoomPercent(zoom);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(m_lead->horizontalScrollBar()->maximum() > 0, across);
        QCOMPARE(m_lead->verticalScrollBar()->maximum() > 0, down);
        const QSize bars(down ? m_lead->verticalScrollBar()->sizeHint().width() : 0,
                         across ? m_lead->horizontalScrollBar()->sizeHint().height() : 0);
        QCOMPARE(m_lead->viewport()->size(), QSize(kPortW, kPortH) - bars);
        if (!across && !down) {
            QCOMPARE(m_lead->GetViewLeft(), 0.0f);
            QCOMPARE(m_lead->GetViewTop(), 0.0f);
        }
    }

    void zoomKeepsTheCentre() {
        m_lead->SetZoomPercent(400.0f);
        m_lead->horizontalScrollBar()->setValue(600);
        m_lead->verticalScrollBar()->setValue(500);
        const QRgb centre =
            FrameAt(m_lead->viewport()->width() / 2, m_lead->viewport()->height() / 2);
        m_lead->SetZoomPercent(800.0f);
        QCOMPARE(FrameAt(m_lead->viewport()->width() / 2, m_lead->viewport()->height() / 2),
                 centre);
    }

    void hugeZoomPaintsOnePixel() {
        m_lead->SetZoomPercent(1000000.0f);
        m_lead->horizontalScrollBar()->setValue(123 * 10000 + 5);
        m_lead->verticalScrollBar()->setValue(77 * 10000 + 5);
        QCOMPARE(FrameAt(0, 0), At(123, 77));
        QCOMPARE(FrameAt(kPortW - 1, kPortH - 1), At(123, 77));
    }

    void viewRectangleAThenB() {
        QCOMPARE(m_lead->SetViewRectA(-30.0f, -15.0f, 600.0f, 450.0f), PIC_OK);
        QCOMPARE(m_lead->SetViewRectB(-30.0f, -15.0f, 600.0f, 450.0f), PIC_OK);
        QCOMPARE(m_lead->GetViewLeft(), -30.0f);
        QCOMPARE(m_lead->GetViewTop(), -15.0f);
        QCOMPARE(m_lead->GetViewWidth(), 600.0f);
        QCOMPARE(m_lead->GetViewHeight(), 450.0f);
        QCOMPARE(m_lead->GetZoomPercent(), 150.0f);
        QCOMPARE(m_lead->horizontalScrollBar()->value(), 30);
        QCOMPARE(FrameAt(0, 0), At(20, 10));  // (0.5 + 30) / 1.5, (0.5 + 15) / 1.5
        QCOMPARE(FrameAt(60, 30), At(60, 30));
        QCOMPARE(int(m_lead->SetViewRectA(0, 0, 0, 10)), int(PIC_BAD_ARGUMENT));
        QCOMPARE(int(m_lead->SetViewRectB(0, 0, 10, -1)), int(PIC_BAD_ARGUMENT));
    }

    void clipRectangleLimitsPainting() {
        m_lead->SetViewRectA(0, 0, 400, 300);
        m_lead->SetViewRectB(0, 0, 50, 40);
        const QRgb background = m_lead->palette().color(QPalette::Dark).rgb() & 0xFFFFFF;
        QCOMPARE(FrameAt(10, 10), At(10, 10));
        QCOMPARE(FrameAt(60, 10), background);
        // The next zoom change lifts the limit.
        m_lead->SetZoomPercent(100.0f);
        QCOMPARE(FrameAt(60, 10), At(60, 10));
    }

    void actualSizeMovesToTopLeft() {
        m_lead->SetZoomPercent(300.0f);
        m_lead->horizontalScrollBar()->setValue(250);
        m_lead->SetZoomPercent(100.0f);
        QVERIFY(m_lead->GetViewLeft() < 0.0f);
        const float w = m_lead->GetViewWidth();
        const float h = m_lead->GetViewHeight();
        m_lead->SetViewRectA(0, 0, w, h);
        m_lead->SetViewRectB(0, 0, w, h);
        QCOMPARE(m_lead->GetViewLeft(), 0.0f);
        QCOMPARE(m_lead->GetViewTop(), 0.0f);
        QCOMPARE(m_lead->horizontalScrollBar()->value(), 0);
        QCOMPARE(FrameAt(0, 0), At(0, 0));
    }

    void fitModeScalesWholePicture() {
        m_lead->SetZoomMode(CLead::kZoomModeFit);
        QCOMPARE(m_lead->GetZoomMode(), short(1));
        const QSize port = m_lead->viewport()->size();
        QCOMPARE(m_lead->GetViewWidth(), float(port.width()));
        QCOMPARE(m_lead->GetViewHeight(), float(port.height()));
        QCOMPARE(m_lead->horizontalScrollBar()->maximum(), 0);
        QVERIFY(NearFrame(0, 0, At(1, 1)));  // (0.5 * 2, 0.5 * 2)
        QVERIFY(NearFrame(port.width() - 1, port.height() - 1, At(399, 299)));
        m_lead->resize(100, 100);
        QCOMPARE(m_lead->GetViewWidth(), 100.0f);
        m_lead->SetZoomMode(7);  // unknown: ignored
        QCOMPARE(m_lead->GetZoomMode(), short(1));
    }

    void autoRedrawSuppressesPaints() {
        QTRY_VERIFY(m_lead->RenderCount() > 0);
        m_lead->SetAutoRedraw(false);
        QCOMPARE(m_lead->GetAutoRedraw(), false);
        const int before = m_lead->RenderCount();
        m_lead->SetZoomPercent(250.0f);
        m_lead->Rotate(9000, true, 0xFF0000);
        m_lead->Sharpen(800);
        m_lead->Redraw();
        m_lead->viewport()->repaint();
        QCoreApplication::processEvents();
        QCOMPARE(m_lead->RenderCount(), before);
        m_lead->SetAutoRedraw(true);
        m_lead->Redraw();
        QVERIFY(m_lead->RenderCount() > before);
    }

    void transformsUpdateTheView() {
        m_lead->SetZoomPercent(50.0f);
        QCOMPARE(m_lead->Rotate(9000, true, 0xFF0000), PIC_OK);
        QCOMPARE(m_lead->GetPictureWidth(), 300.0f);
        QCOMPARE(m_lead->GetViewWidth(), 150.0f);
        QCOMPARE(m_lead->GetZoomPercent(), 50.0f);
        QCOMPARE(m_lead->Resize(960.0f, 768.0f, 1), PIC_OK);
        QCOMPARE(m_lead->GetPictureWidth(), 960.0f);
        QCOMPARE(m_lead->GetViewHeight(), 384.0f);
        QCOMPARE(int(m_lead->Resize(-1.0f, 10.0f, 1)), int(PIC_BAD_ARGUMENT));
        QCOMPARE(int(m_lead->Resize(1e9f, 10.0f, 1)), int(PIC_BAD_ARGUMENT));
    }

    void fixedPropertiesAndAppearance() {
        m_lead->SetFlag5(true);
        m_lead->SetFlag20(false);
        m_lead->SetFlag57(true);
        m_lead->SetValue6(1);
        m_lead->SetValue19(0);
        QCOMPARE(m_lead->GetFlag5(), true);
        QCOMPARE(m_lead->GetFlag20(), false);
        QCOMPARE(m_lead->GetFlag57(), true);
        QCOMPARE(m_lead->GetValue6(), short(1));
        QCOMPARE(m_lead->GetValue19(), short(0));
        m_lead->SetAppearance(0);
        m_lead->SetBorderStyle(1);
        QCOMPARE(m_lead->GetBorderStyle(), short(1));
        QVERIFY(m_lead->frameWidth() > 0);
        m_lead->SetBorderStyle(0);
        QCOMPARE(m_lead->frameWidth(), 0);
        m_lead->SetTextItem(3, QVariant(QString()));
        QCOMPARE(m_lead->GetTextItem(3), QString());
    }

    void autoSize() {
        m_lead->SetZoomPercent(25.0f);
        m_lead->SetAutoSize(false);
        QCOMPARE(m_lead->size(), QSize(kPortW, kPortH));
        m_lead->SetAutoSize(true);
        QCOMPARE(m_lead->GetAutoSize(), true);
        QCOMPARE(m_lead->size(), QSize(100, 75));
    }

    void paintsPalettePictures_data() {
        QTest::addColumn<float>("zoom");
        QTest::newRow("kept scaled") << 100.0f;
        QTest::newRow("fetched per pixel") << 100000.0f;
    }
    void paintsPalettePictures() {
        QFETCH(float, zoom);
        const QList<QRgb> palette = {qRgb(10, 20, 30), qRgb(200, 100, 0), qRgb(0, 0, 255)};
        const QByteArray bytes = samples::MakeBmp(
            6, 4, 8, false, [](int x, int y) { return std::uint32_t((x + y) % 3); }, palette);
        MemoryBlock block = MemoryBlock::Allocate(static_cast<std::size_t>(bytes.size()));
        std::memcpy(block.Data(), bytes.constData(), block.Size());
        QCOMPARE(m_lead->LoadMemory(block, 0, 0, long(block.Size())), PIC_OK);
        QCOMPARE(m_lead->GetPictureBits(), short(8));
        m_lead->SetZoomPercent(zoom);
        m_lead->horizontalScrollBar()->setValue(0);
        m_lead->verticalScrollBar()->setValue(0);
        QCOMPARE(FrameAt(0, 0), palette[0] & 0xFFFFFF);
        if (zoom == 100.0f) {
            QCOMPARE(FrameAt(4, 3), palette[1] & 0xFFFFFF);  // (4 + 3) % 3
            QCOMPARE(FrameAt(2, 0), palette[2] & 0xFFFFFF);
        }
    }

    // The window is painted by other routes than RenderFrame (straight from the kept scaled
    // picture, or band by band): what it shows must be the same pixels.
    void windowShowsTheRenderedFrame_data() {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<QRectF>("clip");
        const QRectF none;
        QTest::newRow("shrunk, with margins") << 25.0f << QPoint() << none;
        QTest::newRow("actual size, covering") << 100.0f << QPoint(37, 21) << none;
        QTest::newRow("actual size, at the corner") << 100.0f << QPoint(200, 150) << none;
        QTest::newRow("fractional zoom") << 63.7f << QPoint(11, 5) << none;
        QTest::newRow("kept enlarged") << 250.0f << QPoint(333, 222) << none;
        QTest::newRow("fetched per pixel") << 1000.0f << QPoint(1234, 567) << none;
        QTest::newRow("rows split across bands") << 3300.0f << QPoint(4001, 2999) << none;
        QTest::newRow("clipped") << 100.0f << QPoint(10, 10) << QRectF(5, 7, 120, 100);
    }
    void windowShowsTheRenderedFrame() {
        QFETCH(float, zoom);
        QFETCH(QPoint, scroll);
        QFETCH(QRectF, clip);
        m_lead->SetZoomPercent(zoom);
        m_lead->horizontalScrollBar()->setValue(scroll.x());
        m_lead->verticalScrollBar()->setValue(scroll.y());
        if (!clip.isNull()) {
            const QRectF view(m_lead->GetViewLeft(), m_lead->GetViewTop(), m_lead->GetViewWidth(),
                              m_lead->GetViewHeight());
            QCOMPARE(m_lead->SetViewRectA(view.left(), view.top(), view.width(), view.height()),
                     PIC_OK);
            QCOMPARE(m_lead->SetViewRectB(clip.left(), clip.top(), clip.width(), clip.height()),
                     PIC_OK);
        }
        const QImage shown =
            m_lead->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        m_lead->RenderFrame(m_frame);
        QCOMPARE(shown.size(), m_frame.size());
        QCOMPARE(shown, m_frame);
    }

    void frozenWindowShowsNoHalfDoneChange() {
        m_lead->SetZoomPercent(100.0f);
        m_lead->horizontalScrollBar()->setValue(50);
        auto shown = [this] {
            return m_lead->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage before = shown();
        m_lead->SetAutoRedraw(false);
        m_lead->SetZoomPercent(25.0f);
        m_lead->Sharpen(800);
        m_lead->Rotate(9000, true, 0xFF0000);
        // Only background while repainting is off: neither the old nor the changed picture.
        QImage background(m_lead->viewport()->size(), QImage::Format_RGB32);
        background.fill(m_lead->palette().color(QPalette::Dark).rgb());
        QCOMPARE(shown(), background);
        m_lead->SetAutoRedraw(true);
        const QImage after = shown();
        QVERIFY(after != before);
        m_lead->RenderFrame(m_frame);
        QCOMPARE(after, m_frame);
    }

    // Arrow keys and pages step the scroll bars; a drag carries the picture with the pointer.
    // A picture that fits the window stays where it is.
    void panning_data() {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QPoint>("moved");  // of the display rectangle's corner
        QTest::newRow("right arrow") << 200.0f << "Right" << QPoint(-20, 0);
        QTest::newRow("down arrow") << 200.0f << "Down" << QPoint(0, -20);
        QTest::newRow("page down") << 200.0f << "PageDown" << QPoint();  // the window's height
        QTest::newRow("left at the edge") << 200.0f << "Left" << QPoint(0, 0);
        QTest::newRow("page up at the top") << 200.0f << "PageUp" << QPoint(0, 0);
        QTest::newRow("drag") << 200.0f << "drag" << QPoint(-30, -20);
        QTest::newRow("drag past the edge") << 200.0f << "drag back" << QPoint(0, 0);
        QTest::newRow("drag a fitting picture") << 25.0f << "drag" << QPoint(0, 0);
        QTest::newRow("arrow on a fitting picture") << 25.0f << "Down" << QPoint(0, 0);
    }
    void panning() {
        QFETCH(float, zoom);
        QFETCH(QString, gesture);
        QFETCH(QPoint, moved);
        m_lead->SetZoomPercent(zoom);
        QCoreApplication::sendPostedEvents();  // the bars show or hide
        if (gesture == "PageDown") {
            moved = QPoint(0, -m_lead->viewport()->height());
        }
        m_lead->horizontalScrollBar()->setValue(0);  // at the top-left corner
        m_lead->verticalScrollBar()->setValue(0);
        const QPointF before(m_lead->GetViewLeft(), m_lead->GetViewTop());
        QWidget* port = m_lead->viewport();
        if (gesture.startsWith("drag")) {
            const QPoint from(100, 80);
            const QPoint to = gesture == "drag" ? QPoint(70, 60) : QPoint(150, 120);
            QTest::mousePress(port, Qt::LeftButton, {}, from);
            QTest::mouseMove(port, to);
            QTest::mouseRelease(port, Qt::LeftButton, {}, to);
        } else {
            const QMap<QString, Qt::Key> keys{{"Right", Qt::Key_Right},
                                              {"Left", Qt::Key_Left},
                                              {"Down", Qt::Key_Down},
                                              {"PageDown", Qt::Key_PageDown},
                                              {"PageUp", Qt::Key_PageUp}};
            QTest::keyClick(m_lead.get(), keys.value(gesture));
        }
        QCOMPARE(QPointF(m_lead->GetViewLeft(), m_lead->GetViewTop()) - before, QPointF(moved));
        if (zoom == 200.0f) {  // what is painted moved with it
            QCOMPARE(FrameAt(0, 0),
                     At(int(-m_lead->GetViewLeft() / 2), int(-m_lead->GetViewTop() / 2)));
        }
    }

    // Ctrl and the wheel ask the owner for whole zoom steps and zoom nothing themselves.
    void ctrlWheelAsksToZoom_data() {
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("a notch up") << QList<int>{120} << QList<int>{1};
        QTest::newRow("a notch down") << QList<int>{-120} << QList<int>{-1};
        QTest::newRow("two at once") << QList<int>{240} << QList<int>{2};
        QTest::newRow("fine wheel adds up") << QList<int>{40, 40, 40, 40} << QList<int>{1};
        QTest::newRow("back and forth") << QList<int>{60, -120, -60} << QList<int>{-1};
    }
    void ctrlWheelAsksToZoom() {
        QFETCH(QList<int>, deltas);
        QFETCH(QList<int>, steps);
        QSignalSpy asked(m_lead.get(), &CLead::zoomStepsRequested);
        QWidget* port = m_lead->viewport();
        for (int delta : deltas) {
            QWheelEvent turn(QPointF(50, 50), port->mapToGlobal(QPointF(50, 50)), QPoint(),
                             QPoint(0, delta), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                             false);
            QApplication::sendEvent(port, &turn);
        }
        QList<int> got;
        for (const QList<QVariant>& signal : asked) {
            got << signal.at(0).toInt();
        }
        QCOMPARE(got, steps);
        QCOMPARE(m_lead->GetZoomPercent(), 100.0f);
    }

    // The notice shows over an empty window only, centred and whole, and is read out as it
    // reads.
    void noticeOnlyWithoutPicture() {
        m_lead->resize(500, 300);
        m_lead->SetNotice("No camera found", "Plug <the> camera in, then run \"a b\".");
        auto* label = m_lead->findChild<QLabel*>("notice");
        QVERIFY(label != nullptr);
        QVERIFY(!m_lead->IsNoticeShown());  // a picture is shown
        m_lead->SetPictureHandle(0);
        QVERIFY(m_lead->IsNoticeShown());
        QVERIFY(label->text().contains("Plug &lt;the&gt; camera in, then run <span"));
        QVERIFY(label->text().contains(QStringLiteral("nowrap; font-family:monospace\">&quot;a") +
                                       QChar::Nbsp + QStringLiteral("b&quot;</span>.")));
        QCOMPARE(label->accessibleName(), QStringLiteral("No camera found"));
        const QRect port(QPoint(), m_lead->viewport()->size());
        QVERIFY(port.contains(label->geometry()));
        QVERIFY(qAbs(label->geometry().center().x() - port.center().x()) <= 1);
        QVERIFY(label->height() >= label->heightForWidth(label->width()));
        m_lead->SetNotice({}, {});
        QVERIFY(!m_lead->IsNoticeShown());
        m_lead->SetNotice("Simulated camera", "Pictures come from a model.");
        QVERIFY(m_lead->IsNoticeShown());
        MemoryBlock block = CoordinateBmp(40, 30);
        QCOMPARE(m_lead->LoadMemory(block, 0, 0, long(block.Size())), PIC_OK);
        QVERIFY(!m_lead->IsNoticeShown());
    }

    // The notice's lines break at blanks only, never at the hyphens of a command or an
    // option; copied, its words read with plain hyphens again, as they are typed.
    void noticeBreaksBetweenWordsOnly() {
        const QString text = QStringLiteral(
            "Find it with \"tavelo-cli devices --all\" and add it with \"tavelo-cli udev-rule "
            "VID:PID --install\". To use a real camera, start tavelo without --simulate.");
        m_lead->SetPictureHandle(0);
        m_lead->SetNotice("No camera found", text);
        auto* label = m_lead->findChild<QLabel*>("notice");
        QVERIFY(label != nullptr);
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setHtml(label->text());
        QStringList broken;
        for (int width = 120; width <= 700; width += 3) {
            document.setTextWidth(width);
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
                const QTextLayout* layout = block.layout();
                for (int i = 0; i + 1 < layout->lineCount(); ++i) {
                    const QTextLine line = layout->lineAt(i);
                    const QChar last = block.text().at(line.textStart() + line.textLength() - 1);
                    if (!last.isSpace() || last == QChar::Nbsp) {
                        broken << QStringLiteral("%1 px: \"%2\"")
                                      .arg(width)
                                      .arg(block.text().mid(line.textStart(), line.textLength()));
                    }
                }
            }
        }
        QVERIFY2(broken.isEmpty(), qPrintable(broken.mid(0, 4).join(QStringLiteral(", "))));

        label->setSelection(0, int(document.toPlainText().size()));
        QVERIFY(label->hasSelectedText());
        QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY2(copied.contains(QStringLiteral("\"tavelo-cli devices --all\"")),
                 qPrintable(copied));
        QVERIFY2(copied.contains(QStringLiteral("without --simulate.")), qPrintable(copied));
    }

    void refusedLoadKeepsPicture() {
        MemoryBlock junk = MemoryBlock::Allocate(100);
        QVERIFY(m_lead->LoadMemory(junk, 0, 0, 100) != PIC_OK);
        QCOMPARE(int(m_lead->LoadMemory(junk, 0, 0, -5)), int(PIC_BAD_ARGUMENT));
        QVERIFY(m_lead->LoadFile("/nonexistent.bmp", 0, 0, 1) != PIC_OK);
        QCOMPARE(m_lead->GetPictureWidth(), 400.0f);
    }
};

QTEST_MAIN(TestLeadView)
#include "test_lead_view.moc"
