// Looking for the sheet in the pages of a sitting in the background, without a window: the
// outline each page takes, its thumbnail, pages moved or removed while the finder works, and
// the options switched while there are pages.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "DeskPages.h"
#include "pages/PageList.h"
#include "pages/SheetFinder.h"

using namespace tavelo;
using test::AddDeskPage;
using test::kA4Tallness;
using test::Tallness;

namespace {

constexpr int kWaitMs = 120000;

struct Desk {
    QTemporaryDir dir;
    Sitting sitting;
    explicit Desk(bool findPage = true) {
        sitting.Open(dir.filePath("root"), "run");
        DocumentOptions options;
        options.findPage = findPage;
        sitting.SetOptions(options);
    }
    bool Add(std::uint32_t seed, DeskCase kind) {
        return AddDeskPage(sitting, dir.path(), seed, kind);
    }
    OutlineState State(int row) const { return sitting.Page(row).outline.state; }
};

}  // namespace

class TestSheetFinder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A page that comes is looked for off the GUI thread; its thumbnail becomes its document
    // page (an A4 sheet's shape when found, the picture's when not), and the dock marks the
    // page whose edge was not found.
    void newPageIsLookedFor_data() {
        QTest::addColumn<bool>("findPage");
        QTest::addColumn<int>("seed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("state");
        QTest::addColumn<double>("tallness");
        // An A4 sheet lies sideways in the wide frame, the way it shows largest.
        QTest::newRow("sheet on a desk")
            << true << 11 << int(DeskCase::Ordinary) << int(OutlineState::Found) << 1 / kA4Tallness;
        QTest::newRow("white on a light desk") << true << 11 << int(DeskCase::WhiteOnLight)
                                               << int(OutlineState::Found) << 1 / kA4Tallness;
        QTest::newRow("the desk alone")
            << true << 9 << int(DeskCase::NoPage) << int(OutlineState::NotFound) << 1024.0 / 1280;
        QTest::newRow("not looked for") << false << 11 << int(DeskCase::Ordinary)
                                        << int(OutlineState::Unknown) << 1024.0 / 1280;
    }
    void newPageIsLookedFor() {
        QFETCH(bool, findPage);
        QFETCH(int, seed);
        QFETCH(int, kind);
        QFETCH(int, state);
        QFETCH(double, tallness);
        Desk desk(findPage);
        SheetFinder finder(desk.sitting);
        PageList list(desk.sitting);
        QSignalSpy looked(&finder, &SheetFinder::pageLooked);
        QVERIFY(desk.Add(std::uint32_t(seed), DeskCase(kind)));
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(int(desk.State(0)), state);
        QCOMPARE(looked.count(), findPage ? 1 : 0);
        if (findPage) {
            QCOMPARE(looked.at(0).at(1).toBool(), state == int(OutlineState::Found));
        }
        const QImage thumbnail = desk.sitting.Store().Thumbnail(0);
        QVERIFY2(qAbs(Tallness(thumbnail) - tallness) < 0.04,
                 qPrintable(QString::number(Tallness(thumbnail))));
        const bool notFound = state == int(OutlineState::NotFound);
        const QString tip = list.data(list.index(0), Qt::ToolTipRole).toString();
        QCOMPARE(tip, notFound ? QString(kNoPageEdgeText) : QString());
        // The mark: amber near the thumbnail's top-right corner, where the page has none.
        const QImage shown =
            list.data(list.index(0), Qt::DecorationRole).value<QPixmap>().toImage();
        const QColor corner = shown.pixelColor(shown.width() - 7, 16);
        QCOMPARE(corner.red() > 200 && corner.blue() < 80, notFound);
        QCOMPARE(desk.sitting.History().count(), 0);  // nothing for Undo to take back
    }

    // Rows move while the finder works: what it finds goes to the page it was looking at,
    // found again by name, and a page removed meanwhile takes nothing.
    void pagesMovedWhileFinding() {
        Desk desk;
        SheetFinder finder(desk.sitting);
        QVERIFY(desk.Add(3, DeskCase::Ordinary));
        QVERIFY(desk.Add(4, DeskCase::NoPage));
        QVERIFY(desk.Add(5, DeskCase::Ordinary));
        const QString sheet = desk.sitting.Page(0).name;
        const QString empty = desk.sitting.Page(1).name;
        // No event is handled before these, so nothing found has been taken yet.
        QVERIFY(desk.sitting.MovePage(1, 0));
        QVERIFY(desk.sitting.RemovePages({2}));
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(desk.sitting.Count(), 2);
        QCOMPARE(desk.sitting.Page(0).name, empty);
        QCOMPARE(desk.State(0), OutlineState::NotFound);
        QCOMPARE(desk.sitting.Page(1).name, sheet);
        QCOMPARE(desk.State(1), OutlineState::Found);
        // Undone, the removed page comes back and is looked for then.
        desk.sitting.History().undo();
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(desk.sitting.Count(), 3);
        QCOMPARE(desk.State(2), OutlineState::Found);
    }

    // A page turned while it is being looked for gets its thumbnail turned as it is.
    void pageTurnedWhileFinding() {
        Desk desk;
        SheetFinder finder(desk.sitting);
        QVERIFY(desk.Add(11, DeskCase::Ordinary));  // an A4 sheet, lying sideways
        QVERIFY(desk.sitting.TurnPage(0, 1));
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(desk.State(0), OutlineState::Found);
        QVERIFY(qAbs(Tallness(desk.sitting.Store().Thumbnail(0)) - kA4Tallness) < 0.04);
    }

    // Switched on later, the pages not looked for are; switched off, every document page is
    // the picture as shown again. A new look makes the straightened thumbnails again.
    void optionsSwitchedLater() {
        Desk desk(false);
        SheetFinder finder(desk.sitting);
        QVERIFY(desk.Add(3, DeskCase::Ordinary));
        QVERIFY(desk.Add(4, DeskCase::NoPage));
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(desk.State(0), OutlineState::Unknown);
        DocumentOptions options = desk.sitting.Options();
        options.findPage = true;
        options.look = PageLook::Colour;
        desk.sitting.SetOptions(options);
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(desk.State(0), OutlineState::Found);
        QCOMPARE(desk.State(1), OutlineState::NotFound);
        QVERIFY(!desk.sitting.Store().Thumbnail(0).allGray());
        options.look = PageLook::Grey;
        desk.sitting.SetOptions(options);
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QVERIFY(desk.sitting.Store().Thumbnail(0).allGray());
        QCOMPARE(desk.State(0), OutlineState::Found);  // the sheet is not looked for again
        options.findPage = false;
        desk.sitting.SetOptions(options);
        QVERIFY(finder.WaitForIdle(kWaitMs));
        QCOMPARE(desk.State(0), OutlineState::Unknown);
        QCOMPARE(desk.State(1), OutlineState::Unknown);
        QVERIFY(qAbs(Tallness(desk.sitting.Store().Thumbnail(0)) - 0.8) < 0.04);
        QVERIFY(!desk.sitting.Store().Thumbnail(0).allGray());  // the desk's colours
    }
};

QTEST_MAIN(TestSheetFinder)
#include "test_sheet_finder.moc"
