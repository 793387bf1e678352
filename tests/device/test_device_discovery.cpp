#include <QtTest>

#include "device/DeviceDiscovery.h"
#include "device/SimulatedBackend.h"
#include "support/DeviceTestSupport.h"

using namespace tavelo;
using tavelo::test::TamperingBackend;

class TestDeviceDiscovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noCameraIsAbsent();
    void enumerationFailureIsAbsent();
    void otherClassFindsNothing();
    void firstOpenableInterfaceWins_data();
    void firstOpenableInterfaceWins();
    void secondCameraTakesOverWhenFirstIsUnplugged();
    void pipePathIsDevicePathBackslashName_data();
    void pipePathIsDevicePathBackslashName();
    void unknownPipeNameDoesNotOpen();
    void everyAccessRepeatsDiscovery();
    void overlongPathsFailLikeAbsentCamera_data();
    void overlongPathsFailLikeAbsentCamera();
};

void TestDeviceDiscovery::noCameraIsAbsent() {
    SimulatedBackend sim;
    sim.SetPlugged(0, false);
    std::string path = "stale";
    QVERIFY(!FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path));
    QVERIFY(path.empty());
    QVERIFY(!OpenPipe(sim, PIPE_COMMAND));
    QCOMPARE(sim.OpenCount(), 0);
}

void TestDeviceDiscovery::enumerationFailureIsAbsent() {
    SimulatedBackend sim;
    sim.SetEnumerationFails(true);
    std::string path;
    QVERIFY(!FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path));
    QVERIFY(!OpenPipe(sim, PIPE_REPLY));
    sim.SetEnumerationFails(false);
    QVERIFY(OpenPipe(sim, PIPE_REPLY));
}

void TestDeviceDiscovery::otherClassFindsNothing() {
    SimulatedBackend sim;
    const Guid other{0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::string path;
    QVERIFY(!FindDevice(sim, other, path));
    QVERIFY(FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path));
}

// A fault on the first of two cameras; the second is always healthy.
enum class Fault { None, Locked, PathUnreadable, EntryNotEnumerated };
Q_DECLARE_METATYPE(Fault)

void TestDeviceDiscovery::firstOpenableInterfaceWins_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("withSecond");
    QTest::addColumn<int>("expected");  // index of the camera found, -1 none
    QTest::newRow("healthy first wins") << Fault::None << true << 0;
    QTest::newRow("locked skipped") << Fault::Locked << true << 1;
    QTest::newRow("unreadable path skipped") << Fault::PathUnreadable << true << 1;
    QTest::newRow("entry not enumerated skipped") << Fault::EntryNotEnumerated << true << 1;
    QTest::newRow("locked alone is absent") << Fault::Locked << false << -1;
    QTest::newRow("unreadable alone is absent") << Fault::PathUnreadable << false << -1;
    QTest::newRow("unenumerable alone is absent") << Fault::EntryNotEnumerated << false << -1;
}

void TestDeviceDiscovery::firstOpenableInterfaceWins() {
    QFETCH(Fault, fault);
    QFETCH(bool, withSecond);
    QFETCH(int, expected);
    SimulatedBackend sim;
    if (withSecond) {
        sim.AddCamera();
    }
    sim.SetLocked(0, fault == Fault::Locked);
    sim.SetPathUnreadable(0, fault == Fault::PathUnreadable);
    sim.SetEntryEnumerationFails(0, fault == Fault::EntryNotEnumerated);

    std::string path;
    QCOMPARE(FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path), expected >= 0);
    // Never the path of a skipped interface.
    QCOMPARE(path, expected >= 0 ? sim.DevicePath(expected) : std::string());

    // A command through the pipe reaches the camera that was found, and only that one.
    auto pipe = OpenPipe(sim, PIPE_COMMAND);
    QCOMPARE(pipe != nullptr, expected >= 0);
    if (pipe) {
        const std::uint8_t packet[8] = {'Z', 'O', '0', ' ', ' ', 0, 0, 0};
        QVERIFY(pipe->Write(packet, 100).Complete(8));
        for (int i = 0; i < sim.CameraCount(); ++i) {
            QCOMPARE(sim.Camera(i).CommandLog().size(), std::size_t(i == expected ? 1 : 0));
        }
    }
}

