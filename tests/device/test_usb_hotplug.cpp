#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <memory>

#include "device/HotplugMonitor.h"
#include "support/EmulatedUsb.h"

using namespace tavelo;
using tavelo::test::EmulatedDeviceSpec;
using tavelo::test::EmulatedUsb;

class TestUsbHotplug : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<EmulatedUsb> m_usb;

private Q_SLOTS:
    void init() {
        m_usb = std::make_unique<EmulatedUsb>();
        QVERIFY2(m_usb->IsEmulating(), "run this test under umockdev-wrapper");
    }

    void cleanup() { m_usb.reset(); }

    void addAndRemoveReachTheUiThread_data() {
        QTest::addColumn<bool>("marked");
        QTest::newRow("camera") << true;
        // Any USB device: the connection check decides whether the camera was among them.
        QTest::newRow("other device") << false;
    }

    void addAndRemoveReachTheUiThread() {
        QFETCH(bool, marked);
        HotplugMonitor monitor;
        QVERIFY(monitor.IsActive());
        QThread* deliveredOn = nullptr;
        int changes = 0;
        connect(&monitor, &HotplugMonitor::deviceChanged, this, [&] {
            deliveredOn = QThread::currentThread();
            ++changes;
        });

        EmulatedDeviceSpec described;
        described.marked = marked;
        auto& camera = m_usb->Plug(described);
        QTRY_VERIFY_WITH_TIMEOUT(changes >= 1, 2000);
        QCOMPARE(deliveredOn, QThread::currentThread());
        QCOMPARE(deliveredOn, QCoreApplication::instance()->thread());

        const int afterAdd = changes;
        m_usb->Unplug(camera);
        QTRY_VERIFY_WITH_TIMEOUT(changes > afterAdd, 2000);
        QCOMPARE(deliveredOn, QCoreApplication::instance()->thread());
    }

    void nothingHappensNothingIsSaid() {
        HotplugMonitor monitor;
        QSignalSpy spy(&monitor, &HotplugMonitor::deviceChanged);
        QTest::qWait(100);
        QCOMPARE(spy.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUsbHotplug)
#include "test_usb_hotplug.moc"
