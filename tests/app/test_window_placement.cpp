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

    // Also run on a 1600 x 1000 screen at twice the scale (test_window_placement_scaled).
    void restoredWholeOnScreen_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("stored");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QSize huge(1 << 24, 1 << 24);
        // Nothing stored: the window shrunk to the view's form, which is smaller than the
        // window's smallest size.
        QTest::newRow("first start")
            << "" << QSize(CMainFrame::MIN_TRACK_WIDTH, CMainFrame::MIN_TRACK_HEIGHT);
        QTest::newRow("filling a 1600 x 1000 screen at scale 1")
            << "0,1,-1,-1,-1,-1,0,30,1600,1000" << QSize(1600, 970);
        QTest::newRow("off screen") << "0,1,-1,-1,-1,-1,5000,4000,5600,4500" << QSize(600, 500);
        QTest::newRow("taller than the screen")
            << QStringLiteral("0,1,-1,-1,-1,-1,0,0,600,%1").arg(screen.height() + 300)
            << QSize(600, screen.height() + 300);
        QTest::newRow("two billion") << "0,1,-1,-1,-1,-1,0,0,2000000000,2000000000" << huge;
        QTest::newRow("widest numbers")
            << "0,1,-1,-1,-1,-1,-2147483648,-2147483648,2147483647,2147483647" << huge;
    }
    void restoredWholeOnScreen() {
        QFETCH(QString, text);
        QFETCH(QSize, stored);
        WriteProfileString("Settings", "WindowPos", text);
        Frame f;
        f.frame->RestorePlacement(SW_SHOWNORMAL);
        QVERIFY(f.frame->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(f.frame->frameGeometry()),
                 qPrintable(QStringLiteral("%1 x %2 at %3, %4")
                                .arg(f.frame->width())
                                .arg(f.frame->height())
                                .arg(f.frame->x())
                                .arg(f.frame->y())));
        const QSize frame = f.frame->frameGeometry().size() - f.frame->size();
        QCOMPARE(f.frame->size(), stored.boundedTo(screen.size() - frame));
        // The stored text stays as it was until the window closes.
        QCOMPARE(StoredText(), text);
    }

    void keepOnScreen_data() {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("expected");  // null: anywhere whole on the screen
        QTest::addColumn<QSize>("size");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect inside(10, 10, 300, 200);
        QTest::newRow("inside") << inside << inside << inside.size();
        const QRect corner(screen.right(), screen.bottom(), 300, 200);
        QTest::newRow("one pixel on screen") << corner << corner << corner.size();
        QTest::newRow("left of every screen")
            << QRect(-2000, 10, 300, 200) << QRect() << QSize(300, 200);
        QTest::newRow("below every screen")
            << QRect(10, screen.bottom() + 1, 300, 200) << QRect() << QSize(300, 200);
        QTest::newRow("larger than the screen, off it")
            << QRect(-5000, -5000, screen.width() + 400, screen.height() + 400) << QRect()
            << screen.size();
        QTest::newRow("wider than the screen, on it")
            << QRect(screen.left() + 20, screen.top() + 20, screen.width() + 400, 200) << QRect()
            << QSize(screen.width(), 200);
    }
    void keepOnScreen() {
        QFETCH(QRect, rect);
        QFETCH(QRect, expected);
        QFETCH(QSize, size);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect result = KeepOnScreen(rect);
        QCOMPARE(result.size(), size);
        if (expected.isNull()) {
            QVERIFY(screen.contains(result));
        } else {
            QCOMPARE(result, expected);
        }
    }

    void keepOnScreenLeavesRoomForTheFrame() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QMargins frame(4, 30, 4, 4);
        const QRect result = KeepOnScreen(QRect(0, 0, screen.width(), screen.height()), frame);
        QCOMPARE(result.marginsAdded(frame), screen);
    }
};

TAVELO_APP_TEST_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
