#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "res/Icons.h"
#include "res/Strings.h"
#include "res/Version.h"

namespace tavelo {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(ABOUT_CAPTION));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    auto* product = new QLabel(QString::fromLatin1(ABOUT_PRODUCT), this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    m_version = new QLabel(QString::fromLatin1(ABOUT_VERSION_DEFAULT), this);
    m_version->setObjectName(QStringLiteral("version1042"));
    m_legal = new QLabel(QString(), this);
    m_legal->setObjectName(QStringLiteral("legal1043"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(product, 0, 1);
    grid->addWidget(m_version, 1, 1);
    grid->addWidget(m_legal, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setHorizontalSpacing(16);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    OnInitDialog();
}

bool CAboutDlg::OnInitDialog() {
    m_version->setText(QString::asprintf(ABOUT_VERSION_FORMAT, PRODUCT_VERSION));
    m_legal->setText(QString::fromLatin1(LEGAL_COPYRIGHT));
    return true;
}

}  // namespace tavelo
