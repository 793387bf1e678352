// Save and Open of the view, driven through the frame's commands over the simulated camera,
// with the file dialog and every message box answered by the test.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMenuBar>
#include <QStandardPaths>
#include <memory>

#include "picture/PictureEngine.h"
#include "picture/PictureFiles.h"
#include "res/CommandIds.h"
#include "res/Strings.h"
#include "settings/Profile.h"
#include "support/FileFaults.h"
#include "support/PictureSamples.h"
#include "support/ViewApp.h"
#include "view/PictureFilePrompt.h"

using namespace tavelo;

namespace {

const QString kSaveFailed = QStringLiteral("Failed to save the image.\n\n");
const QString kLoadFailed = QStringLiteral("Failed to load the image. !\n\n");

// The frame and the view over a simulated camera, saving and opening through the file dialog.
struct App : test::ViewApp {
    void SaveAs(const QString& path) {
        fileAnswer = path;
        Command(ID_FILE_SAVE);
    }
    void OpenFile(const QString& path) {
        fileAnswer = path;
        Command(ID_FILE_OPEN);
    }
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool IsBmp(const QByteArray& b) {
    return b.startsWith("BM");
}
bool IsJpeg(const QByteArray& b) {
    return b.startsWith(QByteArray("\xFF\xD8\xFF", 3));
}
int BmpBits(const QByteArray& b) {
    return b.size() < 30 ? 0 : quint8(b[28]) | quint8(b[29]) << 8;
}

// An 8-bit grey picture with a gradient and a mark at the top left (so an upside-down load
// differs), as a BMP file image.
QByteArray GreyBmp(int width, int height) {
    QList<QRgb> greys;
    for (int i = 0; i < 256; ++i) {
        greys.append(qRgb(i, i, i));
    }
    return samples::MakeBmp(
        width, height, 8, false,
        [](int x, int y) { return std::uint32_t(x < 8 && y < 8 ? 255 : (x + 2 * y) % 200); },
        greys);
}

QImage ColourPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixelColor(x, y, QColor((x * 7) % 256, (y * 5) % 256, (x + y) % 256));
        }
    }
    return image;
}

// The message pane's text each time the status bar, or a pane in it, paints: the frame
// repaints it at once whenever the view sets a status, before the view's work goes on.
struct StatusPaints : QObject {
    explicit StatusPaints(CMainStatusBar* bar) : m_bar(bar) { qApp->installEventFilter(this); }
    ~StatusPaints() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* target, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(target);
        if (event->type() == QEvent::Paint && widget != nullptr &&
            (widget == m_bar || m_bar->isAncestorOf(widget))) {
            const QString text = m_bar->GetPaneText(CMainFrame::PANE_MESSAGE);
            if (texts.isEmpty() || texts.constLast() != text) {
                texts.append(text);
            }
        }
        return false;
    }
    QStringList texts;

private:
    CMainStatusBar* m_bar;
};

}  // namespace

class TestViewFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveDialog() {
        App app;
        QVERIFY(!app.CommandEnabled(ID_FILE_SAVE));  // nothing to save yet
        app.Capture();
        QVERIFY(app.CommandEnabled(ID_FILE_SAVE));
        QCOMPARE(app.frame->Commands().Action(ID_FILE_SAVE)->shortcut(), QKeySequence("Ctrl+S"));
        app.SaveAs(QString());  // Cancel
        QCOMPARE(app.fileDialogs.size(), 1);
        const FilePrompt& asked = app.fileDialogs.constFirst();
        QVERIFY(asked.save);
        QCOMPARE(asked.defaultSuffix, QStringLiteral("BMP"));
        QCOMPARE(asked.nameFilters,
                 QStringList({"Bitmap Files (*.BMP)", "JPEG Files (*.JPG)", "PNG Files (*.PNG)"}));
        QVERIFY(app.prompts.messages.isEmpty());
        QCOMPARE(app.Pane(CMainFrame::PANE_MESSAGE), QStringLiteral("Ready !"));
    }

    // The real dialog: a name typed without extension takes the chosen filter's, a typed
    // extension stays, and the extension alone then decides the format.
    void dialogExtensionFollowsFilter_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("format");
        const int bmp = PictureEngine::kFormatBmp;
        const int jpeg = PictureEngine::kFormatJpeg;
        QTest::newRow("bitmap filter, bare name") << 0 << "page"
                                                  << "page.BMP" << bmp;
        QTest::newRow("JPEG filter, bare name") << 1 << "page"
                                                << "page.JPG" << jpeg;
        QTest::newRow("PNG filter, bare name") << 2 << "page"
                                               << "page.PNG" << int(PictureEngine::kFormatPng);
        QTest::newRow("JPEG filter, typed .bmp") << 1 << "page.bmp"
                                                 << "page.bmp" << bmp;
        QTest::newRow("bitmap filter, typed .jpg") << 0 << "page.jpg"
                                                   << "page.jpg" << jpeg;
        QTest::newRow("bitmap filter, typed .txt") << 0 << "page.txt"
                                                   << "page.txt" << jpeg;
        QTest::newRow("PNG filter, typed .tif") << 2 << "page.tif"
                                                << "page.tif" << int(kNoSaveFormat);
    }
    void dialogExtensionFollowsFilter() {
        QFETCH(int, filter);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QFETCH(int, format);
        QTemporaryDir dir;
        FilePrompt prompt = PictureFilePrompt(nullptr, true);
        prompt.directory = dir.path();
        const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(prompt);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->show();
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("BMP"));  // until a filter is chosen
        // As the user chooses it: through the dialog's list of filters.
        auto* filters = dialog->findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(filters != nullptr);
        for (int i = 0; i < filter; ++i) {
            QTest::keyClick(filters, Qt::Key_Down);
        }
        QCOMPARE(dialog->selectedNameFilter(), prompt.nameFilters[filter]);
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name != nullptr);
        name->setText(typed);
        QMetaObject::invokeMethod(dialog.get(), "accept");  // as the Save button does
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->selectedFiles(), QStringList{dir.filePath(chosen)});
        QCOMPARE(SaveFormatOfPath(dir.filePath(chosen)), format);
    }

    // Without a Pictures folder (and nothing saved yet) Save opens in the home folder, not in
    // the working one, and makes no folder of its own.
    void saveDialogFolderWithoutPictures() {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QVERIFY(pictures.startsWith(QDir::homePath()));  // the test's own home
        QVERIFY(QDir(pictures).removeRecursively());
        WriteProfileString(SETTINGS_SECTION, "LastSaveFolder", QString());
        App app;
        app.Capture();
        app.SaveAs(QString());
        QCOMPARE(app.fileDialogs.constLast().directory, QDir::homePath());
        QVERIFY(!QFileInfo::exists(pictures));
    }

    // Save opens in the user's Pictures folder, never the working one, then in the folder
    // last saved to; a save that failed moves nothing.
    void saveDialogFolder() {
        QTemporaryDir dir;
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QVERIFY(QDir().mkpath(pictures));
        App app;
        app.Capture();
        app.SaveAs(QString());
        QCOMPARE(app.fileDialogs.constLast().directory, pictures);
        QVERIFY(app.fileDialogs.constLast().directory != QDir::currentPath());
        QVERIFY(QDir().mkpath(dir.filePath("scans")));
        app.SaveAs(dir.filePath("scans/one.jpg"));
        app.SaveAs(dir.filePath("missing/two.jpg"));  // fails: no such folder
        QCOMPARE(app.prompts.Texts(), QStringList{kSaveFailed});
        app.SaveAs(QString());
        QCOMPARE(app.fileDialogs.constLast().directory, dir.filePath("scans"));
        // The folder is kept in the settings store, for the next run.
        App next;
        next.Capture();
        next.SaveAs(QString());
        QCOMPARE(next.fileDialogs.constLast().directory, dir.filePath("scans"));
    }

    // Only the name's extension chooses the format, in any case. A BMP keeps the picture's own
    // depth; a JPEG is written at 24 bits, the shown picture turned to 24 bits first.
    void saveFormatByExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("greyPicture");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("fileBits");
        QTest::addColumn<int>("shownBitsAfter");
        QTest::newRow(".bmp") << "page.bmp" << false << "BMP" << 24 << 24;
        QTest::newRow(".Bmp") << "page.Bmp" << false << "BMP" << 24 << 24;
        QTest::newRow(".BMP") << "page.BMP" << false << "BMP" << 24 << 24;
        QTest::newRow(".jpg") << "page.jpg" << false << "JPEG" << 24 << 24;
        QTest::newRow(".jpeg") << "page.jpeg" << false << "JPEG" << 24 << 24;
        QTest::newRow(".txt") << "page.txt" << false << "JPEG" << 24 << 24;
        QTest::newRow("no extension") << "page" << false << "JPEG" << 24 << 24;
        QTest::newRow("bmp in the folder only") << "x.bmp/page.jpg" << false << "JPEG" << 24 << 24;
        QTest::newRow(".png") << "page.png" << false << "PNG" << 24 << 24;
        QTest::newRow(".PNG") << "page.PNG" << false << "PNG" << 24 << 24;
        QTest::newRow("8-bit as .bmp stays 8-bit") << "grey.bmp" << true << "BMP" << 8 << 8;
        QTest::newRow("8-bit as .png stays 8-bit") << "grey.png" << true << "PNG" << 8 << 8;
        QTest::newRow("8-bit as .jpg becomes 24-bit") << "grey.jpg" << true << "JPEG" << 24 << 24;
    }

    void saveFormatByExtension() {
        QFETCH(QString, name);
        QFETCH(bool, greyPicture);
        QFETCH(QString, format);
        QFETCH(int, fileBits);
        QFETCH(int, shownBitsAfter);
        QTemporaryDir dir, sources;
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path()));
        App app;
        if (greyPicture) {
            const QString grey = sources.filePath("source.bmp");
            QVERIFY(WriteAll(grey, GreyBmp(64, 48)));
            app.view->OnHiddenMode();
            app.OpenFile(grey);
            QCOMPARE(app.Lead().GetPictureBits(), short(8));
        } else {
            app.Capture();
        }
        QVERIFY(app.view->m_bImage);
        // Whatever the text item held before, a saved JPEG carries no comment.
        app.Lead().SetTextItem(3, QStringLiteral("left over"));
        const QString path = dir.filePath(name);
        app.SaveAs(path);

        QVERIFY2(app.prompts.messages.isEmpty(), qPrintable(app.prompts.Texts().join('|')));
        const QByteArray bytes = ReadAll(path);
        QCOMPARE(IsBmp(bytes), format == "BMP");
        QCOMPARE(IsJpeg(bytes), format == "JPEG");
        QCOMPARE(bytes.startsWith(QByteArray("\x89PNG\r\n\x1A\n", 8)), format == "PNG");
        if (format == "BMP") {
            QCOMPARE(BmpBits(bytes), fileBits);
        } else if (format == "PNG") {
            QCOMPARE(QImage(path).depth() == 8 ? 8 : 24, fileBits);
        } else {
            QVERIFY(!bytes.contains("left over"));
        }
        QCOMPARE(int(app.Lead().GetPictureBits()), shownBitsAfter);
        QCOMPARE(QImageReader(path).size(),
                 QSize(int(app.Lead().GetPictureWidth()), int(app.Lead().GetPictureHeight())));
        QCOMPARE(app.Pane(CMainFrame::PANE_MESSAGE), QStringLiteral("Ready !"));
        QVERIFY(!QGuiApplication::overrideCursor());
        // Nothing but the file itself is left in the folder (no temporary file).
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files),
                 QStringList{QFileInfo(path).fileName()});
    }

    // A name whose extension names a picture format Tavelo does not write gets nothing
    // written: the user is told which formats it writes, and the folder is not remembered.
    void saveRefusesOtherPictureFormats_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow(".tif") << "sixth.tif"
                              << ".tif";
        QTest::newRow(".GIF") << "page.GIF"
                              << ".GIF";
        QTest::newRow(".webp") << "page.webp"
                               << ".webp";
    }
    void saveRefusesOtherPictureFormats() {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QTemporaryDir dir, before;
        App app;
        app.Capture();
        app.SaveAs(before.filePath("first.jpg"));
        app.SaveAs(dir.filePath(name));
        QCOMPARE(app.prompts.Texts(),
                 QStringList{QString("Tavelo writes BMP, JPEG and PNG files; \"%1\" is none of "
                                     "them.\n\n")
                                 .arg(extension)});
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        app.SaveAs(QString());
        QCOMPARE(app.fileDialogs.constLast().directory, before.path());
        QCOMPARE(app.Pane(CMainFrame::PANE_MESSAGE), QStringLiteral("Ready !"));
    }

    // The Q factor goes to the writer for both formats; for a JPEG it is the quality, lower
    // Q is better and larger.
    void qFactorReachesTheFile() {
        QTemporaryDir dir;
        App app;
        app.Capture();
        QMap<int, qint64> sizes;
        for (int q : {2, 15, 120, 255}) {
            app.view->m_nQFactor = q;
            const QString path = dir.filePath(QString("q%1.jpg").arg(q));
            app.SaveAs(path);
            sizes[q] = QFileInfo(path).size();
        }
        QVERIFY2(sizes[2] > sizes[15] && sizes[15] > sizes[120] && sizes[120] > sizes[255],
                 qPrintable(QString("%1 %2 %3 %4")
                                .arg(sizes[2])
                                .arg(sizes[15])
                                .arg(sizes[120])
                                .arg(sizes[255])));
        // A BMP ignores it: every Q factor writes the same bytes.
        app.view->m_nQFactor = 2;
        app.SaveAs(dir.filePath("a.bmp"));
        app.view->m_nQFactor = 255;
        app.SaveAs(dir.filePath("b.bmp"));
        QCOMPARE(ReadAll(dir.filePath("a.bmp")), ReadAll(dir.filePath("b.bmp")));
        QVERIFY(app.prompts.messages.isEmpty());
    }

    // While the file is written or read the status bar says "Busy !"; afterwards it tells
    // whether the camera can be reached.
    void busyWhileWorking_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("notReady");
        QTest::addColumn<QString>("idle");
        QTest::newRow("save, camera ready") << false << false << "Ready !";
        QTest::newRow("save, camera gone") << false << true << "Not Ready";
        QTest::newRow("open, camera ready") << true << false << "Ready !";
        QTest::newRow("open, camera gone") << true << true << "Not Ready";
    }

    void busyWhileWorking() {
        QFETCH(bool, open);
        QFETCH(bool, notReady);
        QFETCH(QString, idle);
        QTemporaryDir dir;
        const QString path = dir.filePath("page.bmp");
        App app;
        app.Capture();
        app.SaveAs(path);
        app.view->m_bNotReady = notReady;
        app.view->OnHiddenMode();
        QVERIFY(QTest::qWaitForWindowExposed(app.frame.get()));
        StatusPaints painted(app.frame->m_wndStatusBar);
        open ? app.OpenFile(path) : app.SaveAs(path);
        QVERIFY(app.prompts.messages.isEmpty());
        QCOMPARE(painted.texts, QStringList({"Busy !", idle}));
    }

    // A save that fails part way (the disk fills up) keeps the file that was there, which
    // the picture engine owns; here: it says so once, and leaves the picture and the view's
    // state alone.
    void failedSaveKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("page.jpg"));
        const QByteArray old = QByteArray("an older picture, which must survive ").repeated(100);
        QVERIFY(WriteAll(path, old));
        App app;
        app.Capture();
        app.view->m_nRotIndex = 5;
        const QImage before = app.Lead().Engine().Image();
        const std::uint8_t* raw = app.view->m_hRaw.Data();
        const float zoom = app.Lead().GetZoomPercent();
        {
            test::FullDisk full(4096);  // the picture is megabytes; the old file is smaller
            QVERIFY(full.Holds());
            app.SaveAs(path);
        }
        QCOMPARE(app.prompts.Texts(), QStringList{kSaveFailed});
        QCOMPARE(ReadAll(path), old);
        QVERIFY(app.view->m_bImage);
        QCOMPARE(app.Lead().Engine().Image(), before);
        QCOMPARE(app.view->m_hRaw.Data(), raw);
        QCOMPARE(app.view->m_nRotIndex, 5);
        QCOMPARE(app.Lead().GetZoomPercent(), zoom);
        QVERIFY(app.CommandEnabled(ID_FILE_SAVE));
        QCOMPARE(app.Pane(CMainFrame::PANE_MESSAGE), QStringLiteral("Ready !"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void openOnlyInHiddenMode() {
        QTemporaryDir dir;
        const QString file = dir.filePath("grey.bmp");
        QVERIFY(WriteAll(file, GreyBmp(32, 32)));
        App app;
        QCOMPARE(app.frame->Commands().Action(ID_FILE_OPEN)->shortcut(), QKeySequence("Ctrl+O"));
        QVERIFY(app.CommandEnabled(ID_FILE_OPEN));
        app.Capture();
        const QImage before = app.Lead().Engine().Image();
        app.OpenFile(file);
        QVERIFY(app.fileDialogs.isEmpty());
        QVERIFY(!app.view->m_hRaw.IsNull());
        QCOMPARE(app.Lead().Engine().Image(), before);
        QVERIFY(app.prompts.messages.isEmpty());
    }

    void openCancelledStillDropsTheRawCapture() {
        App app;
        app.Capture();
        const QImage before = app.Lead().Engine().Image();
        app.view->OnHiddenMode();
        app.OpenFile(QString());  // Cancel
        QCOMPARE(app.fileDialogs.size(), 1);
        QVERIFY(!app.fileDialogs.constFirst().save);
        QCOMPARE(app.fileDialogs.constFirst().defaultSuffix, QStringLiteral("BMP"));
        QVERIFY(app.view->m_hRaw.IsNull());
        QVERIFY(app.view->m_bImage);
        QCOMPARE(app.Lead().Engine().Image(), before);
        QVERIFY(app.CommandEnabled(ID_FILE_SAVE));
        QVERIFY(app.prompts.messages.isEmpty());
    }

    // A good file shows as it is stored, at best fit, unsharpened, with the rotation record
    // and the capture mode of the last capture untouched.
    void openShowsTheFileAtBestFit_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("bits");
        QTest::newRow("8-bit BMP") << "grey.bmp"
                                   << "grey" << 8;
        QTest::newRow("24-bit BMP, any name") << "colour.dat"
                                              << "bmp" << 24;
        QTest::newRow("JPEG") << "colour.jpg"
                              << "jpeg" << 24;
    }

    void openShowsTheFileAtBestFit() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(int, bits);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const QImage colour = ColourPicture(300, 500);
        if (kind == "grey") {
            QVERIFY(WriteAll(path, GreyBmp(300, 500)));
        } else {
            QVERIFY(colour.save(path, kind == "bmp" ? "BMP" : "JPEG", 95));
        }
        WriteProfileInt("Settings", "Sharpness", 6);
        App app;
        WriteProfileInt("Settings", "Sharpness", 3);
        app.Capture(2, 0);
        QCOMPARE(app.view->m_nSharpValue, 950);
        app.view->OnRotateRight();
        app.view->OnHiddenMode();
        app.OpenFile(path);

        QVERIFY2(app.prompts.messages.isEmpty(), qPrintable(app.prompts.Texts().join('|')));
        QVERIFY(app.view->m_bImage);
        QCOMPARE(app.view->m_nSharpValue, 0);
        QCOMPARE(app.view->m_nSharpIndex, 6);
        QCOMPARE(app.view->m_nRotIndex, 4);
        QCOMPARE(app.view->m_nRotAngle, 9000);
        QCOMPARE(app.view->m_nMode, 2);
        QVERIFY(app.view->m_hRaw.IsNull());
        QCOMPARE(int(app.Lead().GetPictureBits()), bits);
        QCOMPARE(QSize(int(app.Lead().GetPictureWidth()), int(app.Lead().GetPictureHeight())),
                 QSize(300, 500));
        const QImage shown = app.Lead().Engine().Image().convertToFormat(QImage::Format_RGB888);
        const QImage stored = QImage(path).convertToFormat(QImage::Format_RGB888);
        QCOMPARE(shown, stored);  // not resized, turned or sharpened
        QCOMPARE(app.Lead().GetZoomMode(), CLead::kZoomModeFactor);
        QCOMPARE(app.Lead().GetZoomPercent(), app.view->CalcFitZoom());
        QCOMPARE(app.Pane(CMainFrame::PANE_ZOOM),
                 QString::asprintf(" %.2f%% ", app.view->CalcFitZoom()));
        QVERIFY(app.MenuEnabled(MENU_POS_EDIT));
        QVERIFY(app.MenuEnabled(MENU_POS_ZOOM));
        QVERIFY(app.MenuEnabled(MENU_POS_ROTATION));
        QVERIFY(app.Lead().GetAutoRedraw());
        QCOMPARE(app.Pane(CMainFrame::PANE_MESSAGE), QStringLiteral("Ready !"));
        QVERIFY(!QGuiApplication::overrideCursor());

        // The next capture is sharpened by the chosen position again, not left at 0.
        app.Capture(3, 0);
        QCOMPARE(app.view->m_nSharpValue, 950);
    }

    // A file that is not a picture we read: one error 8, nothing counts as shown any more
    // (Save and the picture menus off, zoom pane blank) nor is shown (the previous picture is
    // not left on screen), and the raw capture is gone.
    void openFailureGreysThePicture_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        const QByteArray bmp = GreyBmp(64, 64);
        // Which malformed files each loader refuses is the imaging tests' business; here a
        // file that is no picture, one cut short and one that is gone stand for the rest.
        QTest::newRow("not a picture") << QByteArray("just some text, not a picture") << true;
        QTest::newRow("BMP cut short") << bmp.left(bmp.size() / 2) << true;
        QTest::newRow("file vanished") << QByteArray() << false;
    }

    void openFailureGreysThePicture() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString path = dir.filePath("broken.bmp");
        if (exists) {
            QVERIFY(WriteAll(path, bytes));
        }
        App app;
        app.Capture();
        QVERIFY(app.CommandEnabled(ID_FILE_SAVE));
        app.view->OnHiddenMode();
        app.OpenFile(path);

        QCOMPARE(app.prompts.Texts(), QStringList{kLoadFailed});
        QVERIFY(!app.view->m_bImage);
        QCOMPARE(app.Lead().GetPictureHandle(), 0L);
        QImage frame;
        app.Lead().RenderFrame(frame);
        QCOMPARE(frame.pixel(frame.width() / 2, frame.height() / 2),
                 app.Lead().palette().color(QPalette::Dark).rgb());
        QVERIFY(app.view->m_hRaw.IsNull());
        QVERIFY(!app.CommandEnabled(ID_FILE_SAVE));
        QVERIFY(!app.CommandEnabled(ID_ZOOM_IN));
        QCOMPARE(app.Pane(CMainFrame::PANE_ZOOM), QStringLiteral("       "));
        QVERIFY(!app.MenuEnabled(MENU_POS_EDIT));
        QVERIFY(!app.MenuEnabled(MENU_POS_ZOOM));
        QVERIFY(!app.MenuEnabled(MENU_POS_ROTATION));
        QVERIFY(app.Lead().GetAutoRedraw());
        QCOMPARE(app.Pane(CMainFrame::PANE_MESSAGE), QStringLiteral("Ready !"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

TAVELO_APP_TEST_MAIN(TestViewFiles)
#include "test_view_files.moc"
