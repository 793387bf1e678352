#include "settings/QFactorDlg.h"

#include <QLabel>
#include <QPushButton>

#include "settings/DialogFrame.h"
#include "settings/DialogUnits.h"
#include "settings/SliderControls.h"
#include "settings/Trackbar.h"
#include "ui/Prompts.h"

namespace tavelo {
namespace {

// Template 135, in dialog units.
constexpr QSize kDialogSize(187, 111);
constexpr SliderTemplate kControls{
    {16, 19, 155, 25}, {20, 49, 73, 10}, {95, 49, 73, 10}, {34, 75, 50, 14}, {103, 75, 50, 14}};

constexpr const char* kCaption = "Q Factor";
constexpr const char* kLeftText = "Higher Quality";
constexpr const char* kRightText = "Higher Compression";

}  // namespace

CQFactorDlg::CQFactorDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    const DialogBaseUnits base = BaseUnitsOf(font());
    SetTemplateFrame(this, kDialogSize, base);
    const SliderControls controls = CreateSliderControls(
        this, QString::fromLatin1(kLeftText), QString::fromLatin1(kRightText), kControls, base);
    m_slider = controls.slider;
    m_leftText = controls.leftText;
    m_rightText = controls.rightText;
    m_ok = controls.ok;
    m_cancel = controls.cancel;
}

CQFactorDlg::~CQFactorDlg() = default;

int CQFactorDlg::DoModal() {
    OnInitDialog();
    CentreOnScreen(this);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool CQFactorDlg::OnInitDialog() {
    DoDataExchange(false);
    setWindowTitle(QString::fromLatin1(kCaption));
    m_leftText->setText(QString::fromLatin1(kLeftText));
    m_rightText->setText(QString::fromLatin1(kRightText));
    m_slider->SetRange(kMinQFactor, kMaxQFactor);
    // Written again now that the range holds it: a factor above the range stops at its end.
    m_slider->setValue(m_nQFactor);
    m_slider->setTickInterval(kTickFrequency);
    m_slider->setFocus();
    return true;
}

void CQFactorDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nQFactor = m_slider->value();
    } else {
        m_slider->setValue(m_nQFactor);
    }
}

void CQFactorDlg::accept() {
    DoDataExchange(true);
    QDialog::accept();
}

}  // namespace tavelo
