#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tavelo {

class CLead;
class CTrackbar;
class PreviewSource;
class ViewHost;

// "Sharpness": a preview of the current capture over a seven-position slider from "Softer"
// to "Sharper". Each time the slider comes to rest on a position with another amount, the
// preview is rebuilt from the raw capture with that amount and the main picture's resize and
// rotation. The dialog only chooses the position; the view applies and keeps it.
class CSharpnessDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 134;
    static constexpr int IDC_PREVIEW = 1002;
    static constexpr int IDC_SLIDER = 1003;
    static constexpr int IDC_LEFT_TEXT = 1004;
    static constexpr int IDC_RIGHT_TEXT = 1005;
    static constexpr int KIND_SHARPNESS = 2;
    static constexpr long FILL_COLOUR = 0xFF0000;

    // `view` is the parent window, `source` the raw capture behind the main picture, `frame`
    // the main window's status bar.
    CSharpnessDlg(QWidget* view, PreviewSource* source, ViewHost* frame);
    ~CSharpnessDlg() override;

    // Runs the dialog modally: IDOK or IDCANCEL. The preview is released either way.
    int DoModal();
    bool OnInitDialog();
    void DoDataExchange(bool saveAndValidate);  // slider position <-> m_nSharpIndex
    void UpdatePreview();
    // Slider notifications; only TB_ENDTRACK (the thumb came to rest) does anything.
    void OnHScroll(int code);
    void OnActivateApp(bool active);  // the preview is repainted when the application returns
    void DestroyWindow();             // releases the preview's picture

    // Given by the view before DoModal.
    int m_nSharpValue = 0;   // amount the preview shows
    int m_nRotIndex = 3;     // the view's rotation index, 3 unrotated
    int m_nRotAngle = 0;     // the view's rotation angle
    int m_nMode = 0;         // capture mode digit of the picture
    int m_nCamRotation = 0;  // camera rotation digit of the picture
    int m_nKind = KIND_SHARPNESS;
    CLead* m_preview = nullptr;
    int m_nSharpIndex = 3;  // slider position 0..6, read by the view after OK
    ViewHost* m_pFrame = nullptr;
    PreviewSource* m_pView = nullptr;

    CTrackbar* m_slider = nullptr;
    QLabel* m_leftText = nullptr;
    QLabel* m_rightText = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;

public Q_SLOTS:
    void accept() override;  // OK: the slider's position to m_nSharpIndex, then close

private:
    void InitPreview();
    void FitPreview();
    void ShowIdleStatus();
};

}  // namespace tavelo
