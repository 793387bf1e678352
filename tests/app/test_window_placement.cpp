#include <QGuiApplication>
#include <QScreen>
#include <memory>

#include "app/MainFrame.h"
#include "app/WindowPlacement.h"
#include "device/SimulatedBackend.h"
#include "settings/Profile.h"
#include "support/ViewApp.h"
#include "view/Tavelo2View.h"

using namespace tavelo;

namespace {

// The frame and its view, not shown.
struct Frame : test::SimulatedCameraFirst, test::FrameRig {
    Frame() : FrameRig(camera) {}
};

QString StoredText() {
    return GetProfileString("Settings", "WindowPos");
}

}  // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { WriteProfileString("Settings", "WindowPos", QString()); }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("bottom");
        QTest::newRow("ten numbers") << "0,1,-1,-1,-1,-1,10,10,600,500" << true << 10 << 500;
        QTest::newRow("maximized") << "2,3,-1,-1,-8,-8,30,40,630,490" << true << 30 << 490;
        QTest::newRow("nine numbers") << "0,1,-1,-1,-1,-1,10,10,600" << false << 0 << 0;
        QTest::newRow("empty") << "" << false << 0 << 0;
        QTest::newRow("words") << "left,top" << false << 0 << 0;
        QTest::newRow("gap") << "0,1,-1,-1,,-1,10,10,600,500" << false << 0 << 0;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        WindowPlacement wp;
        QCOMPARE(ParsePlacement(text, wp), accepted);
        if (accepted) {
            QFETCH(int, left);
            QFETCH(int, bottom);
            QCOMPARE(wp.left, left);
            QCOMPARE(wp.bottom, bottom);
            // The text written back is the text read.
            QCOMPARE(FormatPlacement(wp), text);
        }
    }

    void tenNumbersOpenAtTheirRectangle() {
        WriteProfileString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,10,600,500");
        Frame f;
        f.frame->RestorePlacement(SW_SHOWNORMAL);
        QVERIFY(f.frame->isVisible());
        QCOMPARE(f.frame->geometry(), QRect(10, 10, 590, 490));
        QVERIFY(!f.frame->isMaximized());
    }

    void nineNumbersAreIgnored() {
        Frame plain;
        const QRect defaultGeometry = plain.frame->geometry();
        WriteProfileString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,10,600");
        Frame f;
        f.frame->RestorePlacement(SW_SHOWNORMAL);
        QVERIFY(f.frame->isVisible());
        QCOMPARE(f.frame->size(), defaultGeometry.size());
        QVERIFY(f.frame->geometry() != QRect(10, 10, 590, 490));
    }

    void maximizedComesBackMaximized() {
        {
            Frame f;
            f.frame->setGeometry(30, 40, 600, 450);
            f.frame->show();
            f.frame->showMaximized();
            QTRY_VERIFY(f.frame->isMaximized());
            f.frame->close();
        }
        WindowPlacement stored;
        QVERIFY2(ParsePlacement(StoredText(), stored), qPrintable(StoredText()));
        QCOMPARE(stored.flags, WPF_RESTORETOMAXIMIZED);
        QCOMPARE(stored.showCmd, static_cast<unsigned>(SW_SHOWMAXIMIZED));
        QCOMPARE(stored.NormalRect(), QRect(30, 40, 600, 450));

        Frame again;
        again.frame->RestorePlacement(SW_SHOWNORMAL);
        QTRY_VERIFY(again.frame->isMaximized());
        QCOMPARE(again.frame->normalGeometry(), QRect(30, 40, 600, 450));
        // Restoring goes back to the stored normal rectangle.
        again.frame->showNormal();
        QTRY_COMPARE(again.frame->geometry(), QRect(30, 40, 600, 450));
    }

    void normalCloseStoresNormalRectangle() {
        {
            Frame f;
            f.frame->setGeometry(50, 60, 640, 480);
            f.frame->show();
            f.frame->close();
        }
        QCOMPARE(StoredText(), QStringLiteral("0,1,-1,-1,-1,-1,50,60,690,540"));
    }

    void startShowCommandOverridesStoredOne() {
        WriteProfileString("Settings", "WindowPos", "2,3,-1,-1,-1,-1,10,10,600,500");
        Frame f;
        f.frame->RestorePlacement(SW_SHOWMINIMIZED);
        QTRY_VERIFY(f.frame->windowState().testFlag(Qt::WindowMinimized));
        // Minimized from a maximized record: restoring brings it back maximized.
        QVERIFY(f.frame->windowState().testFlag(Qt::WindowMaximized));
    }

    void hiddenShowCommandStillShowsTheWindow() {
        WriteProfileString("Settings", "WindowPos", "0,0,-1,-1,-1,-1,10,10,600,500");
        Frame f;
        f.frame->RestorePlacement(SW_SHOWNORMAL);
        QVERIFY(f.frame->isVisible());
        QCOMPARE(f.frame->geometry(), QRect(10, 10, 590, 490));
    }

    void offScreenRectangleComesBackVisible() {
        const QString text = QStringLiteral("0,1,-1,-1,-1,-1,5000,4000,5600,4500");
        WriteProfileString("Settings", "WindowPos", text);
        Frame f;
        f.frame->RestorePlacement(SW_SHOWNORMAL);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(f.frame->geometry()));
        QVERIFY(screen.contains(f.frame->geometry().topLeft()));
        QCOMPARE(f.frame->size(), QSize(600, 500));
        // The stored text stays as it was until the window closes.
        QCOMPARE(StoredText(), text);
    }

    void keepOnScreen_data() {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("moved");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTest::newRow("inside") << QRect(10, 10, 300, 200) << false;
        QTest::newRow("one pixel on screen")
            << QRect(screen.right(), screen.bottom(), 300, 200) << false;
        QTest::newRow("left of every screen") << QRect(-2000, 10, 300, 200) << true;
        QTest::newRow("below every screen") << QRect(10, screen.bottom() + 1, 300, 200) << true;
        QTest::newRow("larger than the screen")
            << QRect(-5000, -5000, screen.width() + 400, screen.height() + 400) << true;
    }
    void keepOnScreen() {
        QFETCH(QRect, rect);
        QFETCH(bool, moved);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect result = KeepOnScreen(rect);
        QCOMPARE(result.size(), rect.size());
        QCOMPARE(result != rect, moved);
        if (moved) {
            QVERIFY(screen.contains(result.topLeft()));
        }
    }
};

TAVELO_APP_TEST_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
