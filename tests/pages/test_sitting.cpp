// The sitting as a document, without a window: its pages in order, what it says when they
// change, undo and redo of delete, move and turn, New Document's discard and its undo, and
// the pages of an ended run back in the next.

#include <QTemporaryDir>
#include <QtTest>

#include "pages/PageList.h"
#include "pages/PageStraightener.h"
#include "pages/Sitting.h"

using namespace tavelo;

namespace {

// Pages A, B, C, ... each from a picture file of its own width, so turns show in sizes.
void AddPictures(Sitting& sitting, const QString& folder, int count) {
    for (int i = 0; i < count; ++i) {
        QImage picture(40 + 10 * i, 20, QImage::Format_RGB888);
        picture.fill(QColor(40 * i, 100, 200));
        const QString file = QDir(folder).filePath(QStringLiteral("%1.bmp").arg(i));
        QVERIFY(picture.save(file));
        QVERIFY(sitting.AddFile(file, picture));
    }
}

// "A B1 C": the pages in order, each with its quarter turns when it has some. A page is
// known by its picture's width before any turn, whatever name the store gives it.
QString Order(const Sitting& sitting) {
    QStringList order;
    for (int i = 0; i < sitting.Count(); ++i) {
        const int turns = sitting.Page(i).turns;
        const QSize size = sitting.Store().Picture(i).size();
        const int width = turns % 2 ? size.height() : size.width();
        order << QChar('A' + (width - 40) / 10) + (turns ? QString::number(turns) : "");
    }
    return order.join(' ');
}

// Three pages and every notice the sitting gives after them.
struct Pages {
    QTemporaryDir dir;
    Sitting sitting;
    QStringList notices;

    Pages() {
        sitting.Open(dir.filePath("root"), "one");
        AddPictures(sitting, dir.path(), 3);
        QObject::connect(&sitting, &Sitting::pageAdded, [this](int r) { Say("added", r); });
        QObject::connect(&sitting, &Sitting::pageRemoved, [this](int r) { Say("removed", r); });
        QObject::connect(&sitting, &Sitting::pageChanged, [this](int r) { Say("changed", r); });
        QObject::connect(&sitting, &Sitting::pageMoved, [this](int from, int to) {
            notices << QStringLiteral("moved %1 %2").arg(from).arg(to);
        });
        QObject::connect(&sitting, &Sitting::pagesReset, [this] { notices << "reset"; });
    }
    void Say(const char* what, int row) { notices << QStringLiteral("%1 %2").arg(what).arg(row); }
    QString Order() const { return ::Order(sitting); }
};

}  // namespace

