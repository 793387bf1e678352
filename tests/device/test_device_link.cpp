#include <QtTest>

#include <chrono>
#include <cstring>

#include "device/DeviceLink.h"
#include "device/MemoryBlock.h"
#include "device/SimulatedBackend.h"
#include "support/DeviceTestSupport.h"

using namespace tavelo;
using tavelo::test::RecordingHost;
using tavelo::test::TamperingBackend;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Short enough that waiting out a silent camera costs the test little.
constexpr int kShortTimeoutMs = 60;

std::vector<const SimulatedBackend::WireEvent*> Events(const SimulatedBackend& sim,
                                                       const std::string& pipe) {
    std::vector<const SimulatedBackend::WireEvent*> events;
    for (const auto& e : sim.Wire()) {
        if (e.pipe == pipe) {
            events.push_back(&e);
        }
    }
    return events;
}

std::vector<int> OneTo(int n) {
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        v[static_cast<std::size_t>(i)] = i + 1;
    }
    return v;
}

bool AllZero(const std::uint8_t* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandPacketIsZeroFilled_data();
    void commandPacketIsZeroFilled();
    void overlongTextNeverTouchesTheWire();
    void replyIsZeroFilledWhenNothingArrives();
    void undeliveredReplyBytesAreWiped();
    void waitAck_data();
    void waitAck();
    void replyPipeNotOpenable();
    void failedSend_data();
    void failedSend();
    void writeThatDidNotMoveEightBytesIsAFailedSend_data();
    void writeThatDidNotMoveEightBytesIsAFailedSend();
    void unplugAndReplugBetweenAccesses();
    void statusQueryCallingOrder();
    void readImageRowByRow_data();
    void readImageRowByRow();
    void shortRowStopsTheTransfer_data();
    void shortRowStopsTheTransfer();
    void imagePipeNotOpenable();
    void unplugDuringTransfer();
    void blockTooSmallIsRefused();
    void silentCameraEndsByTimeOut();
    void connectionCheckOnlyOpens();
    void memoryBlocks();
};

void TestDeviceLink::commandPacketIsZeroFilled_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("ZO+") << QByteArray("ZO+  ") << QByteArray::fromHex("5A4F2B2020000000");
    QTest::newRow("one character") << QByteArray("A") << QByteArray::fromHex("4100000000000000");
    QTest::newRow("seven characters")
        << QByteArray("ABCDEFG") << QByteArray::fromHex("4142434445464700");
    QTest::newRow("empty") << QByteArray("") << QByteArray(8, '\0');
}

void TestDeviceLink::commandPacketIsZeroFilled() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, packet);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand(text.constData()));
    const auto writes = Events(sim, "PIPE00");
    QCOMPARE(writes.size(), std::size_t(1));
    QVERIFY(writes[0]->write);
    QCOMPARE(writes[0]->bytes, Bytes(packet.begin(), packet.end()));
    QVERIFY(host.errors.empty());
    QCOMPARE(host.closeRemoteCalls, 0);
}

void TestDeviceLink::overlongTextNeverTouchesTheWire() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(!link.SendCommand("ABCDEFGH"));
    QVERIFY(!link.SendCommand(nullptr));
    QVERIFY(sim.Wire().empty());
    QCOMPARE(sim.OpenCount(), 0);
}

void TestDeviceLink::replyIsZeroFilledWhenNothingArrives() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    std::uint8_t reply[8];
    std::memset(reply, 0xAA, sizeof reply);
    QVERIFY(link.ReadReply(reply));  // no reply queued: the read times out, still "read"
    QVERIFY(AllZero(reply, 8));
    QVERIFY(!link.WaitAck());
    QVERIFY(host.errors.empty());
}

