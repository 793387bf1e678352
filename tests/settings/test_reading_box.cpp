// "Read the text" and its languages: the stored choice fitted to what is installed, given to
// the sitting and kept for the next run.

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QToolButton>
#include <QtTest>

#include "app/AppTestSupport.h"
#include "pages/Sitting.h"
#include "settings/ReadingBox.h"
#include "settings/ReadingSettings.h"

using namespace tavelo;

namespace {

QAction* Language(CReadingBox& box, const QString& name) {
    for (QAction* item : box.Languages()->menu()->actions()) {
        if (item->text() == name) {
            return item;
        }
    }
    return nullptr;
}

}  // namespace

class TestReadingBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitToInstalled_data() {
        QTest::addColumn<int>("storedRead");  // -1: never stored
        QTest::addColumn<QString>("storedLanguages");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("languages");
        QTest::newRow("first start") << -1 << "" << QStringList{"deu", "eng"} << true << "eng";
        QTest::newRow("first start, nothing installed") << -1 << "" << QStringList{} << false << "";
        QTest::newRow("turned off stays off") << 0 << "eng" << QStringList{"eng"} << false << "eng";
        QTest::newRow("two languages")
            << 1 << "eng+deu" << QStringList{"deu", "eng"} << true << "eng+deu";
        QTest::newRow("one removed since") << 1 << "eng+fra" << QStringList{"eng"} << true << "eng";
        QTest::newRow("none left, no English")
            << 1 << "fra" << QStringList{"deu", "spa"} << true << "deu";
        QTest::newRow("no language names")
            << 1 << "../x+eng+eng" << QStringList{"eng"} << true << "eng";
        QTest::newRow("stored on, nothing installed") << 1 << "eng" << QStringList{} << false << "";
    }
    void fitToInstalled() {
        QFETCH(int, storedRead);
        QFETCH(QString, storedLanguages);
        QFETCH(QStringList, installed);
        QFETCH(bool, read);
        QFETCH(QString, languages);
        const ReadingSettings s = FitReadingSettings(storedRead, storedLanguages, installed);
        QCOMPARE(s.readText, read);
        QCOMPARE(s.languages, languages);
    }

    // The box gives its choice to the sitting, keeps it, and never leaves no language.
    void boxSetsTheSittingAndKeeps() {
        const QStringList installed{"deu", "eng"};
        Sitting sitting;
        DocumentOptions options;
        options.findPage = false;
        options.readText = false;
        sitting.SetOptions(options);
        {
            CReadingBox box(&sitting, nullptr, installed);
            QVERIFY(sitting.Options().readText);
            QCOMPARE(sitting.Options().languages, QString("eng"));
            QVERIFY(!sitting.Options().findPage);  // not the box's to change
            Language(box, "deu")->trigger();
            QCOMPARE(sitting.Options().languages, QString("deu+eng"));
            Language(box, "deu")->trigger();
            Language(box, "eng")->trigger();  // the last one stays
            QVERIFY(Language(box, "eng")->isChecked());
            QCOMPARE(sitting.Options().languages, QString("eng"));
            box.ReadText()->click();
            QVERIFY(!sitting.Options().readText);
            Language(box, "deu")->trigger();
        }
        Sitting next;
        CReadingBox box(&next, nullptr, installed);
        QVERIFY(!box.ReadText()->isChecked());
        QVERIFY(!next.Options().readText);
        QCOMPARE(next.Options().languages, QString("deu+eng"));
        QCOMPARE(box.Languages()->text(), QString("deu+eng"));
    }
};

TAVELO_APP_TEST_MAIN(TestReadingBox)
#include "test_reading_box.moc"
