#pragma once

#include <QWidget>
#include <cstdint>

#include "device/MemoryBlock.h"
#include "panel/RemoteOwner.h"

namespace tavelo {

class CLead;
class PageList;
class PageReader;
class Sitting;
class SheetFinder;
struct DocumentOptions;
class SittingReader;
class CRemoteDlg;
class ViewHost;
struct CameraDiagnosis;

// The single view filling the main frame. The picture lives in the imaging control that fills
// it; the view captures, zooms, fits and rotates it, and keeps the state the frame, the link
// and the panel read.
class CTavelo2View : public QWidget, public RemoteOwner {
    Q_OBJECT
public:
    static constexpr int IDC_LEAD = 1001;
    static constexpr long FILL_COLOUR = 0xFF0000;  // 0x00BBGGRR: blue corners after a turn

    explicit CTavelo2View(QWidget* parent = nullptr);
    // Frees the raw capture and releases the picture; an open panel goes with the view.
    ~CTavelo2View() override;

    // Once the frame is complete: control start values, greyed picture menus, the stored
    // Q factor and sharpness, and the command handlers.
    virtual void OnInitialUpdate(ViewHost* frame);

    void CloseRemote();     // asks an open remote control panel to close (queued)
    void RepaintPicture();  // repaints a shown picture
    // While no picture is shown the view says what the diagnosis means and what to do; with
    // a real camera ready (`ready`, the last check's finding) it is the plain grey view.
    // (Tavelo2ViewCamera.cpp)
    void ShowCameraDiagnosis(const CameraDiagnosis& diagnosis, bool ready);

    // RemoteOwner
    void ForgetRemote() override;  // the panel is going away on its own
    QWidget* RemoteParent() override { return this; }

    // Rotation angle of m_nRotIndex in hundredths of a degree; an index outside 0..6 is
    // replaced by 3 (unrotated) and stored back.
    int RotationAngle();
    // Sharpen amount of a slider index; an index outside 0..6 is replaced by 3 and stored
    // back into m_nSharpIndex.
    int SharpnessValue(int index);
    // The zoom factor that fits the whole picture into the view.
    float CalcFitZoom() const;
    // The view's form, 150 x 105 dialog units of its font: the size the window is shrunk to
    // (never grown to) when it is made.
    QSize FormSize() const;

    // Commands. Capture says whether a new picture came and is shown (false after any
    // failure, whatever stays shown).
    bool OnCapture();
    void OnZoomIn();
    void OnZoomOut();
    void OnBestFit();
    void OnActualSize();
    void OnRotateLeft();
    void OnRotateRight();
    void OnHiddenMode();
    void OnRcShow();
    void OnRcHide();
    void OnRcToggle();
    // Picture settings (Tavelo2ViewSettings.cpp). The sharpness dialog; on OK the position is
    // kept and the picture rebuilt from the raw capture with it, at the same zoom and place.
    void OnSharpness();
    void OnJpegSetting();  // the Q factor dialog; on OK the factor is kept
    // File commands (Tavelo2ViewFiles.cpp).
    void OnFileSave();  // the shown picture as a BMP, JPEG or PNG file
    // The file the user names to save to and its format; empty when cancelled or when the
    // name asks for a format Tavelo does not write (the user is told).
    QString AskSavePath(int& format);
    void OnFileOpen();  // hidden mode only: a picture file instead of the capture

