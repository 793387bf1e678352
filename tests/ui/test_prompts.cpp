// The product's message box behind the prompt seam: what each way of ending it answers.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "ui/Prompts.h"

using namespace tavelo;

class TestPrompts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Discard / Cancel: only the Discard button discards; Escape and the close box cancel.
    void discardOrCancel_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::newRow("Discard") << "discard" << int(IDDISCARD);
        QTest::newRow("Escape") << "escape" << int(IDCANCEL);
        QTest::newRow("close box") << "close" << int(IDCANCEL);
        QTest::newRow("Enter, Cancel being the default") << "enter" << int(IDCANCEL);
    }
    void discardOrCancel() {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QTimer::singleShot(0, [how] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            if (how == "discard") {
                box->button(QMessageBox::Discard)->click();
            } else if (how == "escape") {
                QTest::keyClick(box, Qt::Key_Escape);
            } else if (how == "enter") {
                QTest::keyClick(box, Qt::Key_Return);
            } else {
                box->close();
            }
        });
        MessagePrompt prompt;
        prompt.text = "Discard 2 pages that were never saved?";
        prompt.buttons = PROMPT_DISCARD_CANCEL;
        QCOMPARE(ShowMessage(prompt), answer);
    }
};

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
