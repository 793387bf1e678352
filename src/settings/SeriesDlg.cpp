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
    // Wide enough for a usual path; the tooltip shows one too long for it.
    m_folder->setMinimumWidth(m_folder->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &CSeriesDlg::Browse);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);

    m_pattern = new QLineEdit(settings.pattern, this);
    m_pattern->setObjectName(QStringLiteral("pattern"));
    m_pattern->setToolTip(
        QStringLiteral("{n} number, {n:03} or {n:3} number of three digits, {date}, {time}"));
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    m_format->addItems({QStringLiteral("JPEG"), QStringLiteral("BMP")});
    m_format->setCurrentIndex(settings.bmp ? 1 : 0);
    m_save = new QComboBox(this);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->addItems(
        {QStringLiteral("the picture as shown"), QStringLiteral("the page found in it")});
    m_save->setCurrentIndex(settings.documentPage ? 1 : 0);
    m_example = new QLabel(this);
    m_example->setObjectName(QStringLiteral("example"));
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    // A row given a layout gets no buddy of its own, and its "&" would show as it is.
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), this);
    folderLabel->setBuddy(m_folder);

    auto* form = new QFormLayout;
    form->addRow(folderLabel, folderRow);
    form->addRow(QStringLiteral("&Names:"), m_pattern);
    form->addRow(QStringLiteral("F&ormat:"), m_format);
    form->addRow(QStringLiteral("&Save:"), m_save);
    form->addRow(QStringLiteral("Next:"), m_example);
    form->addRow(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
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
    if (!ResolveSeriesFolder(m_folder->text(), s.folder).isEmpty()) {
        s.folder = m_folder->text().trimmed();
    }
    s.pattern = m_pattern->text().trimmed();
    s.bmp = m_format->currentIndex() == 1;
    s.documentPage = m_save->currentIndex() == 1;
    return s;
}

QString CSeriesDlg::ExampleName() const {
    return m_example->text();
}

QString CSeriesDlg::Problem() const {
    return m_problem->text();
}

void CSeriesDlg::Browse() {
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), m_folder->text());
    if (!folder.isEmpty()) {
        m_folder->setText(folder);
    }
}

void CSeriesDlg::UpdateExample() {
    m_folder->setToolTip(m_folder->text());
    const SeriesSettings s = Settings();
    QString folder;
    QString problem = ResolveSeriesFolder(m_folder->text(), folder);
    if (problem.isEmpty()) {
        problem = SeriesPattern::Problem(s.pattern);
    }
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    m_ok->setEnabled(problem.isEmpty());
    if (!problem.isEmpty()) {
        m_example->clear();
        return;
    }
    const SeriesPattern pattern(s.pattern);
    const int next = NextSeriesNumber(s.folder, pattern, s.Extension());
    m_example->setText(pattern.Name(next, s.Extension(), QDateTime::currentDateTime()));
}

}  // namespace tavelo
