#pragma once

#include <QDialog>

#include "settings/SeriesSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tavelo {

// "Series...": the folder, name pattern and format of Capture to Series, with the name the
// next picture would get, or, while a field is wrong, what is wrong with it.
class CSeriesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSeriesDlg(const SeriesSettings& settings, QWidget* parent = nullptr);

    // What the fields say, the folder made whole ("~" resolved).
    SeriesSettings Settings() const;
    QString ExampleName() const;  // what the example line shows
    QString Problem() const;      // what is wrong with the fields; OK is off while there is

private:
    void Browse();
    void UpdateExample();

    QLineEdit* m_folder = nullptr;
    QLineEdit* m_pattern = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_save = nullptr;
    QLabel* m_example = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace tavelo
