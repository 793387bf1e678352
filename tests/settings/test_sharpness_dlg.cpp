// The sharpness dialog over the view's raw capture from the simulated camera: when the
// preview is rebuilt, what it shows, where its window goes, and what OK and Cancel hand back.

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTransform>
#include <QtTest>

#include "settings/DialogUnits.h"
#include "settings/ModalDriver.h"
#include "settings/SharpnessDlg.h"
#include "settings/Trackbar.h"
#include "support/ViewApp.h"
#include "ui/Prompts.h"
#include "view/ViewPreviewSource.h"

using namespace tavelo;
using test::ViewApp;

namespace {

// The view's own source, counting the rebuilds: each one asks for one bitmap image.
class CountingSource : public PreviewSource {
public:
    explicit CountingSource(CTavelo2View& view) : m_inner(view) {}
    MemoryBlock BuildBitmap() override {
        ++builds;
        return m_inner.BuildBitmap();
    }
    int SharpnessValue(int index) override { return m_inner.SharpnessValue(index); }
    int BmpSize() const override { return m_inner.BmpSize(); }
    bool NotReady() const override { return m_inner.NotReady(); }

    int builds = 0;

private:
    ViewPreviewSource m_inner;
};

// The dialog as the view's Sharpness command sets it up.
struct Dialog {
    CountingSource source;
    CSharpnessDlg dlg;

