#include "settings/SeriesDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "pages/SeriesNames.h"

namespace tavelo {

CSeriesDlg::CSeriesDlg(const SeriesSettings& settings, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Series"));
    m_folder = new QLineEdit(settings.folder, this);
    m_folder->setObjectName(QStringLiteral("folder"));
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &CSeriesDlg::Browse);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);

    m_pattern = new QLineEdit(settings.pattern, this);
    m_pattern->setObjectName(QStringLiteral("pattern"));
    m_pattern->setToolTip(
        QStringLiteral("{n} number, {n:03} number of three digits, {date}, {time}"));
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    m_format->addItems({QStringLiteral("JPEG"), QStringLiteral("BMP")});
    m_format->setCurrentIndex(settings.bmp ? 1 : 0);
    m_example = new QLabel(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Folder:"), folderRow);
    form->addRow(QStringLiteral("&Names:"), m_pattern);
    form->addRow(QStringLiteral("F&ormat:"), m_format);
    form->addRow(QStringLiteral("Next:"), m_example);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_folder, &QLineEdit::textChanged, this, &CSeriesDlg::UpdateExample);
    connect(m_pattern, &QLineEdit::textChanged, this, &CSeriesDlg::UpdateExample);
    connect(m_format, &QComboBox::currentIndexChanged, this, &CSeriesDlg::UpdateExample);
    UpdateExample();
}

SeriesSettings CSeriesDlg::Settings() const {
    SeriesSettings s;
    s.folder = m_folder->text().trimmed();
    s.pattern = m_pattern->text().trimmed();
    s.bmp = m_format->currentIndex() == 1;
    return s;
}

QString CSeriesDlg::ExampleName() const {
    return m_example->text();
}

void CSeriesDlg::Browse() {
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), m_folder->text());
    if (!folder.isEmpty()) {
        m_folder->setText(folder);
    }
}

void CSeriesDlg::UpdateExample() {
    const SeriesSettings s = Settings();
    const SeriesPattern pattern(s.pattern);
    const int next = NextSeriesNumber(s.folder, pattern, s.Extension());
    m_example->setText(pattern.Name(next, s.Extension(), QDateTime::currentDateTime()));
}

}  // namespace tavelo
