#include <QProcess>
#include <QtTest>
#include <memory>

#include "support/EmulatedUsb.h"

using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;

// `tavelo-cli devices` as a user runs it, against emulated devices: the tool is a separate
// process that inherits the testbed and reaches the emulated cameras through it.
class TestUsbCli : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<EmulatedUsb> m_usb;

    static QString Run(const QStringList& arguments, int& exitCode) {
        QProcess tool;
        tool.start(TAVELO_CLI_PATH, arguments);
        if (!tool.waitForFinished(20000)) {
            exitCode = -1;
            return {};
        }
        exitCode = tool.exitCode();
        return QString::fromLocal8Bit(tool.readAllStandardOutput());
    }

private Q_SLOTS:
    void init() {
        m_usb = std::make_unique<EmulatedUsb>();
        QVERIFY2(m_usb->IsEmulating(), "run this test under umockdev-wrapper");
    }

    void cleanup() { m_usb.reset(); }

    void listsCandidatesAndTheOneInUse() {
        EmulatedDeviceSpec held;
        held.port = 1;
        held.address = 2;
        m_usb->Plug(held).SetClaimRefused(true);
        EmulatedDeviceSpec unlisted;
        unlisted.port = 2;
        unlisted.address = 3;
        unlisted.marked = false;
        unlisted.id = {0x1234, 0x5678};
        m_usb->Plug(unlisted);

        int exitCode = 0;
        QString out = Run({"devices"}, exitCode);
        QCOMPARE(exitCode, 2);  // the only candidate is held elsewhere
        QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith("usb:1-1  f055:7a01  [udev rule]"));
        QVERIFY(lines[0].contains("held by another process"));
        QCOMPARE(lines[1], QString("no candidate can be used"));

        out = Run({"--usb-id", "1234:5678", "devices"}, exitCode);
        QCOMPARE(exitCode, 0);
        lines = out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith("usb:1-2  1234:5678  [--usb-id]"));
        QVERIFY(lines[1].endsWith("<- in use"));
    }

    void saysHowToDeclareACamera() {
        int exitCode = 0;
        const QString out = Run({"devices"}, exitCode);
        QCOMPARE(exitCode, 2);
        QVERIFY(out.contains("70-tavelo-camera.rules"));
        QVERIFY(out.contains("--usb-id"));
    }
};

QTEST_GUILESS_MAIN(TestUsbCli)
#include "test_usb_cli.moc"