void TestDeviceLink::undeliveredReplyBytesAreWiped() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    TamperingBackend tamper(sim);
    // A transport that scribbles over the whole buffer but delivers only three bytes.
    tamper.onRead = [](PipeHandle&, std::span<std::uint8_t> buffer, int) {
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        buffer[0] = ACK;
        return IoResult{IoResult::Status::TimedOut, 3};
    };
    RecordingHost host;
    DeviceLink link(tamper, host);
    std::uint8_t reply[8];
    QVERIFY(link.ReadReply(reply));
    const std::uint8_t expected[8] = {ACK, 0xEE, 0xEE, 0, 0, 0, 0, 0};
    QCOMPARE(Bytes(reply, reply + 8), Bytes(expected, expected + 8));
}

enum class Answer { Ack, Nak, UnknownCommand, Dropped, Garbage };
Q_DECLARE_METATYPE(Answer)

void TestDeviceLink::waitAck_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("acknowledged");
    QTest::addColumn<std::vector<int>>("errors");
    QTest::newRow("ACK") << Answer::Ack << true << std::vector<int>{};
    QTest::newRow("NAK") << Answer::Nak << false << std::vector<int>{ERR_COMMUNICATE};
    QTest::newRow("unknown text refused")
        << Answer::UnknownCommand << false << std::vector<int>{ERR_COMMUNICATE};
    QTest::newRow("no reply") << Answer::Dropped << false << std::vector<int>{};
    QTest::newRow("other byte") << Answer::Garbage << false << std::vector<int>{};
}

void TestDeviceLink::waitAck() {
    QFETCH(Answer, answer);
    QFETCH(bool, acknowledged);
    QFETCH(std::vector<int>, errors);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    TamperingBackend tamper(sim);
    if (answer == Answer::Garbage) {
        tamper.onRead = [](PipeHandle& inner, std::span<std::uint8_t> buffer, int t) {
            IoResult r = inner.Read(buffer, t);
            buffer[0] = 0x30;
            return r;
        };
    }
    RecordingHost host;
    DeviceLink link(tamper, host);
    if (answer == Answer::Nak) {
        sim.NakNextCommand();
    }
    if (answer == Answer::Dropped) {
        sim.DropNextReply();
    }
    QVERIFY(link.SendCommand(answer == Answer::UnknownCommand ? "XX1  " : "ZO+  "));
    QCOMPARE(link.WaitAck(), acknowledged);
    QCOMPARE(host.errors, errors);
    QCOMPARE(host.closeRemoteCalls, 0);
    // Only a refused command leaves the camera as it was; a lost or garbled answer does not
    // mean the camera did not act.
    const bool refused = answer == Answer::Nak || answer == Answer::UnknownCommand;
    QCOMPARE(sim.Camera().GetState().zoomMotion, refused ? 0 : 1);
}

void TestDeviceLink::replyPipeNotOpenable() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    sim.SetPipeBroken("PIPE01", true);
    RecordingHost host;
    host.notReady = true;  // error 3 is shown all the same
    DeviceLink link(sim, host);
    std::uint8_t reply[8];
    std::memset(reply, 0x55, sizeof reply);
    QVERIFY(!link.ReadReply(reply));
    QVERIFY(AllZero(reply, 8));
    QCOMPARE(host.errors, std::vector<int>{ERR_RECEIVE});
    QVERIFY(link.SendCommand("AF0  "));
    QVERIFY(!link.WaitAck());
    QCOMPARE(host.errors, (std::vector<int>{ERR_RECEIVE, ERR_RECEIVE}));
    QCOMPARE(host.closeRemoteCalls, 0);
}

enum class SendFault { Unplugged, CommandPipeBroken, Locked, NoCameraAtAll };
Q_DECLARE_METATYPE(SendFault)

