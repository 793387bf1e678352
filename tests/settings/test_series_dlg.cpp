// The Series dialog on its own: what it says about the folder and the names while they are
// typed, and OK only while both are right.

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/AppTestSupport.h"
#include "settings/SeriesDlg.h"

using namespace tavelo;

class TestSeriesDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // "@" stands for a folder of the test's own, "~" for the home folder.
    void fieldsAsTyped_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("saved");  // the folder Settings() gives
        QTest::addColumn<QString>("example");
        QTest::newRow("as it comes") << "@"
                                     << "page-{n:03}"
                                     << ""
                                     << "@"
                                     << "page-001.JPG";
        QTest::newRow("home folder") << "~/Scans/"
                                     << "scan{n}"
                                     << ""
                                     << "~/Scans"
                                     << "scan1.JPG";
        QTest::newRow("relative folder") << "Scans"
                                         << "page-{n}"
                                         << "\"Scans\" is not a whole path; start it with / or ~."
                                         << ""
                                         << "";
        QTest::newRow("a file") << "@/file"
                                << "page-{n}"
                                << "\"@/file\" is a file, not a folder."
                                << ""
                                << "";
        QTest::newRow("no folder") << " "
                                   << "page-{n}"
                                   << "Choose the folder the pictures go to."
                                   << ""
                                   << "";
        QTest::newRow("a field mistyped")
            << "@"
            << "page-{x}"
            << "\"{x}\" is no field; the fields are {n}, {n:03}, {date} and {time}."
            << "@"
            << "";
    }
    void fieldsAsTyped() {
        QFETCH(QString, folder);
        QFETCH(QString, pattern);
        QFETCH(QString, problem);
        QFETCH(QString, saved);
        QFETCH(QString, example);
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const auto place = [&](QString text) { return text.replace(QLatin1Char('@'), dir.path()); };
        CSeriesDlg dlg(SeriesSettings{QDir::homePath(), QStringLiteral("page-{n}"), false});
        auto* folderEdit = dlg.findChild<QLineEdit*>("folder");
        auto* patternEdit = dlg.findChild<QLineEdit*>("pattern");
        QVERIFY(folderEdit != nullptr && patternEdit != nullptr);
        folderEdit->setText(folder.replace(QLatin1Char('@'), dir.path()));
        patternEdit->setText(pattern);
        QCOMPARE(dlg.Problem(), place(problem));
        QCOMPARE(dlg.ExampleName(), example);
        auto* buttons = dlg.findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QCOMPARE(buttons->button(QDialogButtonBox::Ok)->isEnabled(), problem.isEmpty());
        if (!saved.isEmpty()) {
            QCOMPARE(dlg.Settings().folder,
                     place(saved).replace(QLatin1Char('~'), QDir::homePath()));
        }
        // However long, the whole folder can be read.
        QCOMPARE(folderEdit->toolTip(), folderEdit->text());
    }

    // "Save:" offers the picture as shown (the default) or the page found in it; the choice
    // goes with the series settings and comes back with them.
    void saveChoiceIsKept_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("text");
        QTest::newRow("as shown") << 0 << "the picture as shown";
        QTest::newRow("the page") << 1 << "the page found in it";
    }
    void saveChoiceIsKept() {
        QFETCH(int, choice);
        QFETCH(QString, text);
        QCOMPARE(LoadSeriesSettings().documentPage, false);  // nothing kept yet: as shown
        SeriesSettings start{QDir::homePath(), QStringLiteral("page-{n}"), false};
        start.documentPage = choice != 1;  // the other one, to be changed
        CSeriesDlg dlg(start);
        auto* save = dlg.findChild<QComboBox*>("save");
        QVERIFY(save != nullptr);
        QCOMPARE(save->currentIndex(), 1 - choice);
        save->setCurrentIndex(choice);
        QCOMPARE(save->currentText(), text);
        QCOMPARE(dlg.Settings().documentPage, choice == 1);
        QVERIFY(SaveSeriesSettings(dlg.Settings()));
        QCOMPARE(LoadSeriesSettings().documentPage, choice == 1);
        QVERIFY(SaveSeriesSettings(SeriesSettings{QDir::homePath(), "page-{n}", false}));
    }

    // The folder's label has its access key, which leads to the folder field.
    void folderLabelLeadsToTheField() {
        CSeriesDlg dlg(SeriesSettings{QDir::homePath(), QStringLiteral("page-{n}"), false});
        QLabel* label = nullptr;
        for (QLabel* l : dlg.findChildren<QLabel*>()) {
            if (l->text() == QLatin1String("&Folder:")) {
                label = l;
            }
        }
        QVERIFY(label != nullptr);
        QCOMPARE(label->buddy(), dlg.findChild<QLineEdit*>("folder"));
    }
};

TAVELO_APP_TEST_MAIN(TestSeriesDlg)
#include "test_series_dlg.moc"
