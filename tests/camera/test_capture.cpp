// The capture exchange over the simulated camera: the steps in their order, where each fault
// stops it, and what the caller is told around the transfer.

#include <QtTest>
#include <cstring>
#include <string>
#include <vector>

#include "camera/Capture.h"
#include "device/SimulatedBackend.h"
#include "support/DeviceTestSupport.h"

using namespace tavelo;
using tavelo::test::LinkRig;
using tavelo::test::TamperingBackend;

Q_DECLARE_METATYPE(LinkResult)

namespace {

// Everything the caller hears, in order: "start 1280x1024", "rows 1024" (the last count,
// after checking they came 1, 2, ...), "end".
struct RecordedHooks : CaptureHooks {
    void TransferStarts(int width, int height) override {
        calls.push_back("start " + std::to_string(width) + "x" + std::to_string(height));
    }
    void RowsReceived(int rows) override {
        inOrder = inOrder && rows == lastRow + 1;
        lastRow = rows;
    }
    void TransferEnded() override {
        if (lastRow > 0) {
            calls.push_back("rows " + std::to_string(lastRow));
        }
        calls.push_back("end");
    }
    std::vector<std::string> calls;
    int lastRow = 0;
    bool inOrder = true;
};

std::vector<std::string> Commands(const SimulatedBackend& sim) {
    std::vector<std::string> out;
    for (const auto& e : sim.Wire()) {
        if (e.pipe == "PIPE00" && e.write) {
            out.emplace_back(reinterpret_cast<const char*>(e.bytes.data()));
        }
    }
    return out;
}

enum class Fault {
    None,
    Unplugged,        // "QS2  " cannot be sent
    NoReplyPipe,      // its reply cannot be read
    StatusLost,       // it is not answered
    Mode4,            // it names no picture size
    TransferRefused,  // "TR0  " is refused
    TransferLost,     // "TR0  " is not answered
    NoMemory,         // no block for the rows
    ShortRow,         // row 100 arrives short
};

}  // namespace

Q_DECLARE_METATYPE(Fault)

class TestCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captureSizes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("size");
        QTest::newRow("2, 0") << 2 << 0 << QSize(1280, 768);
        QTest::newRow("2, 1") << 2 << 1 << QSize(1024, 1024);
        QTest::newRow("2, 2") << 2 << 2 << QSize(1280, 768);
        QTest::newRow("2, 3") << 2 << 3 << QSize(1024, 1024);
        QTest::newRow("3, 0") << 3 << 0 << QSize(1280, 1024);
        QTest::newRow("3, 1") << 3 << 1 << QSize(1024, 1280);
        QTest::newRow("3, 2") << 3 << 2 << QSize(1280, 1024);
        QTest::newRow("3, 3") << 3 << 3 << QSize(1024, 1280);
        QTest::newRow("mode 4") << 4 << 0 << QSize();
        QTest::newRow("mode 1") << 1 << 0 << QSize();
        QTest::newRow("rotation 4") << 3 << 4 << QSize();
        QTest::newRow("unreadable") << -48 << -48 << QSize();
    }

    void captureSizes() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, size);
        int width = -1, height = -1;
        QCOMPARE(RawCaptureSize(mode, rotation, width, height), size.isValid());
        if (size.isValid()) {
            QCOMPARE(QSize(width, height), size);
        }
    }

    void exchange_data() {
        using Strings = std::vector<std::string>;
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<LinkResult>("result");
        QTest::addColumn<Strings>("commands");
        QTest::addColumn<Strings>("hooks");
        const Strings both{"QS2  ", "TR0  "}, status{"QS2  "}, none;
        const Strings whole{"start 1280x1024", "rows 1024", "end"};
        QTest::newRow("whole picture") << Fault::None << LinkResult::Done << both << whole;
        QTest::newRow("not sent") << Fault::Unplugged << LinkResult::NotSent << none << none;
        QTest::newRow("no reply pipe")
            << Fault::NoReplyPipe << LinkResult::ReplyPipeNotOpened << status << none;
        QTest::newRow("status not answered")
            << Fault::StatusLost << LinkResult::NoAnswer << status << none;
        QTest::newRow("no picture size")
            << Fault::Mode4 << LinkResult::NoPictureSize << status << none;
        QTest::newRow("transfer refused")
            << Fault::TransferRefused << LinkResult::Refused << both << none;
        QTest::newRow("transfer not answered")
            << Fault::TransferLost << LinkResult::NoAnswer << both << none;
        QTest::newRow("no memory") << Fault::NoMemory << LinkResult::OutOfMemory << both << none;
        QTest::newRow("short row") << Fault::ShortRow << LinkResult::Incomplete << both
                                   << Strings{"start 1280x1024", "rows 100", "end"};
    }

    void exchange() {
        QFETCH(Fault, fault);
        QFETCH(LinkResult, result);
        QFETCH(std::vector<std::string>, commands);
        QFETCH(std::vector<std::string>, hooks);
        SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
        TamperingBackend tamper(sim);
        sim.Camera().GetState().captureMode = fault == Fault::Mode4 ? 4 : 3;
        // Faults on "TR0  ", the second packet written.
        int writes = 0;
        tamper.onWrite = [&](PipeHandle& pipe, std::span<const std::uint8_t> data, int t) {
            if (++writes == 2 && fault == Fault::TransferRefused) {
                sim.NakNextCommand();
            }
            if (writes == 2 && fault == Fault::TransferLost) {
                sim.DropNextReply();
            }
            return pipe.Write(data, t);
        };
        switch (fault) {
            case Fault::Unplugged:
                sim.SetPlugged(0, false);
                break;
            case Fault::NoReplyPipe:
                sim.SetPipeBroken("PIPE01", true);
                break;
            case Fault::StatusLost:
                sim.DropNextReply();
                break;
            case Fault::NoMemory:
                MemoryBlock::SetAllocationLimit(1000);
                break;
            case Fault::ShortRow:
                sim.SetShortRowAt(100);
                break;
            default:
                break;
        }
        LinkRig rig(tamper);
        RecordedHooks recorded;
        CapturedRows captured = CaptureRows(rig.link, recorded);
        MemoryBlock::SetAllocationLimit(MemoryBlock::NoAllocationLimit);

        QCOMPARE(captured.result, result);
        QCOMPARE(Commands(sim), commands);
        QCOMPARE(recorded.calls, hooks);
        QVERIFY(recorded.inOrder);
        QCOMPARE(captured.rows.IsNull(), result != LinkResult::Done);
        if (result == LinkResult::Done) {
            QCOMPARE(captured.rows.Size(), std::size_t(2 * 1280 * 1024));
            // The rows as the camera sent them, top row first.
            std::vector<std::uint8_t> sent;
            for (const auto& e : sim.Wire()) {
                if (e.pipe == "PIPE03") {
                    sent.insert(sent.end(), e.bytes.begin(), e.bytes.end());
                }
            }
            QCOMPARE(sent.size(), captured.rows.Size());
            QVERIFY(std::memcmp(sent.data(), captured.rows.Data(), sent.size()) == 0);
        }
    }

    // The status reply's digits come back as they were, also when they name no size.
    void modeAndRotationComeFromTheStatus_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("size");
        QTest::newRow("2, 1") << 2 << 1 << QSize(1024, 1024);
        QTest::newRow("3, 3") << 3 << 3 << QSize(1024, 1280);
        QTest::newRow("5, 2") << 5 << 2 << QSize(0, 0);
    }

    void modeAndRotationComeFromTheStatus() {
        QFETCH(int, mode);
        QFETCH(int, rotation);
        QFETCH(QSize, size);
        SimulatedBackend sim{SimulatedBackend::WireLog::Kept};
        sim.Camera().GetState().captureMode = mode;
        sim.Camera().GetState().rotation = rotation;
        LinkRig rig(sim);
        RecordedHooks recorded;
        const CapturedRows captured = CaptureRows(rig.link, recorded);
        QCOMPARE(captured.mode, mode);
        QCOMPARE(captured.rotation, rotation);
        QCOMPARE(QSize(captured.width, captured.height), size);
        QCOMPARE(captured.rows.Size(), std::size_t(2 * size.width() * size.height()));
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "test_capture.moc"