void TestDeviceLink::failedSend_data() {
    QTest::addColumn<SendFault>("fault");
    QTest::addColumn<bool>("notReady");
    QTest::addColumn<std::vector<int>>("errors");
    const std::vector<int> transmit{ERR_TRANSMIT}, none{};
    QTest::newRow("unplugged") << SendFault::Unplugged << false << transmit;
    QTest::newRow("unplugged, not ready") << SendFault::Unplugged << true << none;
    QTest::newRow("command pipe broken") << SendFault::CommandPipeBroken << false << transmit;
    QTest::newRow("command pipe broken, not ready") << SendFault::CommandPipeBroken << true << none;
    QTest::newRow("locked") << SendFault::Locked << false << transmit;
    QTest::newRow("enumeration fails, not ready") << SendFault::NoCameraAtAll << true << none;
}

void TestDeviceLink::failedSend() {
    QFETCH(SendFault, fault);
    QFETCH(bool, notReady);
    QFETCH(std::vector<int>, errors);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    switch (fault) {
        case SendFault::Unplugged:
            sim.SetPlugged(0, false);
            break;
        case SendFault::CommandPipeBroken:
            sim.SetPipeBroken("PIPE00", true);
            break;
        case SendFault::Locked:
            sim.SetLocked(0, true);
            break;
        case SendFault::NoCameraAtAll:
            sim.SetEnumerationFails(true);
            break;
    }
    RecordingHost host;
    host.notReady = notReady;
    DeviceLink link(sim, host);
    QVERIFY(!link.SendCommand("PL1  "));
    QCOMPARE(host.errors, errors);
    QCOMPARE(host.closeRemoteCalls, 1);
    QCOMPARE(host.notReady, notReady);  // the link never changes it
    QVERIFY(sim.Camera().CommandLog().empty());
}

void TestDeviceLink::writeThatDidNotMoveEightBytesIsAFailedSend_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("moved");
    QTest::addColumn<bool>("sent");
    using S = IoResult::Status;
    QTest::newRow("whole") << int(S::Done) << 8 << true;
    QTest::newRow("short") << int(S::Short) << 5 << false;
    QTest::newRow("done but seven") << int(S::Done) << 7 << false;
    QTest::newRow("timed out") << int(S::TimedOut) << 0 << false;
    QTest::newRow("timed out after eight") << int(S::TimedOut) << 8 << false;
    QTest::newRow("failed") << int(S::Failed) << 0 << false;
    QTest::newRow("gone") << int(S::Gone) << 0 << false;
}

void TestDeviceLink::writeThatDidNotMoveEightBytesIsAFailedSend() {
    QFETCH(int, status);
    QFETCH(int, moved);
    QFETCH(bool, sent);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    TamperingBackend tamper(sim);
    int writes = 0;
    std::size_t written = 0;
    tamper.onWrite = [&](PipeHandle&, std::span<const std::uint8_t> data, int) {
        ++writes;
        written = data.size();
        return IoResult{static_cast<IoResult::Status>(status), std::size_t(moved)};
    };
    RecordingHost host;
    DeviceLink link(tamper, host);
    QCOMPARE(link.SendCommand("ZO+  "), sent);
    QCOMPARE(writes, 1);  // no retry
    QCOMPARE(written, std::size_t(8));
    QCOMPARE(host.errors, sent ? std::vector<int>{} : std::vector<int>{ERR_TRANSMIT});
    QCOMPARE(host.closeRemoteCalls, sent ? 0 : 1);
    host.notReady = true;
    host.errors.clear();
    QCOMPARE(link.SendCommand("ZO0  "), sent);
    QVERIFY(host.errors.empty());
}

void TestDeviceLink::unplugAndReplugBetweenAccesses() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    int changes = 0;
    sim.SetDeviceChangeHandler([&] { ++changes; });
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand("NP1  "));
    sim.SetPlugged(0, false);
    QCOMPARE(changes, 1);
    QVERIFY(!link.WaitAck());  // the reply pipe is gone with the camera
    QCOMPARE(host.errors, std::vector<int>{ERR_RECEIVE});
    QVERIFY(!link.SendCommand("NP0  "));
    QCOMPARE(host.errors, (std::vector<int>{ERR_RECEIVE, ERR_TRANSMIT}));
    sim.SetPlugged(0, true);
    QCOMPARE(changes, 2);
    QVERIFY(link.SendCommand("NP0  "));
    QVERIFY(link.WaitAck());
    QCOMPARE(sim.Camera().GetState().negative, 0);
}

