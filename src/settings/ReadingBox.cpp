#include "settings/ReadingBox.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "pages/Sitting.h"
#include "pages/SittingReader.h"
#include "settings/ReadingSettings.h"

namespace tavelo {

CReadingBox::CReadingBox(Sitting* sitting, SittingReader* reader, const QStringList& installed,
                         QWidget* parent)
    : QWidget(parent), m_pSitting(sitting), m_installed(installed) {
    setObjectName(QStringLiteral("readingBox"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pReadText = new QCheckBox(QStringLiteral("Read the text"), this);
    m_pReadText->setObjectName(QStringLiteral("readText"));
    layout->addWidget(m_pReadText, 0, 0);

    m_pLanguages = new QToolButton(this);
    m_pLanguages->setObjectName(QStringLiteral("readLanguages"));
    m_pLanguages->setToolTip(QStringLiteral("The languages of the text"));
    m_pLanguages->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_pLanguages);
    for (const QString& language : installed) {
        QAction* item = menu->addAction(language);
        item->setCheckable(true);
        connect(item, &QAction::toggled, this, [this, item](bool on) {
            // A language stays chosen while it is the only one.
            if (!on) {
                bool any = false;
                for (QAction* other : m_pLanguages->menu()->actions()) {
                    any = any || other->isChecked();
                }
                if (!any) {
                    item->setChecked(true);  // toggles again, and applies then
                    return;
                }
            }
            Apply();
        });
    }
    m_pLanguages->setMenu(menu);
    layout->addWidget(m_pLanguages, 0, 1);
    layout->setColumnStretch(0, 1);

    m_pNotice = new QLabel(this);
    m_pNotice->setObjectName(QStringLiteral("readNotice"));
    m_pNotice->setWordWrap(true);
    m_pNotice->hide();
    layout->addWidget(m_pNotice, 1, 0, 1, 2);

    const ReadingSettings stored = LoadReadingSettings(installed);
    m_pReadText->setChecked(stored.readText);
    ShowLanguages(stored.languages);
    const bool anyLanguage = !installed.isEmpty();
    m_pReadText->setEnabled(anyLanguage);
    m_pLanguages->setEnabled(anyLanguage);
    if (!anyLanguage) {
        m_pReadText->setToolTip(QStringLiteral("No language for reading is installed"));
    }
    connect(m_pReadText, &QCheckBox::toggled, this, &CReadingBox::Apply);
    if (reader != nullptr) {
        connect(reader, &SittingReader::pageUnreadable, this, [this](int row) {
            m_pNotice->setText(
                QStringLiteral("The text of page %1 could not be read.").arg(row + 1));
            m_pNotice->show();
        });
        connect(reader, &SittingReader::stateChanged, this, [this, reader](int row) {
            // The notice goes once the page it names is read after all.
            if (m_pNotice->isVisible() && reader->StateOf(row) == SittingReader::State::Read &&
                m_pNotice->text().contains(QStringLiteral(" page %1 ").arg(row + 1))) {
                m_pNotice->hide();
            }
        });
    }
    if (m_pSitting != nullptr) {
        DocumentOptions options = m_pSitting->Options();
        options.readText = stored.readText;
        options.languages = stored.languages;
        m_pSitting->SetOptions(options);
    }
}

void CReadingBox::ShowLanguages(const QString& languages) {
    const QStringList chosen = languages.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (QAction* item : m_pLanguages->menu()->actions()) {
        const QSignalBlocker quiet(item);
        item->setChecked(chosen.contains(item->text()));
    }
    m_pLanguages->setText(languages.isEmpty() ? QStringLiteral("-") : languages);
}

void CReadingBox::Apply() {
    QStringList chosen;
    for (QAction* item : m_pLanguages->menu()->actions()) {
        if (item->isChecked()) {
            chosen.append(item->text());
        }
    }
    ReadingSettings settings;
    settings.languages = chosen.join(QLatin1Char('+'));
    settings.readText = m_pReadText->isChecked() && !chosen.isEmpty();
    m_pLanguages->setText(settings.languages.isEmpty() ? QStringLiteral("-") : settings.languages);
    SaveReadingSettings(settings);
    if (m_pSitting != nullptr) {
        DocumentOptions options = m_pSitting->Options();
        options.readText = settings.readText;
        options.languages = settings.languages;
        m_pSitting->SetOptions(options);
    }
}

}  // namespace tavelo