    // Pages of the sitting (PageCommands.cpp, SeriesCommands.cpp, SittingCommands.cpp).
    // Pages are kept once StartPages has made this run's folder under `root`; until then
    // there are none.
    bool StartPages(const QString& root, const QString& runId);
    // Takes back, without a question, the sittings earlier runs left (ended normally or
    // not); one line says what could not be brought back.
    void RestorePages();
    PageList* Pages() const { return m_pPages; }
    Sitting* PagesSitting() const { return m_pSitting; }
    // The pages' text, read in the background (TextCommands.cpp).
    SittingReader* PagesReader() const { return m_pReader; }
    // Shows page `row` as if it had just been captured or opened, turned as the page is.
    bool ShowPage(int row);
    // The row of the page shown, -1 when what is shown is no page of the sitting.
    int ShownPage() const;
    // Capture as the Capture command does, kept as a page; true when a new picture came and
    // is shown. A page that cannot be kept is reported, unless `pageKept` is given: then it
    // says so there and the caller reports it with its own failures, once.
    bool CaptureAsPage(bool* pageKept = nullptr);
    void OnCaptureToSeries();  // Capture, then the picture into the series folder
    void OnSeriesSetting();
    void OnExportPdf();
    void OnFilePrint();
    void OnEditCopy();
    void OnEditCopyText();  // the shown page's text as read
    // An empty sitting; asks first when pages of this one were never saved, exported or
    // printed. Undo brings the set-aside sitting back.
    void OnFileNew();
    // The sitting's document pages (DocumentCommands.cpp): its options, set and kept for the
    // next run; the sheets looked for in the background; Save Page As, the shown page's
    // document page as a BMP, JPEG or PNG file.
    SheetFinder* Finder() const { return m_pFinder; }
    void SetDocumentOptions(const DocumentOptions& options);
    void OnSavePageAs();
    // What Copy, Print of the shown picture and a series of pages take: the document page
    // when the picture shown is a page, else the picture as shown; null when none is shown.
    QImage ShownDocumentPicture() const;

    CLead* m_lead = nullptr;
    int m_nHeight = 0;        // rows of the raw capture
    int m_nWidth = 0;         // columns of the raw capture
    int m_nBmpSize = 0;       // byte size of the bitmap file image built from it
    bool m_bNotReady = true;  // the camera is not reachable
    bool m_bImage = false;    // a picture is shown
    bool m_bHiddenMode = false;
    int m_nMode = 0;         // capture mode digit of the last capture
    int m_nCamRotation = 0;  // camera rotation digit of the last capture
    int m_nRotIndex = 3;     // 0..6, 3 unrotated
    int m_nRotAngle = 0;     // hundredths of a degree
    MemoryBlock m_hRaw;      // the last raw capture, rows bottom-first
    int m_nSharpValue = 0;
    int m_nSharpIndex = 3;
    int m_nQFactor = 15;
    ViewHost* m_pFrame = nullptr;
    CRemoteDlg* m_pRemote = nullptr;
    PageList* m_pPages = nullptr;
    Sitting* m_pSitting = nullptr;
    SheetFinder* m_pFinder = nullptr;  // a child of the sitting
    PageReader* m_pReadingPool = nullptr;
    SittingReader* m_pReader = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;  // the control follows the view

    // The window system keeps true colour on every display the application runs on, so
    // there is no palette to realise when the view gains focus or another window changes
    // the palette: the control paints from its own picture each time.

private:
    void InitControl();
    void RegisterCommands();
    void GreyPictureMenus(bool grey);
    void SetZoom(float percent);  // flag 57, paint size mode 4, zoom factor, zoom pane
    void Rotate(int step);
    void TurnShown(int step);  // the shown picture and, when it is a page, the page
    void ShowIdleStatus();     // "Not Ready" or "Ready !" by m_bNotReady
    // Ctrl+wheel: Zoom In or Zoom Out, as far as the commands allow.
    void OnWheelZoom(int steps);
    void RegisterPageCommands();
    void RegisterSittingCommands();
    void RegisterTextCommands();
    void StartReading();  // the sitting's pages read from now on
    void StopReading();
    void ShowAsPage(int row);       // what is shown is page `row` (-1: no page) with its turns
    void FollowPageTurns(int row);  // an undone or redone turn of the shown page
    void ClearPicture();            // the empty view of a new sitting
    void SayNotRestored(const QString& summary);  // one line, once
    void MarkShownKept();
    void AddOpenedPage(const QString& path);
    void ShowLoadedPicture();  // best fit, menus and status once a page is loaded
    void ShowLoadFailed();     // the empty view, grey menus, then the load error
    // The status back to idle, then the save error, or the folder kept for the next save.
    // True when written.
    bool EndSave(const QString& path, std::int16_t result);
    QString SaveToSeries();  // the path written, empty on failure
    void StartDocument();    // the options and the finder of a sitting just opened
    void RegisterDocumentCommands();
    std::int16_t EncodeDocumentPage(int format, QByteArray& bytes) const;

    QString m_shownPage;    // the store name of the page shown; empty when none is
    int m_nShownTurns = 0;  // the quarter turns of that page the shown picture has
};

}  // namespace tavelo