void TestDeviceLink::statusQueryCallingOrder() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    sim.Camera().GetState().captureMode = 2;
    sim.Camera().GetState().rotation = 1;
    RecordingHost host;
    DeviceLink link(sim, host);
    std::uint8_t reply[8];
    QVERIFY(link.SendCommand("QS2  "));
    QVERIFY(link.ReadReply(reply));
    QCOMPARE(QByteArray(reinterpret_cast<char*>(reply), 8), QByteArray("20100000"));
    std::vector<std::string> pipes;
    for (const auto& e : sim.Wire()) {
        pipes.push_back(e.pipe);
    }
    QCOMPARE(pipes, (std::vector<std::string>{"PIPE00", "PIPE01"}));
    QCOMPARE(sim.Wire()[1].asked, std::size_t(8));
}

void TestDeviceLink::readImageRowByRow_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("1280x1024") << 3 << 0 << 1280 << 1024;
    QTest::newRow("1024x1280") << 3 << 3 << 1024 << 1280;
    QTest::newRow("1280x768") << 2 << 2 << 1280 << 768;
    QTest::newRow("1024x1024") << 2 << 1 << 1024 << 1024;
}

void TestDeviceLink::readImageRowByRow() {
    QFETCH(int, mode);
    QFETCH(int, rotation);
    QFETCH(int, width);
    QFETCH(int, height);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    sim.Camera().GetState().captureMode = mode;
    sim.Camera().GetState().rotation = rotation;
    RecordingHost host;
    host.width = width;
    host.height = height;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand("TR0  "));
    QVERIFY(link.WaitAck());
    sim.ClearWire();
    MemoryBlock block = MemoryBlock::Allocate(std::size_t(2) * width * height);
    QVERIFY(link.ReadImage(block));

    const auto reads = Events(sim, "PIPE03");
    QCOMPARE(reads.size(), std::size_t(height));
    QCOMPARE(sim.Wire().size(), std::size_t(height));
    for (std::size_t row = 0; row < reads.size(); ++row) {
        QCOMPARE(reads[row]->asked, std::size_t(2 * width));
        QCOMPARE(reads[row]->bytes.size(), std::size_t(2 * width));
        // Packed without gaps, top row first.
        QVERIFY(std::memcmp(block.Data() + row * 2 * width, reads[row]->bytes.data(),
                            std::size_t(2) * width) == 0);
    }
    QCOMPARE(host.progress, OneTo(height));
    QVERIFY(host.errors.empty());
    QVERIFY(!sim.Camera().PictureArmed());
}

void TestDeviceLink::shortRowStopsTheTransfer_data() {
    QTest::addColumn<int>("row");
    QTest::newRow("first") << 0;
    QTest::newRow("middle") << 500;
    QTest::newRow("last") << 1023;
}

void TestDeviceLink::shortRowStopsTheTransfer() {
    QFETCH(int, row);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand("TR0  "));
    QVERIFY(link.WaitAck());
    sim.ClearWire();
    sim.SetShortRowAt(row);
    const std::size_t rowSize = 2560;
    MemoryBlock block = MemoryBlock::Allocate(rowSize * 1024);
    QVERIFY(!link.ReadImage(block));
    QCOMPARE(Events(sim, "PIPE03").size(), std::size_t(row + 1));
    QCOMPARE(host.progress, OneTo(row));
    // Rows after the short one were never read.
    const std::size_t after = (row + 1) * rowSize;
    QVERIFY(AllZero(block.Data() + after, block.Size() - after));
    QVERIFY(host.errors.empty());
}

