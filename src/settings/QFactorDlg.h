#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tavelo {

class CTrackbar;

// "Q Factor": one slider from "Higher Quality" (low factor) to "Higher Compression" (high
// factor). The slider's position is the Q factor itself, 2..242. The caller sets m_nQFactor
// before DoModal and reads it back when the result is not IDCANCEL.
class CQFactorDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 135;
    static constexpr int IDC_SLIDER = 1003;
    static constexpr int IDC_LEFT_TEXT = 1004;
    static constexpr int IDC_RIGHT_TEXT = 1005;
    static constexpr int kMinQFactor = 2;
    static constexpr int kMaxQFactor = 242;
    static constexpr int kTickFrequency = 20;

    explicit CQFactorDlg(QWidget* parent = nullptr);
    ~CQFactorDlg() override;

    // Runs the dialog modally: IDOK or IDCANCEL.
    int DoModal();
    // Data into the controls, the texts, and the slider's range, position and ticks.
    bool OnInitDialog();
    // The slider's position to m_nQFactor (save) or back.
    void DoDataExchange(bool saveAndValidate);

    int m_nQFactor = 0;
    CTrackbar* m_slider = nullptr;
    QLabel* m_leftText = nullptr;
    QLabel* m_rightText = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;

public Q_SLOTS:
    void accept() override;  // OK: the slider's position to m_nQFactor, then close
};

}  // namespace tavelo
