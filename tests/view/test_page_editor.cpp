// The page editor on a sitting with one desk picture: a corner moved with the keyboard, also
// on a turned page; a move that would fold the outline refused; Reset and Whole picture; OK
// as one step that Undo takes back whole, Cancel and an unchanged page as none; the
// straightened preview following the latest request.

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppTestSupport.h"
#include "device/DeskScene.h"
#include "pages/Sitting.h"
#include "view/PageCanvas.h"
#include "view/PageEditor.h"

using namespace tavelo;

namespace {

// A sitting whose one page is a desk scene with a sheet in it, its outline as the finder
// gave it (or not looked for), turned `turns` quarter turns, with no history yet.
struct Rig {
    QTemporaryDir dir;
    Sitting sitting;
    QImage picture;

    explicit Rig(int turns = 0, DeskCase kind = DeskCase::Ordinary, bool lookedFor = true) {
        sitting.Open(dir.filePath("cache"), "run");
        picture = RenderDeskScene(11, 640, 512, kind).picture;
        const QString file = dir.filePath("desk.bmp");
        picture.save(file);
        sitting.AddFile(file, picture);
        // The thumbnail is the document page, as the application makes it.
        const PageOutline outline = lookedFor ? OutlineFor(picture, true) : PageOutline{};
        sitting.TakeOutline(0, outline, DocumentPicture(picture, outline, PageLook::Grey).picture);
        if (turns != 0) {
            sitting.TurnPage(0, turns);
        }
        sitting.History().clear();
    }
    const PageRecord& Page() const { return sitting.Page(0); }
};

// The editor shown, as the user meets it, the outline's handles focused.
void ShowEditor(PageEditor& editor) {
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QApplication::setActiveWindow(&editor);
    editor.Canvas()->setFocus(Qt::OtherFocusReason);
}

QPointF Fraction(QSize size, double x, double y) {
    return QPointF(size.width() * x, size.height() * y);
}

// Actions the user takes in the editor, by name.
void Act(PageEditor& editor, const QString& action) {
    PageCanvas& canvas = *editor.Canvas();
    if (action == "drag") {
        // The mouse takes the bottom-right handle and moves it up and to the left.
        const QPoint from = canvas.ToWidget(canvas.Corners()[2]).toPoint();
        QTest::mousePress(&canvas, Qt::LeftButton, {}, from);
        QTest::mouseMove(&canvas, from - QPoint(12, 9));
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, from - QPoint(12, 9));
    } else if (action == "left" || action == "right") {
        editor.Turn(action == "left" ? -1 : 1);
    } else if (action == "bw") {
        QTest::keyClick(&editor, Qt::Key_K, Qt::AltModifier);  // Loo&k
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    } else if (action == "grey") {
        QTest::keyClick(&editor, Qt::Key_K, Qt::AltModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    } else if (action == "whole" || action == "reset") {
        // A button's mnemonic clicks it a moment later, once it has been seen pressed.
        const QString text = action == "whole" ? "&Whole picture" : "&Reset";
        QPushButton* button = nullptr;
        for (QPushButton* b : editor.findChildren<QPushButton*>()) {
            button = b->text() == text ? b : button;
        }
        QVERIFY(button != nullptr);
        QTest::keyClick(&editor, action == "whole" ? Qt::Key_W : Qt::Key_R, Qt::AltModifier);
        QVERIFY(button->isDown());
        QTRY_VERIFY(!button->isDown());
    } else {
        QFAIL(qPrintable("no action " + action));
    }
}

}  // namespace