void TestDeviceDiscovery::secondCameraTakesOverWhenFirstIsUnplugged() {
    SimulatedBackend sim;
    sim.AddCamera();
    std::string path;
    QVERIFY(FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path));
    QCOMPARE(path, sim.DevicePath(0));
    sim.SetPlugged(0, false);
    QVERIFY(FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path));
    QCOMPARE(path, sim.DevicePath(1));
    sim.SetPlugged(0, true);
    QVERIFY(FindDevice(sim, GUID_DEVINTERFACE_CAMERA, path));
    QCOMPARE(path, sim.DevicePath(0));
}

void TestDeviceDiscovery::pipePathIsDevicePathBackslashName_data() {
    QTest::addColumn<QString>("pipe");
    QTest::newRow("command") << QString::fromLatin1(PIPE_COMMAND.data(), 6);
    QTest::newRow("reply") << QString::fromLatin1(PIPE_REPLY.data(), 6);
    QTest::newRow("image") << QString::fromLatin1(PIPE_IMAGE.data(), 6);
}

void TestDeviceDiscovery::pipePathIsDevicePathBackslashName() {
    QFETCH(QString, pipe);
    SimulatedBackend sim;
    TamperingBackend recorder(sim);
    const std::string name = pipe.toStdString();
    QVERIFY(OpenPipe(recorder, name));
    // The interface is opened (and closed) first, then exactly device path + "\" + name.
    const std::vector<std::string> expected = {sim.DevicePath(0), sim.DevicePath(0) + "\\" + name};
    QCOMPARE(recorder.openedPaths, expected);
    QVERIFY(sim.DevicePath(0).starts_with("\\\\?\\sim#cam0#{"));
}

void TestDeviceDiscovery::unknownPipeNameDoesNotOpen() {
    SimulatedBackend sim;
    QVERIFY(!OpenPipe(sim, "PIPE02"));
    QVERIFY(!OpenPipe(sim, ""));
    QVERIFY(!sim.Open(sim.DevicePath(0) + "\\\\PIPE00"));
    QVERIFY(sim.Open(sim.DevicePath(0) + "\\PIPE00"));
}

void TestDeviceDiscovery::everyAccessRepeatsDiscovery() {
    SimulatedBackend sim;
    for (int access = 1; access <= 3; ++access) {
        QVERIFY(OpenPipe(sim, PIPE_COMMAND));
        QCOMPARE(sim.OpenCount(), 2 * access);  // the interface, then the pipe
    }
}

void TestDeviceDiscovery::overlongPathsFailLikeAbsentCamera_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("found");
    QTest::addColumn<bool>("pipeOpens");
    // The buffer holds 255 characters and the terminating zero; "\PIPE00" adds 7.
    QTest::newRow("pipe path 255") << 248 << true << true;
    QTest::newRow("pipe path 256") << 249 << true << false;
    QTest::newRow("device path 255") << 255 << true << false;
    QTest::newRow("device path 256") << 256 << false << false;
    QTest::newRow("device path 300") << 300 << false << false;
}

void TestDeviceDiscovery::overlongPathsFailLikeAbsentCamera() {
    QFETCH(int, length);
    QFETCH(bool, found);
    QFETCH(bool, pipeOpens);
    SimulatedBackend sim;
    if (length == 300) {
        sim.SetLongDevicePath(true);
    } else {
        sim.SetDevicePathLength(static_cast<std::size_t>(length));
    }
    QCOMPARE(sim.DevicePath(0).size(), std::size_t(length));
    TamperingBackend recorder(sim);
    std::string path;
    QCOMPARE(FindDevice(recorder, GUID_DEVINTERFACE_CAMERA, path), found);
    recorder.openedPaths.clear();
    QCOMPARE(OpenPipe(recorder, PIPE_COMMAND) != nullptr, pipeOpens);
    // A path that does not fit is never handed to the platform.
    for (const std::string& opened : recorder.openedPaths) {
        QVERIFY(opened.size() < PATH_BUFFER_SIZE);
    }
}

QTEST_GUILESS_MAIN(TestDeviceDiscovery)
#include "test_device_discovery.moc"
