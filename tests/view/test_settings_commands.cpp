// The view's Sharpness and JPEG Setting commands through the frame's command table, with the
// dialogs worked by the test and the settings store in a temporary folder.

#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "res/CommandIds.h"
#include "settings/ModalDriver.h"
#include "settings/Profile.h"
#include "settings/QFactorDlg.h"
#include "settings/SharpnessDlg.h"
#include "settings/Trackbar.h"
#include "support/ViewApp.h"

using namespace tavelo;
using test::ViewApp;

namespace {

constexpr int kNothingStored = -99;

// Moves the dialog's slider with `keys` and ends it with OK or Cancel.
template <class D>
void Answer(const QList<Qt::Key>& keys, bool ok, bool* ran = nullptr) {
    test::WhenModal<D>(
        [keys, ok](D& dlg) {
            for (Qt::Key key : keys) {
                QTest::keyClick(dlg.m_slider, key);
            }
            (ok ? dlg.m_ok : dlg.m_cancel)->click();
        },
        ran);
}

void ForgetSetting(const char* entry) {
    OpenProfile()->remove(QStringLiteral("Settings/") + QLatin1String(entry));
}

}  // namespace

class TestSettingsCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        ForgetSetting("Qfactor");
        ForgetSetting("Sharpness");
    }

    void enabling() {
        ViewApp app;
        QVERIFY(!app.CommandEnabled(ID_SHARPNESS));
        QVERIFY(app.CommandEnabled(ID_JPEG_SETTING));
        app.Capture();
        QVERIFY(app.CommandEnabled(ID_SHARPNESS));
        QVERIFY(app.CommandEnabled(ID_JPEG_SETTING));
    }

    void jpegSetting_data() {
        QTest::addColumn<int>("stored");  // kNothingStored: no setting yet
        QTest::addColumn<QList<Qt::Key>>("keys");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("factor");       // the view's afterwards
        QTest::addColumn<int>("storedAfter");  // kNothingStored: still none
        using K = QList<Qt::Key>;
        QTest::newRow("no setting, OK") << kNothingStored << K{} << true << 15 << 15;
        QTest::newRow("no setting, Cancel")
            << kNothingStored << K{Qt::Key_End} << false << 15 << kNothingStored;
        QTest::newRow("250, OK stores 242") << 250 << K{} << true << 242 << 242;
        QTest::newRow("250, Cancel") << 250 << K{Qt::Key_Home} << false << 250 << 250;
        QTest::newRow("40, one step up") << 40 << K{Qt::Key_Right} << true << 41 << 41;
    }

    void jpegSetting() {
        QFETCH(int, stored);
        QFETCH(QList<Qt::Key>, keys);
        QFETCH(bool, ok);
        QFETCH(int, factor);
        QFETCH(int, storedAfter);
        if (stored != kNothingStored) {
            WriteProfileInt("Settings", "Qfactor", stored);
        }
        ViewApp app;
        bool ran = false;
        Answer<CQFactorDlg>(keys, ok, &ran);
        app.Command(ID_JPEG_SETTING);
        QVERIFY(ran);
        QCOMPARE(app.view->m_nQFactor, factor);
        QCOMPARE(GetProfileInt("Settings", "Qfactor", kNothingStored), storedAfter);
    }

    void sharpnessApplies_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("camRotation");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("mode 2") << 2 << 0 << QSize(960, 768);
        QTest::newRow("mode 2, rotation 1") << 2 << 1 << QSize(768, 960);
        QTest::newRow("mode 3") << 3 << 0 << QSize(1280, 1024);
    }

    // The amount is absolute: OK rebuilds from the raw capture, so choosing the same position
    // twice gives the same picture, and going back to the middle gives the capture again.
    void sharpnessApplies() {
        QFETCH(int, mode);
        QFETCH(int, camRotation);
        QFETCH(QSize, shown);
        ViewApp app;
        app.Capture(mode, camRotation);
        const QImage captured = app.Picture();

        Answer<CSharpnessDlg>({Qt::Key_End}, true);
        app.Command(ID_SHARPNESS);
        QCOMPARE(app.view->m_nSharpIndex, 6);
        QCOMPARE(app.view->m_nSharpValue, 950);
        QCOMPARE(GetProfileInt("Settings", "Sharpness", kNothingStored), 6);
        const QImage sharper = app.Picture();
        QCOMPARE(sharper.size(), shown);
        QVERIFY(sharper != captured);

        Answer<CSharpnessDlg>({}, true);
        app.Command(ID_SHARPNESS);
        QCOMPARE(app.Picture(), sharper);

        Answer<CSharpnessDlg>({Qt::Key_Left, Qt::Key_Left, Qt::Key_Left}, true);
        app.Command(ID_SHARPNESS);
        QCOMPARE(app.view->m_nSharpValue, 0);
        QCOMPARE(GetProfileInt("Settings", "Sharpness", kNothingStored), 3);
        QCOMPARE(app.Picture().size(), shown);
        QCOMPARE(app.Picture(), captured);
        QCOMPARE(app.Status(), QStringLiteral("Ready !"));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(app.prompts.messages.isEmpty());
    }

    void turnsOnceAfterRotation_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("mode 3, right") << 3 << true << QSize(1024, 1280);
        QTest::newRow("mode 3, left") << 3 << false << QSize(1024, 1280);
        QTest::newRow("mode 2, right") << 2 << true << QSize(768, 960);
    }

    // The rebuilt picture is turned by the recorded rotation once: the turn already on the
    // screen is not added a second time.
    void turnsOnceAfterRotation() {
        QFETCH(int, mode);
        QFETCH(bool, right);
        QFETCH(QSize, shown);
        ViewApp app;
        app.Capture(mode, 0);
        app.Command(right ? ID_ROTATE_RIGHT : ID_ROTATE_LEFT);
        const QImage turned = app.Picture();
        QCOMPARE(turned.size(), shown);

        Answer<CSharpnessDlg>({}, true);
        app.Command(ID_SHARPNESS);
        QCOMPARE(app.view->m_nRotIndex, right ? 4 : 2);
        QCOMPARE(app.view->m_nRotAngle, right ? 9000 : -9000);
        QCOMPARE(app.Picture(), turned);
    }

    // Zoom and the part of the picture on the screen stay as they were.
    void keepsZoomAndPlace() {
        ViewApp app;
        app.Capture(3, 0);
        app.Command(ID_ZOOM_IN);
        app.Command(ID_ZOOM_IN);
        app.Lead().horizontalScrollBar()->setValue(37);
        app.Lead().verticalScrollBar()->setValue(21);
        const float zoom = app.Lead().GetZoomPercent();
        const QRectF place(app.Lead().GetViewLeft(), app.Lead().GetViewTop(),
                           app.Lead().GetViewWidth(), app.Lead().GetViewHeight());
        QVERIFY(place.left() < 0 && place.top() < 0);

        Answer<CSharpnessDlg>({Qt::Key_Right}, true);
        app.Command(ID_SHARPNESS);
        QCOMPARE(app.view->m_nSharpIndex, 4);
        QCOMPARE(app.Lead().GetZoomPercent(), zoom);
        QCOMPARE(QRectF(app.Lead().GetViewLeft(), app.Lead().GetViewTop(),
                        app.Lead().GetViewWidth(), app.Lead().GetViewHeight()),
                 place);
        QVERIFY(app.Lead().GetFlag5());
    }

    void cancelChangesNothing() {
        WriteProfileInt("Settings", "Sharpness", 2);
        ViewApp app;
        app.Capture(2, 1);
        app.Command(ID_ROTATE_RIGHT);
        const QImage before = app.Picture();
        const qint64 key = before.cacheKey();
        bool ran = false;
        Answer<CSharpnessDlg>({Qt::Key_End}, false, &ran);
        app.Command(ID_SHARPNESS);
        QVERIFY(ran);
        QCOMPARE(app.view->m_nSharpIndex, 2);
        QCOMPARE(app.view->m_nSharpValue, -800);
        QCOMPARE(GetProfileInt("Settings", "Sharpness", kNothingStored), 2);
        QCOMPARE(app.Picture().cacheKey(), key);
        QCOMPARE(app.Picture(), before);
    }

    // A picture opened from a file has no raw capture to rebuild from: the position is kept
    // for the next capture, and the shown picture is neither sharpened, resized nor turned.
    void openedFromFileKeepsThePicture() {
        ViewApp app;
        app.Capture(2, 0);  // leaves mode 2 on record: a rebuild would resize to 960 x 768
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("page.bmp"));
        QImage page(640, 480, QImage::Format_RGB888);
        page.fill(QColor(40, 90, 160));
        for (int x = 0; x < 640; x += 8) {
            page.setPixelColor(x, x * 480 / 640, Qt::white);
        }
        QVERIFY(page.save(path, "BMP"));
        app.Command(ID_HIDDEN_MODE);
        app.fileAnswer = path;
        app.Command(ID_FILE_OPEN);
        QVERIFY(app.view->m_hRaw.IsNull());
        QCOMPARE(app.Picture().size(), QSize(640, 480));
        app.Command(ID_ROTATE_RIGHT);
        const QImage shown = app.Picture();

        bool empty = false;
        test::WhenModal<CSharpnessDlg>([&empty](CSharpnessDlg& dlg) {
            empty = dlg.m_preview->GetPictureHandle() == 0;
            QTest::keyClick(dlg.m_slider, Qt::Key_End);
            dlg.m_ok->click();
        });
        app.Command(ID_SHARPNESS);
        QVERIFY(empty);
        QCOMPARE(app.view->m_nSharpIndex, 6);
        QCOMPARE(app.view->m_nSharpValue, 950);
        QCOMPARE(GetProfileInt("Settings", "Sharpness", kNothingStored), 6);
        QCOMPARE(app.Picture(), shown);
        QCOMPARE(app.Status(), QStringLiteral("Ready !"));
        QVERIFY(app.prompts.messages.isEmpty());
        QVERIFY(!QGuiApplication::overrideCursor());

        // The next capture takes the position chosen.
        app.Capture(3, 0);
        Answer<CSharpnessDlg>({}, true);
        const QImage captured = app.Picture();
        app.Command(ID_SHARPNESS);
        QCOMPARE(app.Picture(), captured);
    }
};

TAVELO_APP_TEST_MAIN(TestSettingsCommands)
#include "test_settings_commands.moc"