    Dialog(ViewApp& app, int index, int amount)
        : source(*app.view), dlg(app.view, &source, app.frame.get()) {
        dlg.m_nSharpValue = amount;
        dlg.m_nRotIndex = app.view->m_nRotIndex;
        dlg.m_nRotAngle = app.view->m_nRotAngle;
        dlg.m_nMode = app.view->m_nMode;
        dlg.m_nCamRotation = app.view->m_nCamRotation;
        dlg.m_nKind = CSharpnessDlg::KIND_SHARPNESS;
        dlg.m_nSharpIndex = index;
    }
    // Up on the screen without its own event loop, so the test can work the slider.
    void Open() {
        dlg.OnInitDialog();
        dlg.show();
    }
    QImage Preview() const { return dlg.m_preview->Engine().Image(); }
};

// Where the slider draws its thumb for `value`.
QPoint ThumbCentre(QSlider* slider, int value) {
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.orientation = slider->orientation();
    opt.state |= QStyle::State_Horizontal;
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.tickPosition = slider->tickPosition();
    opt.tickInterval = slider->tickInterval();
    opt.upsideDown = slider->invertedAppearance() != (opt.direction == Qt::RightToLeft);
    opt.sliderPosition = value;
    opt.sliderValue = value;
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
        .center();
}

void Mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons held,
           Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(type, at, widget->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Turns a picture by quarter turns to the right, as the screen shows it.
QImage TurnedRight(const QImage& image, int quarters) {
    return image.convertToFormat(QImage::Format_RGB32)
        .transformed(QTransform().rotate(90.0 * quarters));
}

}  // namespace

class TestSharpnessDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensAtTheGivenPosition() {
        ViewApp app;
        app.Capture(3, 0);
        Dialog d(app, 3, 0);
        d.Open();
        QCOMPARE(d.source.builds, 1);
        QCOMPARE(d.dlg.m_slider->value(), 3);
        QCOMPARE(d.dlg.m_slider->minimum(), 0);
        QCOMPARE(d.dlg.m_slider->maximum(), 6);
        QCOMPARE(d.dlg.m_slider->tickInterval(), 1);
        QCOMPARE(d.dlg.windowTitle(), QStringLiteral("Sharpness"));
        QCOMPARE(d.dlg.m_leftText->text(), QStringLiteral("Softer"));
        QCOMPARE(d.dlg.m_rightText->text(), QStringLiteral("Sharper"));
        // Amount 0 on an unresized, unturned capture: the picture exactly as the view has it.
        QCOMPARE(d.Preview(), app.Picture());
        QCOMPARE(app.Status(), QStringLiteral("Ready !"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void rebuildsOnlyWhereTheThumbComesToRest_data() {
        QTest::addColumn<int>("start");
        // d: drag over, k: keys (R right, L left), c: click, m: middle click on a position
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("rebuilds");
        QTest::addColumn<int>("amount");
        QTest::newRow("drag 3 to 6") << 3 << "d456" << 6 << 1 << 950;
        QTest::newRow("keys 4 to 5 to 4") << 4 << "kRL" << 4 << 2 << 800;
        QTest::newRow("click on the thumb") << 4 << "c" << 4 << 0 << 800;
        QTest::newRow("drag 3 to 6 and back") << 3 << "d456543" << 3 << 0 << 0;
        QTest::newRow("key against the end") << 6 << "kR" << 6 << 0 << 950;
        QTest::newRow("drag 0 to 1") << 0 << "d1" << 1 << 1 << -900;
        QTest::newRow("middle click sets 6") << 3 << "m6" << 6 << 1 << 950;
    }

    void rebuildsOnlyWhereTheThumbComesToRest() {
        QFETCH(int, start);
        QFETCH(QString, moves);
        QFETCH(int, end);
        QFETCH(int, rebuilds);
        QFETCH(int, amount);
        ViewApp app;
        app.Capture(3, 0);
        Dialog d(app, start, app.view->SharpnessValue(start));
        d.Open();
        d.source.builds = 0;
        CTrackbar* slider = d.dlg.m_slider;
        if (moves.startsWith('d')) {
            Mouse(slider, QEvent::MouseButtonPress, ThumbCentre(slider, start), Qt::LeftButton);
            for (QChar to : moves.mid(1)) {
                Mouse(slider, QEvent::MouseMove, ThumbCentre(slider, to.digitValue()),
                      Qt::LeftButton);
                QCOMPARE(slider->value(), to.digitValue());
            }
            QCOMPARE(d.source.builds, 0);  // never while the thumb is held
            Mouse(slider, QEvent::MouseButtonRelease, ThumbCentre(slider, end), Qt::NoButton);
        } else if (moves.startsWith('k')) {
            for (QChar key : moves.mid(1)) {
                QTest::keyClick(slider, key == 'R' ? Qt::Key_Right : Qt::Key_Left);
            }
        } else if (moves.startsWith('m')) {
            // Where the style lets the middle button set the thumb, its release ends the move.
            if (!(slider->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons) &
                  Qt::MiddleButton)) {
                QSKIP("the style does not set the thumb with the middle button");
            }
            const QPoint at = ThumbCentre(slider, moves.mid(1).toInt());
            Mouse(slider, QEvent::MouseButtonPress, at, Qt::MiddleButton, Qt::MiddleButton);
            Mouse(slider, QEvent::MouseButtonRelease, at, Qt::NoButton, Qt::MiddleButton);
        } else {
            const QPoint thumb = ThumbCentre(slider, start);
            Mouse(slider, QEvent::MouseButtonPress, thumb, Qt::LeftButton);
            Mouse(slider, QEvent::MouseButtonRelease, thumb, Qt::NoButton);
        }
        QCOMPARE(slider->value(), end);
        QCOMPARE(d.dlg.m_nSharpIndex, end);
        QCOMPARE(d.source.builds, rebuilds);
        QCOMPARE(d.dlg.m_nSharpValue, amount);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The rebuilt preview is the one the amount reached gives, not one sharpened twice.
    void previewShowsTheAmountReached() {
        ViewApp app;
        app.Capture(2, 0);
        Dialog moved(app, 3, 0);
        moved.Open();
        QTest::keyClick(moved.dlg.m_slider, Qt::Key_End);
        QCOMPARE(moved.dlg.m_nSharpValue, 950);
        Dialog direct(app, 6, 950);
        direct.Open();
        Dialog plain(app, 3, 0);
        plain.Open();
        QCOMPARE(moved.Preview(), direct.Preview());
        QVERIFY(moved.Preview() != plain.Preview());
    }

    void previewTakesThePictureShape_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("camRotation");
        QTest::addColumn<int>("rotIndex");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("mode 2, rotation 0") << 2 << 0 << 3 << QSize(1024, 768);
        QTest::newRow("mode 2, rotation 1") << 2 << 1 << 3 << QSize(768, 964);
        QTest::newRow("mode 2, rotation 3, turned right") << 2 << 3 << 4 << QSize(964, 768);
        QTest::newRow("mode 3, rotation 0") << 3 << 0 << 3 << QSize(1280, 1024);
        QTest::newRow("mode 3, rotation 1, half turn") << 3 << 1 << 5 << QSize(1024, 1280);
        QTest::newRow("mode 3, rotation 0, turned left") << 3 << 0 << 2 << QSize(1024, 1280);
    }

    // The window has the picture's shape, as large as the template's rectangle allows, centred
    // across the dialog and in the upper 60 % of its height.
    void previewTakesThePictureShape() {
        QFETCH(int, mode);
        QFETCH(int, camRotation);
        QFETCH(int, rotIndex);
        QFETCH(QSize, picture);
        ViewApp app;
        app.Capture(mode, camRotation);
        for (int i = 3; i < rotIndex; ++i) {
            app.view->OnRotateRight();
        }
        for (int i = 3; i > rotIndex; --i) {
            app.view->OnRotateLeft();
        }
        Dialog d(app, 3, 0);
        d.Open();
        QCOMPARE(d.Preview().size(), picture);

        const QRect window = d.dlg.m_preview->geometry();
        const QRect area = MapDialogRect(QRect(23, 7, 139, 129), BaseUnitsOf(d.dlg.font()));
        QVERIFY(window.width() <= area.width() && window.height() <= area.height());
        QVERIFY(window.width() == area.width() - 2 || window.height() == area.height() - 2);
        const double shape = double(window.width()) / window.height();
        const double want = double(picture.width()) / picture.height();
        QVERIFY2(std::abs(shape - want) < 0.02,
                 qPrintable(QString("%1 against %2").arg(shape).arg(want)));
        QCOMPARE(window.left(), (d.dlg.width() - window.width()) / 2);
        QCOMPARE(window.top(), (int(0.6 * d.dlg.height()) - window.height()) / 2);
    }

    void turnedAsTheViewShowsIt_data() {
        QTest::addColumn<int>("rotIndex");
        QTest::addColumn<int>("quartersRight");
        QTest::newRow("once right") << 4 << 1;
        QTest::newRow("twice right") << 5 << 2;
        QTest::newRow("once left") << 2 << 3;
        QTest::newRow("three times left") << 0 << 1;
    }

    void turnedAsTheViewShowsIt() {
        QFETCH(int, rotIndex);
        QFETCH(int, quartersRight);
        ViewApp app;
        app.Capture(2, 1);
        Dialog upright(app, 3, 0);
        upright.Open();
        app.view->m_nRotIndex = rotIndex;
        Dialog turned(app, 3, 0);
        turned.Open();
        QCOMPARE(turned.Preview().convertToFormat(QImage::Format_RGB32),
                 TurnedRight(upright.Preview(), quartersRight));
    }

    void emptyWithoutARawCapture_data() {
        QTest::addColumn<bool>("notReady");
        QTest::newRow("camera ready") << false;
        QTest::newRow("camera not ready") << true;
    }

    // A picture from a file has no raw capture: the preview stays empty in the template's
    // rectangle, and the dialog works on.
    void emptyWithoutARawCapture() {
        QFETCH(bool, notReady);
        ViewApp app;
        app.view->m_bNotReady = notReady;
        Dialog d(app, 3, 0);
        d.Open();
        QCOMPARE(d.source.builds, 1);
        QCOMPARE(d.dlg.m_preview->GetPictureHandle(), 0L);
        QCOMPARE(d.dlg.m_preview->geometry(),
                 MapDialogRect(QRect(23, 7, 139, 129), BaseUnitsOf(d.dlg.font())));
        QCOMPARE(app.Status(), notReady ? QStringLiteral("Not Ready") : QStringLiteral("Ready !"));
        QTest::keyClick(d.dlg.m_slider, Qt::Key_End);
        QCOMPARE(d.source.builds, 2);
        QCOMPARE(d.dlg.m_preview->GetPictureHandle(), 0L);
        QVERIFY(app.prompts.messages.isEmpty());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void releasesThePreviewOnClose_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    void releasesThePreviewOnClose() {
        QFETCH(bool, ok);
        ViewApp app;
        app.Capture(3, 0);
        Dialog d(app, 3, 0);
        bool held = false;
        bool ran = false;
        test::WhenModal<CSharpnessDlg>(
            [&](CSharpnessDlg& dlg) {
                held = dlg.m_preview->GetPictureHandle() != 0;
                QTest::keyClick(dlg.m_slider, Qt::Key_Right);
                (ok ? dlg.m_ok : dlg.m_cancel)->click();
            },
            &ran);
        QCOMPARE(d.dlg.DoModal(), ok ? int(IDOK) : int(IDCANCEL));
        QVERIFY(ran);
        QVERIFY(held);
        QCOMPARE(d.dlg.m_preview->GetPictureHandle(), 0L);
        if (ok) {
            QCOMPARE(d.dlg.m_nSharpIndex, 4);
        }
    }

    void laidOutFromTheTemplate() {
        ViewApp app;
        Dialog d(app, 3, 0);
        d.Open();
        const DialogBaseUnits base = BaseUnitsOf(d.dlg.font());
        QCOMPARE(d.dlg.size(), MapDialogSize(QSize(187, 241), base));
        QCOMPARE(d.dlg.m_slider->geometry(), MapDialogRect(QRect(15, 152, 155, 25), base));
        QCOMPARE(d.dlg.m_leftText->geometry(), MapDialogRect(QRect(19, 180, 45, 10), base));
        QCOMPARE(d.dlg.m_rightText->geometry(), MapDialogRect(QRect(122, 180, 45, 10), base));
        QCOMPARE(d.dlg.m_ok->geometry(), MapDialogRect(QRect(33, 205, 50, 14), base));
        QCOMPARE(d.dlg.m_cancel->geometry(), MapDialogRect(QRect(102, 205, 50, 14), base));
        QVERIFY(d.dlg.m_ok->isDefault());
    }
};

TAVELO_APP_TEST_MAIN(TestSharpnessDlg)
#include "test_sharpness_dlg.moc"
