#include <QtTest>

#include <cstring>

#include "device/DeviceLink.h"
#include "device/MemoryBlock.h"
#include "device/SimulatedBackend.h"
#include "support/DeviceTestSupport.h"

// The link over the simulated camera where only it can stage the fault: a transport that
// misreports, pipes that will not open, sizes that do not fit. What holds over every backend
// is in test_link_contract.

using namespace tavelo;
using tavelo::test::LinkRig;
using tavelo::test::TamperingBackend;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(LinkResult)

namespace {

bool AllZero(const std::uint8_t* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void undeliveredReplyBytesAreWiped();
    void waitAck_data();
    void waitAck();
    void failedSend_data();
    void failedSend();
    void writeThatDidNotMoveEightBytesIsAFailedSend_data();
    void writeThatDidNotMoveEightBytesIsAFailedSend();
    void brokenReplyAndImagePipes();
    void blockTooSmallIsRefused();
    void connectionCheckOnlyOpens();
    void memoryBlocks();
};

void TestDeviceLink::undeliveredReplyBytesAreWiped() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    TamperingBackend tamper(sim);
    // A transport that scribbles over the whole buffer but delivers only three bytes.
    tamper.onRead = [](PipeHandle&, std::span<std::uint8_t> buffer, int) {
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        buffer[0] = ACK;
        return IoResult{IoResult::Status::TimedOut, 3};
    };
    LinkRig rig(tamper);
    std::uint8_t reply[8];
    QCOMPARE(rig.link.ReadReply(reply), LinkResult::Done);
    const std::uint8_t expected[8] = {ACK, 0xEE, 0xEE, 0, 0, 0, 0, 0};
    QCOMPARE(Bytes(reply, reply + 8), Bytes(expected, expected + 8));
}

enum class Answer { Ack, Nak, UnknownCommand, Dropped, Garbage };
Q_DECLARE_METATYPE(Answer)

void TestDeviceLink::waitAck_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<LinkResult>("result");
    QTest::newRow("ACK") << Answer::Ack << LinkResult::Done;
    QTest::newRow("NAK") << Answer::Nak << LinkResult::Refused;
    QTest::newRow("unknown text refused") << Answer::UnknownCommand << LinkResult::Refused;
    QTest::newRow("reply lost") << Answer::Dropped << LinkResult::NoAnswer;
    QTest::newRow("other byte") << Answer::Garbage << LinkResult::NoAnswer;
}

void TestDeviceLink::waitAck() {
    QFETCH(Answer, answer);
    QFETCH(LinkResult, result);
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    TamperingBackend tamper(sim);
    if (answer == Answer::Garbage) {
        tamper.onRead = [](PipeHandle& inner, std::span<std::uint8_t> buffer, int t) {
            IoResult r = inner.Read(buffer, t);
            buffer[0] = 0x30;
            return r;
        };
    }
    LinkRig rig(tamper);
    if (answer == Answer::Nak) {
        sim.NakNextCommand();
    }
    if (answer == Answer::Dropped) {
        sim.DropNextReply();
    }
    QCOMPARE(rig.link.SendCommand(answer == Answer::UnknownCommand ? "XX1  " : "ZO+  "),
             LinkResult::Done);
    QCOMPARE(rig.link.WaitAck(), result);
    // Only a refused command leaves the camera as it was; a lost or garbled answer does not
    // mean the camera did not act.
    const bool refused = answer == Answer::Nak || answer == Answer::UnknownCommand;
    QCOMPARE(sim.Camera().GetState().zoomMotion, refused ? 0 : 1);
}

enum class SendFault { Unplugged, CommandPipeBroken, Locked, NoCameraAtAll };
Q_DECLARE_METATYPE(SendFault)

void TestDeviceLink::failedSend_data() {
    QTest::addColumn<SendFault>("fault");
    QTest::newRow("unplugged") << SendFault::Unplugged;
    QTest::newRow("command pipe broken") << SendFault::CommandPipeBroken;
    QTest::newRow("locked") << SendFault::Locked;
    QTest::newRow("enumeration fails") << SendFault::NoCameraAtAll;
}

void TestDeviceLink::failedSend() {
    QFETCH(SendFault, fault);
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
    LinkRig rig(sim);
    QCOMPARE(rig.link.SendCommand("PL1  "), LinkResult::NotSent);
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
    LinkRig rig(tamper);
    QCOMPARE(rig.link.SendCommand("ZO+  "), sent ? LinkResult::Done : LinkResult::NotSent);
    QCOMPARE(writes, 1);  // no retry
    QCOMPARE(written, std::size_t(8));
}

// A pipe that will not open while the camera is there: the reply reads as zeros, the picture
// as incomplete, and neither touches the wire.
void TestDeviceLink::brokenReplyAndImagePipes() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    LinkRig rig(sim);
    QCOMPARE(rig.link.SendCommand("TR0  "), LinkResult::Done);
    sim.SetPipeBroken("PIPE01", true);
    QCOMPARE(rig.link.WaitAck(), LinkResult::ReplyPipeNotOpened);
    sim.SetPipeBroken("PIPE01", false);
    sim.SetPipeBroken("PIPE03", true);
    sim.ClearWire();
    MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
    QCOMPARE(rig.ReadImage(block, 1280, 1024), LinkResult::Incomplete);
    QVERIFY(sim.Wire().empty());
    QVERIFY(rig.progress.positions.empty());
}

void TestDeviceLink::blockTooSmallIsRefused() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    LinkRig rig(sim);
    QCOMPARE(rig.link.SendCommand("TR0  "), LinkResult::Done);
    QCOMPARE(rig.link.WaitAck(), LinkResult::Done);
    sim.ClearWire();
    MemoryBlock small = MemoryBlock::Allocate(2560 * 1024 - 1);
    QCOMPARE(rig.ReadImage(small, 1280, 1024), LinkResult::Incomplete);
    MemoryBlock none;
    QCOMPARE(rig.ReadImage(none, 1280, 1024), LinkResult::Incomplete);
    MemoryBlock block = MemoryBlock::Allocate(2560 * 1024);
    QCOMPARE(rig.ReadImage(block, -2, 1024), LinkResult::Incomplete);
    QVERIFY(sim.Wire().empty());
    // The whole block is read when it fits, with or without anyone to tell of the rows.
    QCOMPARE(rig.link.ReadImage(block, 1280, 1024, nullptr), LinkResult::Done);
}

void TestDeviceLink::connectionCheckOnlyOpens() {
    SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
    LinkRig rig(sim);
    DeviceLink& link = rig.link;
    QVERIFY(link.CheckConnection());
    QVERIFY(sim.Wire().empty());
    QCOMPARE(sim.OpenCount(), 2);
    sim.SetPipeBroken("PIPE00", true);
    QVERIFY(!link.CheckConnection());
    sim.SetPipeBroken("PIPE00", false);
    sim.SetPlugged(0, false);
    QVERIFY(!link.CheckConnection());
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