class TestPageEditor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { SetPageEditorHandler({}); }

    // Tab goes from corner to corner, an arrow moves the focused one a pixel of the screen
    // (ten with Shift), held inside the picture; on a turned page the corner moved is the
    // page's own corner that shows there.
    void keyboardMovesACorner_data() {
        QTest::addColumn<int>("turns");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("shown");         // the corner moved, as shown
        QTest::addColumn<QPointF>("onScreen");  // by this many screen pixels
        QTest::addColumn<int>("stored");        // the page's corner, before its turns
        QTest::addColumn<QPointF>("inPage");    // moved along the page by this many
        QTest::newRow("right arrow")
            << 0 << false << "Right" << 0 << QPointF(1, 0) << 0 << QPointF(1, 0);
        QTest::newRow("tab, down arrow")
            << 0 << false << "Tab Down" << 1 << QPointF(0, 1) << 1 << QPointF(0, 1);
        QTest::newRow("three tabs and one back, shift+left")
            << 0 << false << "Tab Tab Tab Backtab ShiftLeft" << 2 << QPointF(-10, 0) << 2
            << QPointF(-10, 0);
        QTest::newRow("held inside the picture")
            << 0 << true << "Up" << 0 << QPointF(0, 0) << 0 << QPointF(0, 0);
        QTest::newRow("turned right: the shown top left is the bottom left")
            << 1 << false << "Right" << 0 << QPointF(1, 0) << 3 << QPointF(0, -1);
        QTest::newRow("turned half: the shown top right is the bottom left")
            << 2 << false << "Tab ShiftDown" << 1 << QPointF(0, 10) << 3 << QPointF(0, -10);
        QTest::newRow("turned left: the shown bottom right is the bottom left")
            << 3 << false << "Tab Tab Up" << 2 << QPointF(0, -1) << 3 << QPointF(1, 0);
    }
    void keyboardMovesACorner() {
        QFETCH(int, turns);
        QFETCH(bool, whole);
        QFETCH(QString, keys);
        QFETCH(int, shown);
        QFETCH(QPointF, onScreen);
        QFETCH(int, stored);
        QFETCH(QPointF, inPage);
        Rig rig(turns);
        PageEditor editor(rig.sitting, 0);
        ShowEditor(editor);
        if (whole) {
            editor.TakeWholePicture();
        }
        PageCanvas& canvas = *editor.Canvas();
        const PageCorners before = canvas.Corners();
        const PageCorners storedBefore = editor.Outline().corners;
        for (const QString& key : keys.split(' ')) {
            const bool shift = key.startsWith("Shift");
            const QString name = shift ? key.mid(5) : key;
            const Qt::Key code = name == "Tab"       ? Qt::Key_Tab
                                 : name == "Backtab" ? Qt::Key_Backtab
                                 : name == "Up"      ? Qt::Key_Up
                                 : name == "Down"    ? Qt::Key_Down
                                 : name == "Left"    ? Qt::Key_Left
                                                     : Qt::Key_Right;
            QTest::keyClick(&canvas, code, shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
        QCOMPARE(canvas.FocusedCorner(), shown);
        const double scale = canvas.Scale();
        for (int i = 0; i < 4; ++i) {
            const QPointF moved = (canvas.Corners()[i] - before[i]) * scale;
            const QPointF expected = i == shown ? onScreen : QPointF();
            QVERIFY2(
                qAbs(moved.x() - expected.x()) < 1e-6 && qAbs(moved.y() - expected.y()) < 1e-6,
                qPrintable(QString("corner %1 moved %2, %3").arg(i).arg(moved.x()).arg(moved.y())));
            const QPointF along = (editor.Outline().corners[i] - storedBefore[i]) * scale;
            const QPointF expectedAlong = i == stored ? inPage : QPointF();
            QVERIFY2(
                qAbs(along.x() - expectedAlong.x()) < 1e-6 &&
                    qAbs(along.y() - expectedAlong.y()) < 1e-6,
                qPrintable(
                    QString("page corner %1 moved %2, %3").arg(i).arg(along.x()).arg(along.y())));
        }
    }

    // A corner may go anywhere that keeps the outline from folding over; a refused move
    // changes nothing, not even the outline's state.
    void foldingMoveRefused_data() {
        QTest::addColumn<int>("corner");
        QTest::addColumn<QPointF>("to");  // as fractions of the picture
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QPointF>("lands");
        QTest::newRow("inwards") << 0 << QPointF(0.2, 0.1) << true << QPointF(0.2, 0.1);
        QTest::newRow("past the other diagonal")
            << 0 << QPointF(0.8, 0.7) << false << QPointF(0, 0);
        QTest::newRow("onto the line of its neighbours")
            << 0 << QPointF(0.5, 0.5) << false << QPointF(0, 0);
        QTest::newRow("across a neighbour's side")
            << 1 << QPointF(0.1, 0.5) << false << QPointF(1, 0);
        QTest::newRow("out past the left, held at the edge")
            << 3 << QPointF(-0.3, 0.9) << true << QPointF(0, 0.9);
    }
    void foldingMoveRefused() {
        QFETCH(int, corner);
        QFETCH(QPointF, to);
        QFETCH(bool, taken);
        QFETCH(QPointF, lands);
        Rig rig;
        PageEditor editor(rig.sitting, 0);
        ShowEditor(editor);
        editor.TakeWholePicture();
        const PageOutline before = editor.Outline();
        const QSize size = editor.Canvas()->PictureSize();
        QCOMPARE(editor.Canvas()->MoveCorner(corner, Fraction(size, to.x(), to.y())), taken);
        QCOMPARE(editor.Canvas()->Corners()[corner], Fraction(size, lands.x(), lands.y()));
        QCOMPARE(editor.Outline() == before, !taken);
    }

    // Reset puts back what the finder found: the outline the page had, or, on a page never
    // looked at, what the finder finds now (on a bare desk nothing, and the editor says so).
    // Whole picture keeps the finder's confidence.
    void resetAndWholePicture_data() {
        QTest::addColumn<bool>("lookedFor");
        QTest::addColumn<bool>("page");  // a sheet on the desk
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("wholeCorners");
        const int found = int(OutlineState::Found), edited = int(OutlineState::Edited);
        QTest::newRow("whole picture") << true << true << "whole" << edited << true;
        QTest::newRow("a drag, then reset") << true << true << "drag reset" << found << false;
        QTest::newRow("whole picture, then reset")
            << true << true << "whole reset" << found << false;
        QTest::newRow("reset on a page never looked at")
            << false << true << "reset" << found << false;
        QTest::newRow("whole picture on a page never looked at")
            << false << true << "whole" << edited << true;
        QTest::newRow("reset on a bare desk never looked at")
            << false << false << "reset" << int(OutlineState::NotFound) << true;
        QTest::newRow("whole picture on a bare desk") << true << false << "whole" << edited << true;
    }
    void resetAndWholePicture() {
        QFETCH(bool, lookedFor);
        QFETCH(bool, page);
        QFETCH(QString, actions);
        QFETCH(int, state);
        QFETCH(bool, wholeCorners);
        Rig rig(0, page ? DeskCase::Ordinary : DeskCase::NoPage, lookedFor);
        const double confidence = rig.Page().outline.confidence;
        PageEditor editor(rig.sitting, 0);
        ShowEditor(editor);
        for (const QString& action : actions.split(' ')) {
            Act(editor, action);
        }
        const PageOutline found = OutlineFor(rig.picture, true);
        QCOMPARE(found.state == OutlineState::Found, page);
        QCOMPARE(int(editor.Outline().state), state);
        QCOMPARE(editor.Outline().corners,
                 wholeCorners ? WholePicture(rig.picture.size()) : found.corners);
        QCOMPARE(editor.Outline().confidence,
                 actions.endsWith("reset") ? found.confidence : confidence);
        bool told = false;
        for (const QLabel* label : editor.findChildren<QLabel*>()) {
            told = told || (label->isVisible() && label->text() == kNoPageEdgeText);
        }
        QCOMPARE(told, state == int(OutlineState::NotFound));
    }

    // OK writes the edit as one step, which Undo takes back whole: outline, look, turns and
    // thumbnail. Cancel writes nothing, nor does OK on a page left as it was.
    void okIsOneStep_data() {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("step");
        QTest::addColumn<int>("turns");
        QTest::addColumn<int>("look");
        QTest::newRow("a drag") << "drag" << true << true << 0 << -1;
        QTest::newRow("turned left, black and white, a drag")
            << "left bw drag" << true << true << 3 << int(PageLook::BlackWhite);
        QTest::newRow("turned right only") << "right" << true << true << 1 << -1;
        QTest::newRow("whole picture") << "whole" << true << true << 0 << -1;
        QTest::newRow("turned right and back") << "right left" << true << false << 0 << -1;
        QTest::newRow("the sitting's look chosen again") << "bw grey" << true << false << 0 << -1;
        QTest::newRow("nothing done") << "" << true << false << 0 << -1;
        QTest::newRow("Escape after a drag and a turn")
            << "drag right" << false << false << 0 << -1;
    }
    void okIsOneStep() {
        QFETCH(QString, actions);
        QFETCH(bool, ok);
        QFETCH(bool, step);
        QFETCH(int, turns);
        QFETCH(int, look);
        Rig rig;
        const PageRecord before = rig.Page();
        const QSize thumbnail = rig.sitting.Store().Thumbnail(0).size();
        PageOutline edited;
        SetPageEditorHandler([&](PageEditor& editor) {
            ShowEditor(editor);
            for (const QString& action : actions.split(' ', Qt::SkipEmptyParts)) {
                Act(editor, action);
            }
            edited = editor.Outline();
            // Enter on the outline is OK.
            QTest::keyClick(editor.Canvas(), ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        QCOMPARE(EditPageInDialog(rig.sitting, 0, nullptr), step);
        QCOMPARE(rig.sitting.History().count(), step ? 1 : 0);
        if (!step) {
            QCOMPARE(rig.Page().outline, before.outline);
            QCOMPARE(rig.Page().turns, before.turns);
            QCOMPARE(rig.Page().look, before.look);
            return;
        }
        QCOMPARE(rig.Page().outline, edited);
        QCOMPARE(rig.Page().turns, turns);
        QCOMPARE(rig.Page().look, look);
        // The thumbnail is the document page as it now is.
        const QSize now = rig.sitting.Store().Thumbnail(0).size();
        const QSize page = rig.sitting.DocumentPage(0).picture.size().scaled(
            PageStore::kThumbnailSize, PageStore::kThumbnailSize, Qt::KeepAspectRatio);
        QVERIFY2(qAbs(now.width() - page.width()) <= 1 && qAbs(now.height() - page.height()) <= 1,
                 qPrintable(QString("thumbnail %1 x %2").arg(now.width()).arg(now.height())));
        rig.sitting.History().undo();
        QCOMPARE(rig.Page().outline, before.outline);
        QCOMPARE(rig.Page().turns, before.turns);
        QCOMPARE(rig.Page().look, before.look);
        QCOMPARE(rig.sitting.Store().Thumbnail(0).size(), thumbnail);
        rig.sitting.History().redo();
        QCOMPARE(rig.Page().outline, edited);
        QCOMPARE(rig.Page().turns, turns);
    }

    // The preview is made away from the window and the latest request is the one that shows:
    // after a turn the straightened page lies on its side.
    void previewFollowsTheLatest() {
        Rig rig;
        PageEditor editor(rig.sitting, 0);
        ShowEditor(editor);
        QTRY_COMPARE_WITH_TIMEOUT(editor.PreviewShown(), editor.PreviewAsked(), 20000);
        const bool tall = editor.Preview().height() > editor.Preview().width();
        Act(editor, "drag");
        Act(editor, "right");
        QTRY_COMPARE_WITH_TIMEOUT(editor.PreviewShown(), editor.PreviewAsked(), 20000);
        QCOMPARE(editor.Preview().height() > editor.Preview().width(), !tall);
    }
};

TAVELO_APP_TEST_MAIN(TestPageEditor)
#include "test_page_editor.moc"
