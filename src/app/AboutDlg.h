#pragma once

#include <QDialog>

class QLabel;

namespace tavelo {

// "About Tavelo": the application icon, the product name, its version and legal notice.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Fills in the version ("Version  " and the product version) and the legal notice.
    bool OnInitDialog();

    QLabel* m_version = nullptr;  // control 1042
    QLabel* m_legal = nullptr;    // control 1043
};

}  // namespace tavelo
