#pragma once

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QToolButton;

namespace tavelo {

class Sitting;
class SittingReader;

// "Read the text" and the languages it reads in, for the head of the Pages dock: the user's
// stored choice is given to the sitting when the box is made and whenever it changes, and
// kept. Below them, which page could not be read, when one could not.
class CReadingBox : public QWidget {
    Q_OBJECT
public:
    // `installed`: the languages to offer, as ReadingLanguages() lists them.
    CReadingBox(Sitting* sitting, SittingReader* reader, const QStringList& installed,
                QWidget* parent = nullptr);

    QCheckBox* ReadText() const { return m_pReadText; }
    QToolButton* Languages() const { return m_pLanguages; }
    QLabel* Notice() const { return m_pNotice; }

private:
    void Apply();  // the controls' choice kept and given to the sitting
    void ShowLanguages(const QString& languages);

    Sitting* m_pSitting;
    QStringList m_installed;
    QCheckBox* m_pReadText = nullptr;
    QToolButton* m_pLanguages = nullptr;
    QLabel* m_pNotice = nullptr;
};

}  // namespace tavelo
