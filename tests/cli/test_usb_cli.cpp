#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
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

    static QString Run(const QStringList& arguments, int& exitCode, QString* err = nullptr,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QProcess tool;
        tool.setProcessEnvironment(env);
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

    // Every attached device, judged from its descriptors; none but the camera is opened.
    void allDevicesMarksCandidates_data() {
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QList<int>>("endpoints");
        QTest::addColumn<int>("interfaceClass");
        QTest::addColumn<QString>("verdict");
        const QList<int> layout{0x01, 0x81, 0x02, 0x82};
        QTest::newRow("candidate") << false << layout << 0xff
                                   << "candidate: vendor-specific interface 0 with bulk OUT, IN, "
                                      "OUT, IN  \"Visualizer\"";
        QTest::newRow("IN endpoints swapped") << false << QList<int>{0x01, 0x81, 0x82, 0x02} << 0xff
                                              << "not a candidate  \"Visualizer\"";
        QTest::newRow("two endpoints")
            << false << QList<int>{0x01, 0x81} << 0xff << "not a candidate  \"Visualizer\"";
        QTest::newRow("mass storage class")
            << false << layout << 0x08 << "not a candidate  \"Visualizer\"";
        QTest::newRow("the camera itself")
            << true << layout << 0xff << "camera [udev rule]  \"Visualizer\"";
    }
    void allDevicesMarksCandidates() {
        QFETCH(bool, marked);
        QFETCH(QList<int>, endpoints);
        QFETCH(int, interfaceClass);
        QFETCH(QString, verdict);
        EmulatedDeviceSpec plugged;
        plugged.id = {0x1234, 0x5678};
        plugged.marked = marked;
        plugged.endpoints.assign(endpoints.begin(), endpoints.end());
        plugged.interfaceClass = interfaceClass;
        plugged.product = "Visualizer";
        const auto& device = m_usb->Plug(plugged);

        int exitCode = 0;
        const QStringList lines = Run({"devices", "--all"}, exitCode).split('\n');
        const int survey = lines.indexOf("every attached USB device:");
        QVERIFY2(survey > 0, qPrintable(lines.join('\n')));
        QCOMPARE(lines.value(survey + 1), "usb:1-1  1234:5678  " + verdict);
        const bool candidate = verdict.startsWith("candidate");
        QCOMPARE(lines.value(survey + 2).contains("udev-rule VID:PID --install"), candidate);
        QCOMPARE(exitCode, marked ? 0 : 2);
        if (!marked) {
            QCOMPARE(device.IoctlCount(), 0);
        }
    }

    // The rules written for an id are the shipped file's, with that id in place of the
    // placeholder; only the comments differ.
    void udevRuleHasTheShippedForm_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("product");
        QTest::newRow("as lsusb prints it") << "1234:abcd"
                                            << "1234"
                                            << "abcd";
        QTest::newRow("upper case, short") << "ABC:1"
                                           << "0abc"
                                           << "0001";
    }
    void udevRuleHasTheShippedForm() {
        QFETCH(QString, id);
        QFETCH(QString, vendor);
        QFETCH(QString, product);
        QFile shipped(TAVELO_SHIPPED_RULES);
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QString expected = QString::fromUtf8(shipped.readAll());
        QVERIFY(expected.contains("\"vvvv\""));
        expected.replace("\"vvvv\"", '"' + vendor + '"').replace("\"pppp\"", '"' + product + '"');
        int exitCode = 0;
        const QString out = Run({"udev-rule", id}, exitCode);
        QCOMPARE(exitCode, 0);
        const auto rules = [](const QString& text) {
            QStringList kept;
            for (const QString& line : text.split('\n')) {
                if (!line.startsWith('#')) {
                    kept << line;
                }
            }
            return kept;
        };
        QCOMPARE(rules(out), rules(expected));
        QVERIFY(out.contains("# The camera with the ids " + vendor + ':' + product));
    }

    void udevRuleRefusesABadId() {
        for (const QStringList& arguments :
             {QStringList{"udev-rule"}, QStringList{"udev-rule", "1234"},
              QStringList{"udev-rule", "1234:abcd", "--rules-dir", "/tmp"}}) {
            int exitCode = 0;
            QCOMPARE(Run(arguments, exitCode), QString());
            QCOMPARE(exitCode, 1);
        }
    }

    // --install through stand-ins for pkexec, sudo and udevadm that record what they were
    // given and then do it, into a folder of the test's.
    void udevRuleInstall_data() {
        QTest::addColumn<QStringList>("tools");  // of pkexec, sudo; udevadm is always there
        QTest::addColumn<bool>("graphical");
        QTest::addColumn<QString>("used");  // empty: run directly, as root
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        const QStringList both{"pkexec", "sudo"};
        QTest::newRow("desktop: pkexec") << both << true << "pkexec"
                                         << "" << 0;
        QTest::newRow("terminal: sudo") << both << false << "sudo"
                                        << "" << 0;
        QTest::newRow("terminal without sudo: pkexec") << QStringList{"pkexec"} << false << "pkexec"
                                                       << "" << 0;
        QTest::newRow("neither") << QStringList{} << true << ""
                                 << "" << 0;
        QTest::newRow("authentication refused") << both << true << "pkexec"
                                                << "refuse" << 9;
        QTest::newRow("udev not running") << both << false << "sudo"
                                          << "udevadm" << 9;
    }
    void udevRuleInstall() {
        QFETCH(QStringList, tools);
        QFETCH(bool, graphical);
        QFETCH(QString, used);
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        if (used.isEmpty() && ::geteuid() != 0) {
            used = "none";  // without root and without either tool nothing is written
            exitCode = 9;
        }
        QTemporaryDir dir;
        const QString bin = dir.filePath("bin");
        const QString rulesDir = dir.filePath("rules");
        QVERIFY(QDir().mkpath(bin));
        const auto writeTool = [&](const QString& name, const QString& body) {
            QFile file(bin + '/' + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(("#!/bin/sh\n" + body).toUtf8());
            file.close();
            QVERIFY(::chmod(QFile::encodeName(file.fileName()).constData(), 0755) == 0);
        };
        for (const QString& tool : tools) {
            const QString record = dir.filePath(tool);
            const bool refuse = fault == "refuse";
            writeTool(tool, QString("printf '%s\\n' \"$@\" > '%1.args'\ncat > '%1.stdin'\n%2")
                                .arg(record, refuse ? "exit 126\n"
                                                    : "exec \"$@\" < '" + record + ".stdin'\n"));
        }
        writeTool("udevadm",
                  QString("echo \"$*\" >> '%1'\n%2")
                      .arg(dir.filePath("udevadm.log"), fault == "udevadm" ? "exit 1\n" : ""));
        // Only what the rules' installation needs is on the path, never the machine's own
        // pkexec, sudo or udevadm.
        for (const char* needed : {"mkdir", "cat", "mv", "rm"}) {
            const QString program = QStandardPaths::findExecutable(needed);
            QVERIFY(QFile::link(program, bin + '/' + needed));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", bin);
        env.remove("WAYLAND_DISPLAY");
        if (graphical) {
            env.insert("DISPLAY", ":99");
        } else {
            env.remove("DISPLAY");
        }

        int code = 0;
        const QString printed = Run({"udev-rule", "1234:abcd"}, code);
        Run({"udev-rule", "1234:abcd", "--install", "--rules-dir", rulesDir}, code, nullptr, env);
        QCOMPARE(code, exitCode);
        for (const QString& tool : QStringList{"pkexec", "sudo"}) {
            QCOMPARE(QFile::exists(dir.filePath(tool + ".args")), tool == used);
        }
        if (!used.isEmpty() && used != "none") {
            QFile args(dir.filePath(used + ".args"));
            QVERIFY(args.open(QIODevice::ReadOnly));
            const QString recorded = QString::fromUtf8(args.readAll());
            QVERIFY2(recorded.startsWith("/bin/sh\n-c\n"), qPrintable(recorded));
            QVERIFY(recorded.endsWith(rulesDir + "\n70-tavelo-camera-1234-abcd.rules\n"));
            QFile input(dir.filePath(used + ".stdin"));
            QVERIFY(input.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(input.readAll()), printed);
        }
        const QString target = rulesDir + "/70-tavelo-camera-1234-abcd.rules";
        const bool written = exitCode == 0 || fault == "udevadm";
        QCOMPARE(QFile::exists(target), written);
        QCOMPARE(QDir(rulesDir).entryList(QDir::Files | QDir::Hidden).size(), written ? 1 : 0);
        if (written) {
            QFile rules(target);
            QVERIFY(rules.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(rules.readAll()), printed);
            QCOMPARE(int(rules.permissions() & 0x7777),
                     int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                         QFile::ReadGroup | QFile::ReadOther));
        }
        QFile log(dir.filePath("udevadm.log"));
        const QString reloads =
            log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : "";
        QCOMPARE(reloads, exitCode == 0        ? QString("control --reload-rules\n"
                                                                "trigger --subsystem-match=usb --action=change\n")
                          : fault == "udevadm" ? QString("control --reload-rules\n")
                                               : QString());
    }
};

QTEST_GUILESS_MAIN(TestUsbCli)
#include "test_usb_cli.moc"
