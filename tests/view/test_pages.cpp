// The pages of a sitting through the view's commands over the simulated camera: captures
// and opened pictures become pages, a page shows again as captured, Capture to Series
// names its files, Export PDF, Print and Copy.

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QListView>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

#include "app/PageLineDelegate.h"
#include "app/PagesDock.h"
#include "device/MemoryBlock.h"
#include "pages/PageList.h"
#include "pages/PageReader.h"
#include "pages/SheetFinder.h"
#include "pages/Sitting.h"
#include "pages/SittingReader.h"
#include "res/CommandIds.h"
#include "settings/DocumentSettings.h"
#include "settings/SeriesSettings.h"
#include "support/FileFaults.h"
#include "support/TextPages.h"
#include "support/ViewApp.h"
#include "view/PagePrompts.h"
#include "view/TextWait.h"

using namespace tavelo;

namespace {

// The view with this run's pages in a folder of the test's and the series going to another.
struct App : test::ViewApp {
    QTemporaryDir dir;
    QString Series() const { return dir.filePath("series"); }
    // The sheet is looked for only where a test asks for it, so that what the finder says in
    // the background does not come between a command and what the test reads after it.
    App(const QString& pattern = "page-{n:03}", bool bmp = false, bool findPage = false,
        bool documentPage = false) {
        SeriesSettings s;
        s.folder = Series();
        s.pattern = pattern;
        s.bmp = bmp;
        s.documentPage = documentPage;
        SaveSeriesSettings(s);
        DocumentOptions options;
        options.findPage = findPage;
        SaveDocumentOptions(options);
        view->StartPages(dir.filePath("cache"), "run");
    }
    // Desk scenes from `seed` on: sheets lying on a desk.
    void Desk(std::uint32_t seed) {
        camera.Camera().SetScene(SimulatedCamera::Scene::Desk);
        camera.Camera().SetNextSceneSeed(seed);
    }
    PageList& Pages() { return *view->Pages(); }
    // A capture as the Capture command gives it: kept as a page.
    void Shoot(int mode = 3, int rotation = 0) {
        camera.Camera().GetState().captureMode = mode;
        camera.Camera().GetState().rotation = rotation;
        Command(ID_CAPTURE);
    }
    QStringList SeriesFiles() const { return QDir(Series()).entryList(QDir::Files); }
};

// pdfinfo's page count and the paper name of every page, or -1 without the tool.
int PdfPages(const QString& path, QStringList* papers = nullptr) {
    QProcess p;
    p.start("pdfinfo", {"-f", "1", "-l", "99", path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        return -1;
    }
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    if (papers != nullptr) {
        static const QRegularExpression size("size:.*\\((\\w+)\\)");
        for (auto it = size.globalMatch(info); it.hasNext();) {
            papers->append(it.next().captured(1));
        }
    }
    static const QRegularExpression pages("Pages:\\s+(\\d+)");
    return pages.match(info).captured(1).toInt();
}

// The desk scenes of this seed and the two after it are A4 sheets the finder finds.
constexpr std::uint32_t kA4DeskSeed = 10;

bool HavePdfInfo() {
    return !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

}  // namespace

class TestPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() {
        SaveDocumentOptions({});
        SetPrintHandler({});
        SetExportHandler({});
    }

    // Each capture is a page on disk with its raw rows; a page shown again looks as the
    // capture did, at best fit, with its rows as the raw capture, so Sharpness works on it.
    void capturesBecomePages() {
        App app;
        app.Shoot(3, 0);
        const QImage first = app.Picture();
        app.Shoot(2, 1);
        QCOMPARE(app.Pages().rowCount(), 2);
        const PageStore& store = app.Pages().Store();
        QCOMPARE(QFileInfo(store.DataPath(0)).size(), qint64(2 * 1280 * 1024));
        QCOMPARE(QFileInfo(store.DataPath(1)).size(), qint64(2 * 1024 * 1024));
        QCOMPARE(
            app.Pages().data(app.Pages().index(0), Qt::DecorationRole).value<QPixmap>().width(),
            PageStore::kThumbnailSize);
        // The dock's rows are all as tall, a wide picture's and a square one's.
        const CPageLineDelegate line;
        QCOMPARE(line.sizeHint({}, app.Pages().index(0)), line.sizeHint({}, app.Pages().index(1)));

        app.Command(ID_ZOOM_IN);
        app.Command(ID_ROTATE_LEFT);
        QVERIFY(app.view->ShowPage(0));
        QCOMPARE(app.Picture(), first);
        QCOMPARE(app.Lead().GetZoomPercent(), app.view->CalcFitZoom());
        QCOMPARE(app.view->m_nRotIndex, 3);
        QCOMPARE(app.view->m_nWidth, 1280);
        QCOMPARE(app.view->m_nHeight, 1024);
        QCOMPARE(app.view->m_hRaw.Size(), std::size_t(2 * 1280 * 1024));
        QVERIFY(app.CommandEnabled(ID_SHARPNESS));
        QVERIFY(app.MenuEnabled(MENU_POS_EDIT));
        // A failed capture adds nothing.
        app.camera.Camera().GetState().captureMode = 7;
        app.Command(ID_CAPTURE);
        QCOMPARE(app.Pages().rowCount(), 2);
        QVERIFY(app.prompts.messages.isEmpty());
    }

    // An opened picture is a page too, shown again as opened.
    void openedPicturesBecomePages() {
        App app;
        app.Shoot();
        const QString file = app.dir.filePath("shot.jpg");
        QVERIFY(app.Picture().save(file));
        app.view->OnHiddenMode();
        app.fileAnswer = file;
        app.Command(ID_FILE_OPEN);
        QCOMPARE(app.Pages().rowCount(), 2);
        const QImage opened = app.Picture();
        QVERIFY(app.view->ShowPage(0));
        QVERIFY(app.view->ShowPage(1));
        QCOMPARE(app.Picture(), opened);
        QVERIFY(app.view->m_hRaw.IsNull());
    }

    void deleteAndReorder() {
        App app;
        for (int mode : {3, 2, 3}) {
            app.Shoot(mode, 0);
        }
        PageList& pages = app.Pages();
        const QString a = pages.Store().Page(0).name, c = pages.Store().Page(2).name;
        QVERIFY(pages.moveRow({}, 2, {}, 0));  // the last page to the front
        QCOMPARE(pages.Store().Page(0).name, c);
        QVERIFY(pages.moveRow({}, 0, {}, 3));  // and back to the end
        QCOMPARE(pages.Store().Page(2).name, c);
        const QString gone = pages.Store().DataPath(1);
        QVERIFY(pages.removeRow(1));
        QCOMPARE(pages.rowCount(), 2);
        QCOMPARE(pages.Store().Page(0).name, a);
        QCOMPARE(pages.Store().Page(1).name, c);
        QVERIFY(!QFile::exists(gone));
    }

    // Capture to Series: numbered files in the series folder, after what is there, with
    // the message pane naming each for a while.
    void captureToSeries_data() {
        QTest::addColumn<bool>("bmp");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<bool>("documentPage");  // "the page found in it", of desk scenes
        QTest::newRow("JPEG into an empty folder")
            << false << QStringList() << QStringList{"page-001.JPG", "page-002.JPG", "page-003.JPG"}
            << false;
        QTest::newRow("after the highest, gap kept")
            << false << QStringList{"page-002.JPG"}
            << QStringList{"page-002.JPG", "page-003.JPG", "page-004.JPG", "page-005.JPG"} << false;
        QTest::newRow("BMP") << true << QStringList()
                             << QStringList{"page-001.BMP", "page-002.BMP", "page-003.BMP"}
                             << false;
        QTest::newRow("the page found in it")
            << false << QStringList() << QStringList{"page-001.JPG", "page-002.JPG", "page-003.JPG"}
            << true;
    }
    void captureToSeries() {
        QFETCH(bool, bmp);
        QFETCH(QStringList, present);
        QFETCH(QStringList, after);
        QFETCH(bool, documentPage);
        App app("page-{n:03}", bmp, documentPage, documentPage);
        if (documentPage) {
            app.Desk(kA4DeskSeed);
        }
        QVERIFY(QDir().mkpath(app.Series()));
        for (const QString& name : present) {
            QFile f(QDir(app.Series()).filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(app.frame->Commands().Action(ID_CAPTURE_SERIES)->shortcut(), QKeySequence("F5"));
        for (int i = 0; i < 3; ++i) {
            app.Command(ID_CAPTURE_SERIES);
        }
        QVERIFY2(app.prompts.messages.isEmpty(), qPrintable(app.prompts.Texts().join('|')));
        QCOMPARE(app.SeriesFiles(), after);
        QCOMPARE(app.Pages().rowCount(), 3);
        const QString last = QDir(app.Series()).filePath(after.constLast());
        QCOMPARE(QImageReader(last).format(), bmp ? QByteArray("bmp") : QByteArray("jpeg"));
        const QSize written = QImageReader(last).size();
        if (documentPage) {
            // An A4 sheet, upright or lying sideways as the wide frame shows it.
            QVERIFY(qAbs(double(std::max(written.height(), written.width())) /
                             std::min(written.height(), written.width()) -
                         297.0 / 210) < 0.01);
            return;
        }
        QCOMPARE(written, app.Picture().size());
        QCOMPARE(app.Status(), "Saved " + QDir::toNativeSeparators(last));
        if (!bmp) {
            return;  // once is enough for the idle text coming back
        }
        QTRY_COMPARE_WITH_TIMEOUT(app.Status(), QStringLiteral("Ready !"), 8000);
    }

    void seriesNeedsTheCamera() {
        App app;
        QVERIFY(app.CommandEnabled(ID_CAPTURE_SERIES));
        app.view->m_bNotReady = true;
        QVERIFY(!app.CommandEnabled(ID_CAPTURE_SERIES));
        QVERIFY(!app.CommandEnabled(ID_CAPTURE));
    }

    // A series folder that cannot be made, a page cache that takes no page, or both: the
    // capture is shown, what could be kept is kept, and the one F5 shows one box.
    void seriesSaveFailure_data() {
        QTest::addColumn<bool>("seriesBlocked");
        QTest::addColumn<bool>("cacheBlocked");
        QTest::newRow("series folder") << true << false;
        QTest::newRow("page cache") << false << true;
        QTest::newRow("both") << true << true;
    }
    void seriesSaveFailure() {
        QFETCH(bool, seriesBlocked);
        QFETCH(bool, cacheBlocked);
        App app;
        if (seriesBlocked) {
            QFile blocker(app.Series());
            QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
        }
        if (cacheBlocked) {
            const QString folder = app.Pages().Store().Folder();
            QVERIFY(QDir(folder).removeRecursively());
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        app.Command(ID_CAPTURE_SERIES);
        QCOMPARE(app.prompts.Texts(), QStringList{"Failed to save the image.\n\n"});
        QVERIFY(app.view->m_bImage);
        QCOMPARE(app.Pages().rowCount(), cacheBlocked ? 0 : 1);
        QCOMPARE(app.SeriesFiles().size(), seriesBlocked ? 0 : 1);
    }

    // A capture that runs short of memory for its bitmap leaves the picture shown before:
    // Capture to Series then keeps no page, writes no file and says nothing of a save.
    void failedCaptureSavesNothing() {
        App app;
        app.Command(ID_CAPTURE_SERIES);
        QCOMPARE(app.SeriesFiles(), QStringList{"page-001.JPG"});
        app.prompts.messages.clear();
        // The transfer and the flipped rows (2.6 MB each) fit; the bitmap (3.9 MB) does not.
        MemoryBlock::SetAllocationLimit(3'000'000);
        app.Command(ID_CAPTURE_SERIES);
        MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);
        QCOMPARE(app.prompts.Texts(),
                 QStringList{"Memory size is insufficient for allocation.\n\n"});
        QCOMPARE(app.Pages().rowCount(), 1);
        QCOMPARE(app.SeriesFiles(), QStringList{"page-001.JPG"});
        QCOMPARE(app.Status(), QStringLiteral("Ready !"));
    }

    // A page shown again that runs short of memory says so once, and the picture stays.
    void showingAPageShortOfMemoryTellsOnce() {
        App app;
        app.Shoot();
        const QImage before = app.Picture();
        MemoryBlock::SetAllocationLimit(3'000'000);
        QVERIFY(!app.view->ShowPage(0));
        MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);
        QCOMPARE(app.prompts.Texts(),
                 QStringList{"Memory size is insufficient for allocation.\n\n"});
        QCOMPARE(app.Picture(), before);
        QVERIFY(app.view->m_bImage);
    }

    void exportPdf_data() {
        QTest::addColumn<int>("selectedOnly");  // -1: as offered
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("paperName");
        QTest::addColumn<bool>("desk");  // A4 sheets on a desk, looked for
        QTest::newRow("all, A4") << 0 << int(QPageSize::A4) << 3 << "A4" << false;
        QTest::newRow("selected, Letter") << 1 << int(QPageSize::Letter) << 2 << "letter" << false;
        QTest::newRow("all unless chosen otherwise")
            << -1 << int(QPageSize::A4) << 3 << "A4" << false;
        QTest::newRow("A4 sheets on their paper, Letter chosen")
            << 0 << int(QPageSize::Letter) << 3 << "A4" << true;
    }
    void exportPdf() {
        QFETCH(int, selectedOnly);
        QFETCH(int, paper);
        QFETCH(int, pages);
        QFETCH(QString, paperName);
        QFETCH(bool, desk);
        if (!HavePdfInfo()) {
            QSKIP("poppler-utils is not installed (scripts/setup installs it)");
        }
        App app("page-{n:03}", false, desk);
        if (desk) {
            app.Desk(kA4DeskSeed);
        }
        QVERIFY(!app.CommandEnabled(ID_EXPORT_PDF));
        for (int mode : {3, 2, 3}) {
            app.Shoot(mode, 0);
        }
        auto* selection = app.Pages().Selection();
        selection->select(app.Pages().index(0), QItemSelectionModel::Select);
        selection->select(app.Pages().index(2), QItemSelectionModel::Select);
        bool offered = false;
        SetExportHandler([&](ExportChoice& choice) {
            offered = choice.selected == 2 && choice.pages == 3;
            if (selectedOnly >= 0) {
                choice.selectedOnly = selectedOnly != 0;
            }
            choice.paper = QPageSize::PageSizeId(paper);
            return true;
        });
        const QString path = app.dir.filePath("out/pages.pdf");
        QVERIFY(QDir().mkpath(app.dir.filePath("out")));
        app.fileAnswer = path;
        app.Command(ID_EXPORT_PDF);
        QVERIFY(offered);
        QCOMPARE(app.fileDialogs.constLast().defaultSuffix, QStringLiteral("pdf"));
        QStringList papers;
        QCOMPARE(PdfPages(path, &papers), pages);
        QCOMPARE(papers, QStringList(QList<QString>(pages, paperName)));
        QVERIFY(app.prompts.messages.isEmpty());
        QCOMPARE(SaveDialogFolder(), app.dir.filePath("out"));
    }

    // A page that cannot be read back is left out of the export and the print, with one
    // message naming it; the other pages still make the document.
    void unreadablePageIsLeftOut_data() {
        QTest::addColumn<bool>("print");
        QTest::newRow("Export PDF") << false;
        QTest::newRow("Print") << true;
    }
    void unreadablePageIsLeftOut() {
        QFETCH(bool, print);
        if (!HavePdfInfo()) {
            QSKIP("poppler-utils is not installed (scripts/setup installs it)");
        }
        App app;
        for (int i = 0; i < 4; ++i) {
            app.Shoot();
        }
        QFile damaged(app.Pages().Store().DataPath(1));
        QVERIFY(damaged.resize(100));  // page 2's rows, cut short
        const QString path = app.dir.filePath("pages.pdf");
        SetExportHandler([](ExportChoice&) { return true; });
        SetPrintHandler([&](QPrinter& printer, int) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPrintRange(QPrinter::AllPages);
            return true;
        });
        app.fileAnswer = path;
        app.Command(print ? ID_FILE_PRINT : ID_EXPORT_PDF);
        QCOMPARE(app.prompts.Texts(),
                 QStringList{"Page 2 could not be read and was left out.\n\n"});
        QCOMPARE(PdfPages(path), 3);
    }

    // Export PDF onto a disk that fills up half way says the save failed, once, and the PDF
    // that was there stays whole.
    void exportPdfFailureKeepsTheOldFile() {
        App app;
        for (int i = 0; i < 2; ++i) {
            app.Shoot();
        }
        const QString path = app.dir.filePath("pages.pdf");
        const QByteArray old = QByteArray("%PDF-1.4 an older document ").repeated(20);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        SetExportHandler([](ExportChoice&) { return true; });
        app.fileAnswer = path;
        {
            test::FullDisk full(64 * 1024);  // a page's picture is larger
            QVERIFY(full.Holds());
            app.Command(ID_EXPORT_PDF);
        }
        QCOMPARE(app.prompts.Texts(), QStringList{"Failed to save the image.\n\n"});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(app.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"pages.pdf"});
    }