class TestSitting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void edits_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("undoSaid");
        QTest::newRow("delete one") << "delete 1"
                                    << "A C" << QStringList{"removed 1"} << QStringList{"added 1"};
        QTest::newRow("delete two at once, one step")
            << "delete 2 0"
            << "B" << QStringList{"removed 2", "removed 0"} << QStringList{"added 0", "added 2"};
        QTest::newRow("move the last to the front")
            << "move 2 0"
            << "C A B" << QStringList{"moved 2 0"} << QStringList{"moved 0 2"};
        QTest::newRow("turn right")
            << "turn 1 1"
            << "A B1 C" << QStringList{"changed 1"} << QStringList{"changed 1"};
        QTest::newRow("turn left")
            << "turn 0 -1"
            << "A3 B C" << QStringList{"changed 0"} << QStringList{"changed 0"};
    }
    void edits() {
        QFETCH(QString, edit);
        QFETCH(QString, after);
        QFETCH(QStringList, said);
        QFETCH(QStringList, undoSaid);
        Pages p;
        const QStringList w = edit.split(' ');
        if (w[0] == "delete") {
            std::vector<int> rows;
            for (int i = 1; i < w.size(); ++i) {
                rows.push_back(w[i].toInt());
            }
            QVERIFY(p.sitting.RemovePages(rows));
        } else if (w[0] == "move") {
            QVERIFY(p.sitting.MovePage(w[1].toInt(), w[2].toInt()));
        } else {
            QVERIFY(p.sitting.TurnPage(w[1].toInt(), w[2].toInt()));
        }
        QCOMPARE(p.Order(), after);
        QCOMPARE(p.notices, said);
        QCOMPARE(p.sitting.History().count(), 1);
        p.notices.clear();
        p.sitting.History().undo();
        QCOMPARE(p.Order(), QStringLiteral("A B C"));
        QCOMPARE(p.notices, undoSaid);
        p.sitting.History().redo();
        QCOMPARE(p.Order(), after);
    }

    // The thumbnail turns with the page, and so does the page's picture.
    void turnedThumbnail() {
        Pages p;
        const QImage before = p.sitting.Store().Thumbnail(2);
        const QSize picture = p.sitting.Store().Picture(2).size();
        QVERIFY(p.sitting.TurnPage(2, 1));
        QCOMPARE(p.sitting.Store().Thumbnail(2).size(), before.size().transposed());
        QCOMPARE(p.sitting.Store().Picture(2).size(), picture.transposed());
        p.sitting.History().undo();
        QCOMPARE(p.sitting.Store().Thumbnail(2).size(), before.size());
    }

    // Placing the sheet anew is one undoable step with its thumbnail; the same outline
    // again is none, and what the finder says of a new page is no step at all.
    void outlineEdit() {
        Pages p;
        const PageOutline found{OutlineState::Found,
                                0.9,
                                {QPointF(1, 1), QPointF(40, 2), QPointF(41, 19), QPointF(2, 18)}};
        QVERIFY(p.sitting.TakeOutline(1, found));
        QCOMPARE(p.sitting.History().count(), 0);
        const QImage before = p.sitting.Store().Thumbnail(1);
        PageOutline edited = found;
        edited.state = OutlineState::Edited;
        edited.corners[2] = QPointF(30, 15);
        QImage straight(20, 30, QImage::Format_Grayscale8);
        straight.fill(255);
        p.notices.clear();
        QVERIFY(p.sitting.EditPage(1, edited, int(PageLook::BlackWhite), straight));
        QVERIFY(p.sitting.EditPage(1, edited, int(PageLook::BlackWhite), straight));
        QCOMPARE(p.sitting.History().count(), 1);
        QCOMPARE(p.notices, QStringList{"changed 1"});
        QCOMPARE(p.sitting.Page(1).outline, edited);
        QCOMPARE(p.sitting.Store().Thumbnail(1).size(), QSize(64, 96));  // the straight page's
        p.sitting.History().undo();
        QCOMPARE(p.sitting.Page(1).outline, found);
        QCOMPARE(p.sitting.Page(1).look, -1);
        QCOMPARE(p.sitting.Store().Thumbnail(1).size(), before.size());
        // The document page follows the page's outline, look and turns.
        QVERIFY(p.sitting.TurnPage(1, 1));
        QVERIFY(p.sitting.EditPage(1, edited, int(PageLook::BlackWhite)));
        const StraightPage page = p.sitting.DocumentPage(1);
        QCOMPARE(page.picture.format(), QImage::Format_Grayscale8);
        QVERIFY(page.picture.width() < page.picture.height());  // a wide sheet, turned
        QVERIFY(!p.sitting.EditPage(3, edited, -1));
        QVERIFY(!p.sitting.EditPage(1, edited, 3));
    }

    // New Document's discard: an empty sitting; undone, every page is back as it was.
    void discardAndUndo() {
        Pages p;
        p.sitting.TurnPage(1, 1);
        p.sitting.MarkKept({0});
        QCOMPARE(p.sitting.UnkeptCount(), 2);
        p.notices.clear();
        QVERIFY(p.sitting.Discard());
        QCOMPARE(p.sitting.Count(), 0);
        QCOMPARE(p.notices, QStringList{"reset"});
        QVERIFY(p.sitting.History().canUndo());
        p.sitting.History().undo();
        QCOMPARE(p.sitting.Count(), 3);
        QCOMPARE(p.Order(), QStringLiteral("A B1 C"));
        QCOMPARE(p.sitting.UnkeptCount(), 2);
        p.sitting.History().redo();
        QCOMPARE(p.sitting.Count(), 0);
    }

    // A run that ends keeps its sitting; the next one takes it in without a word.
    void nextRunTakesThePagesBack() {
        QTemporaryDir dir;
        const QString root = dir.filePath("root");
        {
            Sitting first;
            QVERIFY(first.Open(root, "one"));
            AddPictures(first, dir.path(), 3);
            first.MovePage(0, 2);
            first.TurnPage(0, 1);
            first.RemovePages({1});
            QCOMPARE(Order(first), QStringLiteral("B1 A"));
        }
        Sitting next;
        QVERIFY(next.Open(root, "two"));
        QSignalSpy added(&next, &Sitting::pageAdded);
        QCOMPARE(next.RestoreLeftovers(), QString());
        QCOMPARE(added.count(), 2);
        QCOMPARE(Order(next), QStringLiteral("B1 A"));
    }

    // The dock's list is a view of the sitting: each notice becomes the model's own.
    void listFollowsTheSitting() {
        Pages p;
        PageList list(p.sitting);
        QStringList said;
        const auto rows = [&said](const char* what) {
            return [&said, what](const QModelIndex&, int first, int last) {
                said << QStringLiteral("%1 %2-%3").arg(what).arg(first).arg(last);
            };
        };
        connect(&list, &QAbstractItemModel::rowsInserted, this, rows("inserted"));
        connect(&list, &QAbstractItemModel::rowsRemoved, this, rows("removed"));
        connect(&list, &QAbstractItemModel::rowsMoved, this,
                [&said](const QModelIndex&, int first, int, const QModelIndex&, int before) {
                    said << QStringLiteral("moved %1 before %2").arg(first).arg(before);
                });
        connect(&list, &QAbstractItemModel::dataChanged, this, [&said](const QModelIndex& from) {
            said << QStringLiteral("changed %1").arg(from.row());
        });
        connect(&list, &QAbstractItemModel::modelReset, this, [&said] { said << "reset"; });
        QCOMPARE(list.rowCount(), 3);
        QVERIFY(list.moveRow({}, 0, {}, 3));
        QCOMPARE(p.Order(), QStringLiteral("B C A"));
        QVERIFY(list.removeRow(1));
        QCOMPARE(list.rowCount(), 2);
        p.sitting.History().undo();
        QCOMPARE(list.rowCount(), 3);
        list.data(list.index(0), Qt::DecorationRole);  // the thumbnail kept in memory
        QVERIFY(p.sitting.TurnPage(0, 1));
        QCOMPARE(list.data(list.index(0), Qt::DecorationRole).value<QPixmap>().size(),
                 p.sitting.Store().Thumbnail(0).size());
        QVERIFY(p.sitting.Discard());
        QCOMPARE(list.rowCount(), 0);
        p.sitting.History().undo();
        QCOMPARE(list.rowCount(), 3);
        QCOMPARE(said, (QStringList{"moved 0 before 3", "removed 1-1", "inserted 1-1", "changed 0",
                                    "reset", "reset"}));
    }
};

QTEST_MAIN(TestSitting)
#include "test_sitting.moc"