void TestDeviceLink::imagePipeNotOpenable() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand("TR0  "));
    QVERIFY(link.WaitAck());
    sim.SetPipeBroken("PIPE03", true);
    sim.ClearWire();
    MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
    QVERIFY(!link.ReadImage(block));
    QVERIFY(sim.Wire().empty());
    QVERIFY(host.progress.empty());
    QVERIFY(host.errors.empty());
    QCOMPARE(host.closeRemoteCalls, 0);
}

void TestDeviceLink::unplugDuringTransfer() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    int changes = 0;
    sim.SetDeviceChangeHandler([&] { ++changes; });
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand("TR0  "));
    QVERIFY(link.WaitAck());
    sim.SetUnplugAtRow(300);
    MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
    QVERIFY(!link.ReadImage(block));
    QCOMPARE(host.progress, OneTo(300));
    QCOMPARE(changes, 1);
    QVERIFY(!sim.IsPlugged(0));
    QVERIFY(host.errors.empty());
    QVERIFY(!link.CheckConnection());
}

void TestDeviceLink::blockTooSmallIsRefused() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.SendCommand("TR0  "));
    QVERIFY(link.WaitAck());
    sim.ClearWire();
    MemoryBlock small = MemoryBlock::Allocate(2560 * 1024 - 1);
    QVERIFY(!link.ReadImage(small));
    MemoryBlock none;
    QVERIFY(!link.ReadImage(none));
    host.width = -2;
    MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
    QVERIFY(!link.ReadImage(block));
    QVERIFY(sim.Wire().empty());
}

void TestDeviceLink::silentCameraEndsByTimeOut() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host, kShortTimeoutMs);
    QCOMPARE(link.TimeoutMs(), kShortTimeoutMs);
    QVERIFY(link.SendCommand("TR0  "));
    sim.SetNeverAnswers(true);

    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    QVERIFY(!link.WaitAck());
    const auto replyWait = Clock::now() - start;
    QVERIFY(replyWait >= std::chrono::milliseconds(kShortTimeoutMs));
    QVERIFY(host.errors.empty());

    start = Clock::now();
    MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
    QVERIFY(!link.ReadImage(block));  // the first row times out: a short row
    QVERIFY(Clock::now() - start >= std::chrono::milliseconds(kShortTimeoutMs));
    QVERIFY(host.progress.empty());
    QVERIFY(host.errors.empty());
}

void TestDeviceLink::connectionCheckOnlyOpens() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    RecordingHost host;
    DeviceLink link(sim, host);
    QVERIFY(link.CheckConnection());
    QVERIFY(sim.Wire().empty());
    QCOMPARE(sim.OpenCount(), 2);
    sim.SetPipeBroken("PIPE00", true);
    QVERIFY(!link.CheckConnection());
    sim.SetPipeBroken("PIPE00", false);
    sim.SetPlugged(0, false);
    QVERIFY(!link.CheckConnection());
    QVERIFY(host.errors.empty());
    QCOMPARE(host.closeRemoteCalls, 0);
}

void TestDeviceLink::memoryBlocks() {
    MemoryBlock block = MemoryBlock::Allocate(4096);
    QVERIFY(!block.IsNull());
    QCOMPARE(block.Size(), std::size_t(4096));
    QVERIFY(AllZero(block.Data(), block.Size()));
    MemoryBlock moved = std::move(block);
    QVERIFY(block.IsNull());
    QVERIFY(moved);
    moved.Free();
    QVERIFY(moved.IsNull());
    QCOMPARE(moved.Size(), std::size_t(0));

    MemoryBlock::SetAllocationLimit(1000);
    QVERIFY(MemoryBlock::Allocate(1000));
    QVERIFY(MemoryBlock::Allocate(1001).IsNull());
    QCOMPARE(MemoryBlock::Allocate(1001).Size(), std::size_t(0));
    MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);
    QVERIFY(MemoryBlock::Allocate(1001));
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "test_device_link.moc"
