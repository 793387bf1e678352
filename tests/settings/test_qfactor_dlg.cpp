// The Q factor dialog on its own: the slider is the factor, 2..242 with a tick every 20, and
// only OK hands a factor back.

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/AppTestSupport.h"
#include "settings/DialogUnits.h"
#include "settings/ModalDriver.h"
#include "settings/QFactorDlg.h"
#include "settings/Trackbar.h"
#include "ui/Prompts.h"

using namespace tavelo;

class TestQFactorDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensAtTheGivenFactor_data() {
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("shown");
        QTest::newRow("default 15") << 15 << 15;
        QTest::newRow("lowest 2") << 2 << 2;
        QTest::newRow("highest 242") << 242 << 242;
        QTest::newRow("243 stops at the end") << 243 << 242;
        QTest::newRow("250 stops at the end") << 250 << 242;
        QTest::newRow("255 stops at the end") << 255 << 242;
    }

    // OK without touching the slider hands back what the slider shows.
    void opensAtTheGivenFactor() {
        QFETCH(int, given);
        QFETCH(int, shown);
        CQFactorDlg dlg;
        dlg.m_nQFactor = given;
        // Read while the dialog is up; checked once it has closed.
        struct Seen {
            int value = -1, minimum = -1, maximum = -1, tick = -1;
            bool ticks = false;
            QString caption, left, right;
        } seen;
        bool ran = false;
        test::WhenModal<CQFactorDlg>(
            [&](CQFactorDlg& d) {
                seen = {d.m_slider->value(),
                        d.m_slider->minimum(),
                        d.m_slider->maximum(),
                        d.m_slider->tickInterval(),
                        d.m_slider->tickPosition() != QSlider::NoTicks,
                        d.windowTitle(),
                        d.m_leftText->text(),
                        d.m_rightText->text()};
                d.m_ok->click();
            },
            &ran);
        QCOMPARE(dlg.DoModal(), int(IDOK));
        QVERIFY(ran);
        QCOMPARE(seen.value, shown);
        QCOMPARE(seen.minimum, 2);
        QCOMPARE(seen.maximum, 242);
        QCOMPARE(seen.tick, 20);
        QVERIFY(seen.ticks);
        QCOMPARE(seen.caption, QStringLiteral("Q Factor"));
        QCOMPARE(seen.left, QStringLiteral("Higher Quality"));
        QCOMPARE(seen.right, QStringLiteral("Higher Compression"));
        QCOMPARE(dlg.m_nQFactor, shown);
    }

    void keysMoveWithinTheRange_data() {
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("right from 15") << 15 << int(Qt::Key_Right) << 16;
        QTest::newRow("left from 15") << 15 << int(Qt::Key_Left) << 14;
        QTest::newRow("left stops at 2") << 2 << int(Qt::Key_Left) << 2;
        QTest::newRow("right stops at 242") << 242 << int(Qt::Key_Right) << 242;
        QTest::newRow("home") << 100 << int(Qt::Key_Home) << 2;
        QTest::newRow("end") << 100 << int(Qt::Key_End) << 242;
    }

    void keysMoveWithinTheRange() {
        QFETCH(int, given);
        QFETCH(int, key);
        QFETCH(int, result);
        CQFactorDlg dlg;
        dlg.m_nQFactor = given;
        test::WhenModal<CQFactorDlg>([&](CQFactorDlg& d) {
            QTest::keyClick(d.m_slider, Qt::Key(key));
            d.m_ok->click();
        });
        QCOMPARE(dlg.DoModal(), int(IDOK));
        QCOMPARE(dlg.m_nQFactor, result);
    }

    void cancelHandsNothingBack() {
        CQFactorDlg dlg;
        dlg.m_nQFactor = 40;
        test::WhenModal<CQFactorDlg>([](CQFactorDlg& d) {
            QTest::keyClick(d.m_slider, Qt::Key_End);
            d.m_cancel->click();
        });
        QCOMPARE(dlg.DoModal(), int(IDCANCEL));
        QCOMPARE(dlg.m_nQFactor, 40);
    }

    // The controls stand where the template puts them, in the dialog font's base units.
    void laidOutFromTheTemplate() {
        CQFactorDlg dlg;
        dlg.OnInitDialog();
        const DialogBaseUnits base = BaseUnitsOf(dlg.font());
        QCOMPARE(dlg.size(), MapDialogSize(QSize(187, 111), base));
        QCOMPARE(dlg.m_slider->geometry(), MapDialogRect(QRect(16, 19, 155, 25), base));
        QCOMPARE(dlg.m_leftText->geometry(), MapDialogRect(QRect(20, 49, 73, 10), base));
        QCOMPARE(dlg.m_rightText->geometry(), MapDialogRect(QRect(95, 49, 73, 10), base));
        QCOMPARE(dlg.m_ok->geometry(), MapDialogRect(QRect(34, 75, 50, 14), base));
        QCOMPARE(dlg.m_cancel->geometry(), MapDialogRect(QRect(103, 75, 50, 14), base));
        QVERIFY(dlg.m_leftText->alignment() & Qt::AlignLeft);
        QVERIFY(dlg.m_rightText->alignment() & Qt::AlignRight);
        QVERIFY(dlg.m_ok->isDefault());
    }
};

TAVELO_APP_TEST_MAIN(TestQFactorDlg)
#include "test_qfactor_dlg.moc"