    // Print goes through the same path whatever the printer: here a PDF file. The current
    // page prints the shown picture; all pages print every page.
    void print_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("sheets");
        QTest::newRow("shown picture") << int(QPrinter::CurrentPage) << 1;
        QTest::newRow("all pages") << int(QPrinter::AllPages) << 3;
        QTest::newRow("pages 2 to 3") << int(QPrinter::PageRange) << 2;
    }
    void print() {
        QFETCH(int, range);
        QFETCH(int, sheets);
        if (!HavePdfInfo()) {
            QSKIP("poppler-utils is not installed (scripts/setup installs it)");
        }
        App app;
        for (int i = 0; i < 3; ++i) {
            app.Shoot();
        }
        const QString path = app.dir.filePath("printed.pdf");
        int offered = 0;
        SetPrintHandler([&](QPrinter& printer, int pages) {
            offered = pages;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPrintRange(QPrinter::PrintRange(range));
            printer.setFromTo(2, 3);
            return true;
        });
        QCOMPARE(app.frame->Commands().Action(ID_FILE_PRINT)->shortcut(), QKeySequence("Ctrl+P"));
        app.Command(ID_FILE_PRINT);
        QCOMPARE(offered, 3);
        QCOMPARE(PdfPages(path), sheets);
        QVERIFY(app.prompts.messages.isEmpty());
    }

    // A turn made while a page is shown belongs to the page: its thumbnail, the page shown
    // again, what Export and Print take and what Save and Copy take all agree; Undo turns
    // the page and the shown picture back.
    void turnBelongsToThePage() {
        App app;
        app.Shoot(3, 0);
        app.Shoot(2, 0);
        const Sitting& sitting = *app.view->PagesSitting();
        const QSize thumbnail = sitting.Store().Thumbnail(1).size();
        QVERIFY(app.Command(ID_ROTATE_RIGHT));
        QCOMPARE(sitting.Page(1).turns, 1);
        QCOMPARE(sitting.Store().Thumbnail(1).size(), thumbnail.transposed());
        const QImage turned = app.Picture();
        QCOMPARE(turned.size(), QSize(768, 960));
        QCOMPARE(sitting.Store().Picture(1).convertToFormat(turned.format()), turned);
        QVERIFY(app.view->ShowPage(0));
        QVERIFY(app.view->ShowPage(1));
        QCOMPARE(app.Picture(), turned);
        QCOMPARE(app.view->m_nRotIndex, 4);
        QVERIFY(app.Command(ID_EDIT_UNDO));
        QCOMPARE(sitting.Page(1).turns, 0);
        QCOMPARE(app.Picture().size(), QSize(960, 768));
        QCOMPARE(app.view->m_nRotIndex, 3);
        QVERIFY(app.Command(ID_EDIT_REDO));
        QCOMPARE(app.Picture(), turned);
    }

    // Showing a page from the dock is no command, yet the picture commands follow it at once
    // (here after an Open that failed greyed them).
    void pictureCommandsFollowAShownPage() {
        App app;
        app.Shoot();
        app.view->OnHiddenMode();
        const QString text = app.dir.filePath("notes.txt");
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a picture") > 0);
        file.close();
        app.fileAnswer = text;
        app.Command(ID_FILE_OPEN);
        QCOMPARE(app.prompts.messages.size(), 1);
        QVERIFY(app.view->ShowPage(0));
        for (int id : {ID_FILE_SAVE, ID_ZOOM_IN, ID_ROTATE_RIGHT}) {
            QVERIFY2(app.frame->Commands().Action(id)->isEnabled(),
                     qPrintable(QString::number(id)));
        }
    }

    // New Document asks about pages never saved; Escape (or the close box) keeps them,
    // Discard empties the sitting and Ctrl+Z brings it back.
    void newDocument_data() {
        QTest::addColumn<bool>("series");  // the pages went to the series: nothing to ask
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("pagesAfter");
        QTest::newRow("Escape cancels") << false << int(IDCANCEL) << 2;
        QTest::newRow("Discard, then Ctrl+Z") << false << int(IDDISCARD) << 0;
        QTest::newRow("all saved, no question") << true << int(IDCANCEL) << 0;
    }
    void newDocument() {
        QFETCH(bool, series);
        QFETCH(int, answer);
        QFETCH(int, pagesAfter);
        App app;
        for (int i = 0; i < 2; ++i) {
            app.Command(series ? ID_CAPTURE_SERIES : ID_CAPTURE);
        }
        QList<MessagePrompt> asked;
        SetMessageHandler([&](const MessagePrompt& prompt) {
            asked.append(prompt);
            return answer;
        });
        QCOMPARE(app.frame->Commands().Action(ID_FILE_NEW)->shortcut(), QKeySequence("Ctrl+N"));
        QVERIFY(app.Command(ID_FILE_NEW));
        QCOMPARE(asked.size(), series ? 0 : 1);
        if (!series) {
            QCOMPARE(asked[0].text, QStringLiteral("Discard 2 pages that were never saved?"));
            QCOMPARE(asked[0].buttons, int(PROMPT_DISCARD_CANCEL));
        }
        QCOMPARE(app.Pages().rowCount(), pagesAfter);
        QCOMPARE(app.view->m_bImage, pagesAfter > 0);
        if (pagesAfter == 0) {
            QCOMPARE(app.frame->Commands().Action(ID_EDIT_UNDO)->shortcut(),
                     QKeySequence("Ctrl+Z"));
            QVERIFY(app.Command(ID_EDIT_UNDO));
            QCOMPARE(app.Pages().rowCount(), 2);
            QVERIFY(app.view->ShowPage(1));
        }
    }

    // Copy takes the page shown as its document page: the picture as shown while the sheet
    // is not looked for, the straightened sheet when it is.
    // The dock's header sets the sitting's options and keeps them for the next run; the
    // list's context menu offers the same. A capture in which no sheet is found says so.
    void dockHeaderSetsTheOptions() {
        App app;
        new CPagesDock(*app.frame, *app.view);  // as the application makes it, on the frame
        auto* find = app.frame->findChild<QCheckBox*>("findPage");
        auto* look = app.frame->findChild<QComboBox*>("pageLook");
        auto* list = app.frame->findChild<QListView*>("pageList");
        QVERIFY(find != nullptr && look != nullptr && list != nullptr);
        QVERIFY(!find->isChecked());
        QCOMPARE(look->currentText(), QStringLiteral("Grey"));
        find->click();
        const Sitting& sitting = *app.view->PagesSitting();
        QVERIFY(sitting.Options().findPage);
        QVERIFY(LoadDocumentOptions().findPage);
        look->setCurrentIndex(2);
        QCOMPARE(sitting.Options().look, PageLook::BlackWhite);
        QCOMPARE(LoadDocumentOptions().look, PageLook::BlackWhite);
        QStringList menu;
        for (const QAction* action : list->actions()) {
            menu << action->text() + (action->isChecked() ? "*" : "");
        }
        QCOMPARE(menu,
                 (QStringList{"&Find the Page*", "", "&Colour", "&Grey", "&Black and White*"}));
        list->actions().at(3)->trigger();
        QCOMPARE(look->currentText(), QStringLiteral("Grey"));
        // The desk alone (scene 9) has no sheet's edge to find: the whole picture is kept, and
        // the message pane says so.
        app.Desk(9);
        app.Shoot();
        QVERIFY(app.view->Finder()->WaitForIdle(120000));
        QCOMPARE(sitting.Page(0).outline.state, OutlineState::NotFound);
        QCOMPARE(app.Status(), QString::fromLatin1(kNoPageEdgeText));
    }

    void copy_data() {
        QTest::addColumn<bool>("findPage");
        QTest::newRow("not looked for: the picture as shown") << false;
        QTest::newRow("a sheet on a desk: the sheet") << true;
    }
    void copy() {
        QFETCH(bool, findPage);
        App app("page-{n:03}", false, findPage);
        app.Desk(kA4DeskSeed);
        QVERIFY(!app.CommandEnabled(ID_EDIT_COPY));
        app.Shoot(2, 0);
        QCOMPARE(app.frame->Commands().Action(ID_EDIT_COPY)->shortcut(), QKeySequence("Ctrl+C"));
        app.Command(ID_EDIT_COPY);
        const QImage copied = QGuiApplication::clipboard()->image();
        if (!findPage) {
            QCOMPARE(copied.size(), QSize(960, 768));
            QCOMPARE(copied.convertToFormat(QImage::Format_RGB888), app.Picture());
            return;
        }
        QVERIFY(qAbs(double(std::max(copied.height(), copied.width())) /
                         std::min(copied.height(), copied.width()) -
                     297.0 / 210) < 0.01);
        QVERIFY(std::max(copied.height(), copied.width()) > 2000);  // 200 pixels an inch
        QVERIFY(copied.allGray());
    }

    // Copy Text puts the shown page's text, as read, on the clipboard; grey until it is read.
    void copyText() {
        App app;
        app.camera.Camera().SetScene(SimulatedCamera::Scene::Desk);
        app.camera.Camera().SetNextSceneSeed(1);
        app.Shoot(3, 0);
        QVERIFY(!app.CommandEnabled(ID_EDIT_COPY_TEXT));
        // The sheet where the scene put it, as finding it would give it.
        const DeskScene& scene = app.camera.Camera().LastDeskScene();
        QVERIFY(scene.hasPage);
        PageOutline outline;
        outline.state = OutlineState::Found;
        std::copy(scene.corners.begin(), scene.corners.end(), outline.corners.begin());
        QVERIFY(app.view->PagesSitting()->TakeOutline(0, outline));
        const SittingReader& reader = *app.view->PagesReader();
        QVERIFY(QTest::qWaitFor(
            [&] {
                return reader.StateOf(0) == SittingReader::State::Read ||
                       reader.StateOf(0) == SittingReader::State::Unreadable;
            },
            180000));
        QCOMPARE(reader.StateOf(0), SittingReader::State::Read);
        QVERIFY(app.Command(ID_EDIT_COPY_TEXT));
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, reader.Text(0));
        // The picture is too coarse for the body text; the heading is read.
        const QString heading = scene.text.section('\n', 0, 0).section(' ', 0, 0);
        QVERIFY2(heading.size() > 3 && copied.contains(heading),
                 qPrintable(heading + "\n" + copied));
    }

    // Export waits for pages still being read: until they are answered, or the user cancels.
    void waitForText_data() {
        QTest::addColumn<QString>("worker");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("pages answered") << "/nonexistent/tavelo-reader" << false;
        QTest::newRow("cancelled") << "sleep" << true;
    }
    void waitForText() {
        QFETCH(QString, worker);
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        Sitting sitting;
        DocumentOptions options;
        options.findPage = false;
        sitting.SetOptions(options);
        QVERIFY(sitting.Open(dir.filePath("root"), "one"));
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QVERIFY(picture.save(dir.filePath("page.bmp")));
        QVERIFY(sitting.AddFile(dir.filePath("page.bmp"), picture));
        QVERIFY(sitting.AddFile(dir.filePath("page.bmp"), picture));
        PageReader pool(worker, 1);
        pool.SetWorkerArguments({"600"});  // sleep's; the missing worker never starts
        SittingReader reader(sitting, pool);
        QCOMPARE(reader.Underway({0, 1}), 2);
        if (cancel) {
            // The user clicks the dialog's button.
            QTimer::singleShot(300, [] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (qobject_cast<QProgressDialog*>(w) != nullptr && w->isVisible()) {
                        w->findChild<QPushButton*>()->click();
                    }
                }
            });
        }
        QCOMPARE(WaitForText(nullptr, &reader, {0, 1}), !cancel);
        QCOMPARE(reader.Underway({0, 1}), cancel ? 2 : 0);
    }
};

TAVELO_APP_TEST_MAIN(TestPages)
#include "test_pages.moc"
