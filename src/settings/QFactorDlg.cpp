#include "settings/QFactorDlg.h"

#include <QLabel>
#include <QPushButton>

#include "res/Prompts.h"
#include "settings/DialogFrame.h"
#include "settings/DialogUnits.h"
#include "settings/Trackbar.h"

namespace tavelo {
namespace {

// Template 135, in dialog units.
constexpr QSize kDialogSize(187, 111);
constexpr QRect kSliderRect(16, 19, 155, 25);
constexpr QRect kLeftTextRect(20, 49, 73, 10);
constexpr QRect kRightTextRect(95, 49, 73, 10);
constexpr QRect kOkRect(34, 75, 50, 14);
constexpr QRect kCancelRect(103, 75, 50, 14);

constexpr const char* kCaption = "Q Factor";
constexpr const char* kLeftText = "Higher Quality";
constexpr const char* kRightText = "Higher Compression";

}  // namespace

CQFactorDlg::CQFactorDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    m_slider = new CTrackbar(this);
    m_slider->setObjectName(QStringLiteral("slider1003"));
    m_leftText = new QLabel(QString::fromLatin1(kLeftText), this);
    m_leftText->setObjectName(QStringLiteral("text1004"));
    m_leftText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_rightText = new QLabel(QString::fromLatin1(kRightText), this);
    m_rightText->setObjectName(QStringLiteral("text1005"));
    m_rightText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_ok, &QPushButton::clicked, this, &CQFactorDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CQFactorDlg::reject);

    const DialogBaseUnits base = BaseUnitsOf(font());
    SetTemplateFrame(this, kDialogSize, base);
    PlaceControl(m_slider, kSliderRect, base);
    PlaceControl(m_leftText, kLeftTextRect, base);
    PlaceControl(m_rightText, kRightTextRect, base);
    PlaceControl(m_ok, kOkRect, base);
    PlaceControl(m_cancel, kCancelRect, base);
    setTabOrder(m_slider, m_ok);
    setTabOrder(m_ok, m_cancel);
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
