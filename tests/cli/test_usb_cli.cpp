#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "support/EmulatedUsb.h"

using tavelo::test::EmulatedCamera;
using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;

Q_DECLARE_METATYPE(EmulatedCamera::Fault)

// `tavelo-cli` as a user runs it, against emulated devices: the tool is a separate process
// that inherits the testbed and reaches the emulated cameras through it.
class TestUsbCli : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<EmulatedUsb> m_usb;

    static QString Run(const QStringList& arguments, int& exitCode, QString* err = nullptr) {
        QProcess tool;
        tool.start(TAVELO_CLI_PATH, arguments);
        if (!tool.waitForFinished(20000)) {
            exitCode = -1;
            return {};
        }
        exitCode = tool.exitCode();
        if (err != nullptr) {
            *err = QString::fromLocal8Bit(tool.readAllStandardError());
        }
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

    // A camera that stops answering, or goes away, in the middle of an exchange: one line with
    // the link's own message, and the exit code of the README's table.
    void exchangeThatBreaksOff_data() {
        using F = EmulatedCamera::Fault;
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<F>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString silent = "tavelo-cli: the main unit did not answer\n";
        const QString receive = "tavelo-cli: USB:Failed to receive.\n";
        QTest::newRow("capture, status never answered") << "capture"
                                                        << "QS2  " << F::Silent << 5 << silent;
        QTest::newRow("capture, status answered empty") << "capture"
                                                        << "QS2  " << F::EmptyReply << 5 << silent;
        QTest::newRow("capture, unplugged after TR0") << "capture"
                                                      << "TR0  " << F::GoneAfter << 3 << receive;
        QTest::newRow("capture, transfer not answered") << "capture"
                                                        << "TR0  " << F::Silent << 5 << silent;
        QTest::newRow("status, unplugged after QS0") << "status"
                                                     << "QS0  " << F::GoneAfter << 3 << receive;
    }

    void exchangeThatBreaksOff() {
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(EmulatedCamera::Fault, fault);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        m_usb->Plug({}).SetFault(text.toStdString(), fault);
        QTemporaryDir dir;
        QStringList arguments{"--timeout", "100", command};
        if (command == "capture") {
            arguments << "-o" << dir.filePath("page.bmp");
        }
        int code = 0;
        QString err;
        Run(arguments, code, &err);
        QCOMPARE(err, message);
        QCOMPARE(code, exitCode);
        QVERIFY(!QFile::exists(dir.filePath("page.bmp")));
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
