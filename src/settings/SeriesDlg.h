#pragma once

#include <QDialog>

#include "settings/SeriesSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tavelo {

// "Series...": the folder, name pattern and format of Capture to Series, with the name the
// next picture would get.
class CSeriesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSeriesDlg(const SeriesSettings& settings, QWidget* parent = nullptr);

    SeriesSettings Settings() const;
    QString ExampleName() const;  // what the example line shows

private:
    void Browse();
    void UpdateExample();

    QLineEdit* m_folder = nullptr;
    QLineEdit* m_pattern = nullptr;
    QComboBox* m_format = nullptr;
    QLabel* m_example = nullptr;
};

}  // namespace tavelo
