#include <QtTest>

#include <cstring>
#include <string>
#include <vector>

#include "camera/CommandSet.h"
#include "device/SimulatedBackend.h"
#include "support/DeviceTestSupport.h"

using namespace tavelo;
using tavelo::test::LinkRig;

Q_DECLARE_METATYPE(LinkResult)

namespace {

// The pipes touched, in order, with the text of every command written: "W:ZO+  ", "R".
std::vector<std::string> WireSummary(const SimulatedBackend& backend) {
    std::vector<std::string> out;
    for (const auto& e : backend.Wire()) {
        if (e.pipe == "PIPE00" && e.write) {
            out.push_back("W:" + std::string(reinterpret_cast<const char*>(e.bytes.data())));
        } else if (e.pipe == "PIPE01" && !e.write) {
            out.push_back("R");
        }
    }
    return out;
}

StatusReply ReplyOf(const char* digits) {
    StatusReply r{};
    std::memcpy(r.data(), digits, std::strlen(digits));
    return r;
}

}  // namespace

class TestCommandSet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every text the program itself sends has the shape; a text a person types may not.
    void commandShape_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shape");
        QTest::newRow("zoom in") << "ZO+  " << true;
        QTest::newRow("zoom out") << "ZO-  " << true;
        QTest::newRow("status query") << "QS2  " << true;
        QTest::newRow("formatted")
            << QString::fromLatin1(FormatCommand(Code::Gamma, 7).data()) << true;
        QTest::newRow("no blanks") << "ZO+" << false;
        QTest::newRow("one blank") << "ZO+ " << false;
        QTest::newRow("three blanks") << "ZO+   " << false;
        QTest::newRow("small letters") << "zo+  " << false;
        QTest::newRow("letter as value") << "ZOX  " << false;
        QTest::newRow("digit as code") << "Z0+  " << false;
        QTest::newRow("other than blanks") << "ZO+xy" << false;
        QTest::newRow("empty") << "" << false;
    }
    void commandShape() {
        QFETCH(QString, text);
        QFETCH(bool, shape);
        QCOMPARE(IsCommandShape(text.toStdString()), shape);
    }

    void formattedTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("lock on") << int(Code::Lock) << 1 << "LL1  ";
        QTest::newRow("pointer off") << int(Code::Pointer) << 0 << "PO0  ";
        QTest::newRow("2x on") << int(Code::Magnify) << 1 << "MA1  ";
        QTest::newRow("pointer up") << int(Code::PointerMove) << int(PM_UP) << "PM3  ";
        QTest::newRow("pointer 8 kept") << int(Code::PointerMove) << 8 << "PM8  ";
        QTest::newRow("pointer above 8 is 0") << int(Code::PointerMove) << 9 << "PM0  ";
        QTest::newRow("upper lamp") << int(Code::Lamp) << 2 << "PL2  ";
        QTest::newRow("rotation 270") << int(Code::Rotation) << 3 << "RO3  ";
        QTest::newRow("RGB2") << int(Code::VideoSource) << 2 << "AV2  ";
        QTest::newRow("pause") << int(Code::Pause) << 1 << "FZ1  ";
        QTest::newRow("negative") << int(Code::Negative) << 1 << "NP1  ";
        QTest::newRow("black and white") << int(Code::BlackWhite) << 1 << "CB1  ";
        QTest::newRow("aperture") << int(Code::Aperture) << 0 << "AP0  ";
        QTest::newRow("contrast") << int(Code::Contrast) << 1 << "CT1  ";
        QTest::newRow("gamma 7") << int(Code::Gamma) << 7 << "GM7  ";
        QTest::newRow("gamma from an unreadable byte") << int(Code::Gamma) << -49 << "GM0  ";
        QTest::newRow("two digits never fit") << int(Code::Gamma) << 10 << "GM0  ";
        QTest::newRow("huge value") << int(Code::Lock) << 1000000 << "LL0  ";
    }

    // Five characters, one value character, two blanks, then zeros to the end of the buffer.
    void formattedTexts() {
        QFETCH(int, code);
        QFETCH(int, value);
        QFETCH(QString, text);
        const CommandText t = FormatCommand(static_cast<Code>(code), value);
        QCOMPARE(std::strlen(t.data()), std::size_t(5));
        QCOMPARE(QString::fromLatin1(t.data()), text);
        QCOMPARE(t[5], '\0');
    }

    void everyValueReachesTheCamera_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("high");
        QTest::newRow("LL") << int(Code::Lock) << 1;
        QTest::newRow("PO") << int(Code::Pointer) << 1;
        QTest::newRow("MA") << int(Code::Magnify) << 1;
        QTest::newRow("PM") << int(Code::PointerMove) << int(PM_DOWN);
        QTest::newRow("PL") << int(Code::Lamp) << 2;
        QTest::newRow("RO") << int(Code::Rotation) << 3;
        QTest::newRow("AV") << int(Code::VideoSource) << 2;
        QTest::newRow("FZ") << int(Code::Pause) << 1;
        QTest::newRow("NP") << int(Code::Negative) << 1;
        QTest::newRow("CB") << int(Code::BlackWhite) << 1;
        QTest::newRow("AP") << int(Code::Aperture) << 1;
        QTest::newRow("CT") << int(Code::Contrast) << 1;
        QTest::newRow("GM") << int(Code::Gamma) << 7;
    }

    // Each value of each formatted command goes out as its five characters and three zeros,
    // and the camera takes it.
    void everyValueReachesTheCamera() {
        QFETCH(int, code);
        QFETCH(int, high);
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        for (int value = 0; value <= high; ++value) {
            const CommandText text = FormatCommand(static_cast<Code>(code), value);
            QVERIFY2(SendAndConfirm(link, text) == LinkResult::Done, text.data());
            const auto& packet = backend.Camera().CommandLog().back();
            QCOMPARE(std::memcmp(packet.data(), text.data(), 5), 0);
            QCOMPARE(packet[5] | packet[6] | packet[7], 0);
        }
    }

    void fixedTextsHaveTheCommandShape() {
        const char* fixed[] = {
            cmd::QUERY_GROUP0, cmd::QUERY_GROUP2, cmd::TRANSFER,   cmd::POINTER_STOP,
            cmd::ZOOM_TELE,    cmd::ZOOM_WIDE,    cmd::ZOOM_STOP,  cmd::FOCUS_NEAR,
            cmd::FOCUS_FAR,    cmd::FOCUS_STOP,   cmd::IRIS_OPEN,  cmd::IRIS_CLOSE,
            cmd::IRIS_STOP,    cmd::IRIS_NORMAL,  cmd::AUTO_FOCUS, cmd::AUTO_WHITE};
        for (const char* t : fixed) {
            QCOMPARE(std::strlen(t), std::size_t(5));
            QVERIFY(std::isupper(t[0]) && std::isupper(t[1]));
            QVERIFY(std::isdigit(t[2]) || t[2] == '+' || t[2] == '-');
            QCOMPARE(t[3], ' ');
            QCOMPARE(t[4], ' ');
        }
    }

    // Holding TELE and letting go: the two texts, each followed by one acknowledgement read.
    void sendAndConfirmReadsOneAckPerCommand() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        QCOMPARE(SendAndConfirm(link, cmd::ZOOM_TELE), LinkResult::Done);
        QCOMPARE(SendAndConfirm(link, cmd::ZOOM_STOP), LinkResult::Done);
        QCOMPARE(WireSummary(backend), (std::vector<std::string>{"W:ZO+  ", "R", "W:ZO0  ", "R"}));
    }

    void refusedCommandIsRefused() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        backend.NakNextCommand();
        QCOMPARE(SendAndConfirm(link, FormatCommand(Code::Lock, 1)), LinkResult::Refused);
    }

    // A command that cannot be sent reads no acknowledgement.
    void unsentCommandReadsNoAck() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        backend.SetPlugged(0, false);
        QCOMPARE(SendAndConfirm(link, cmd::AUTO_FOCUS), LinkResult::NotSent);
        QVERIFY(WireSummary(backend).empty());
    }

    void queryReadsTheStateWithoutAck() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        QCOMPARE(SendAndConfirm(link, FormatCommand(Code::Lamp, 2)), LinkResult::Done);
        QCOMPARE(SendAndConfirm(link, FormatCommand(Code::Rotation, 1)), LinkResult::Done);
        QCOMPARE(SendAndConfirm(link, FormatCommand(Code::Gamma, 6)), LinkResult::Done);
        backend.ClearWire();
        StatusReply r0, r2;
        QCOMPARE(QueryStatus(link, cmd::QUERY_GROUP0, r0), LinkResult::Done);
        QCOMPARE(QueryStatus(link, cmd::QUERY_GROUP2, r2), LinkResult::Done);
        QCOMPARE(WireSummary(backend), (std::vector<std::string>{"W:QS0  ", "R", "W:QS2  ", "R"}));
        QCOMPARE(DecodeGroup0(r0).lamp, 2);
        const StatusGroup2 g2 = DecodeGroup2(r2);
        QCOMPARE(g2.captureMode, backend.Camera().GetState().captureMode);
        QCOMPARE(g2.rotation, 1);
        QCOMPARE(g2.gamma, 6);
        QCOMPARE(r2[8], std::uint8_t(0));
    }

    void unreadableReply_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<LinkResult>("result");
        QTest::newRow("reply pipe broken") << "pipe" << LinkResult::ReplyPipeNotOpened;
        QTest::newRow("reply lost") << "lost" << LinkResult::NoAnswer;
        QTest::newRow("not sent") << "unplugged" << LinkResult::NotSent;
    }

    // A status that could not be had says why, and decodes as -48 everywhere.
    void unreadableReply() {
        QFETCH(QString, fault);
        QFETCH(LinkResult, result);
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        if (fault == "pipe") {
            backend.SetPipeBroken("PIPE01", true);
        } else if (fault == "lost") {
            backend.DropNextReply();
        } else {
            backend.SetPlugged(0, false);
        }
        StatusReply r;
        r.fill(0x33);
        QCOMPARE(QueryStatus(link, cmd::QUERY_GROUP0, r), result);
        const StatusGroup0 g0 = DecodeGroup0(r);
        for (int v : {g0.lamp, g0.videoSource, g0.negative, g0.blackWhite, g0.pointer, g0.magnify,
                      g0.pause, g0.lock}) {
            QCOMPARE(v, -48);
        }
        const StatusGroup2 g2 = DecodeGroup2(r);
        for (int v : {g2.captureMode, g2.gamma, g2.rotation, g2.aperture, g2.contrast}) {
            QCOMPARE(v, -48);
        }
    }

    // The panel's opening query: group 0 first, then group 2, no acknowledgement read.
    void panelQueryReadsGroupZeroThenTwo() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        SimulatedCamera::State& cam = backend.Camera().GetState();
        cam.lamp = 1;
        cam.videoSource = 2;
        cam.lock = 1;
        cam.gamma = 4;
        cam.rotation = 3;
        cam.contrast = 1;
        CameraState state;
        QVERIFY(QueryState(link, state));
        QCOMPARE(WireSummary(backend), (std::vector<std::string>{"W:QS0  ", "R", "W:QS2  ", "R"}));
        QCOMPARE(state.group0.lamp, 1);
        QCOMPARE(state.group0.videoSource, 2);
        QCOMPARE(state.group0.lock, 1);
        QCOMPARE(state.group0.pointer, 0);
        QCOMPARE(state.group2.gamma, 4);
        QCOMPARE(state.group2.rotation, 3);
        QCOMPARE(state.group2.contrast, 1);
        QCOMPARE(state.group2.aperture, 0);
    }

    // "QS0  " not sent: nothing else happens and the state is left as it was.
    void panelQueryStopsWhenGroupZeroIsNotSent() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        backend.SetPlugged(0, false);
        CameraState state;
        state.group0.lamp = 7;
        state.group2.gamma = 7;
        QVERIFY(!QueryState(link, state));
        QVERIFY(backend.Wire().empty());
        QCOMPARE(state.group0.lamp, 7);
        QCOMPARE(state.group2.gamma, 7);
    }

    // "QS2  " not sent: its reply is read all the same and, with none coming, reads -48.
    void panelQueryReadsGroupTwoEvenIfItsQueryFailed() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        test::TamperingBackend tampering(backend);
        int writes = 0;
        tampering.onWrite = [&writes](PipeHandle& pipe, std::span<const std::uint8_t> data,
                                      int timeoutMs) {
            return ++writes == 2 ? IoResult{IoResult::Status::Failed, 0}
                                 : pipe.Write(data, timeoutMs);
        };
        LinkRig rig(tampering);
        CameraLink& link = rig.link;
        backend.Camera().GetState().lamp = 2;
        CameraState state;
        QVERIFY(QueryState(link, state));
        QCOMPARE(WireSummary(backend), (std::vector<std::string>{"W:QS0  ", "R", "R"}));
        QCOMPARE(state.group0.lamp, 2);
        QCOMPARE(state.group2.gamma, -48);
        QCOMPARE(state.group2.rotation, -48);
    }

    // No reply pipe: both queries still go out, and every value reads -48.
    void panelQueryWithoutReplyPipe() {
        SimulatedBackend backend{SimulatedBackend::WireLog::Kept};
        LinkRig rig(backend);
        CameraLink& link = rig.link;
        backend.SetPipeBroken("PIPE01", true);
        CameraState state;
        QVERIFY(QueryState(link, state));
        QCOMPARE(backend.Camera().CommandLog().size(), std::size_t(2));
        QCOMPARE(state.group0.lamp, -48);
        QCOMPARE(state.group0.lock, -48);
        QCOMPARE(state.group2.contrast, -48);
    }

    void decodingTakesTheNamedBytes() {
        const StatusGroup0 g0 = DecodeGroup0(ReplyOf("21010111"));
        QCOMPARE(g0.lamp, 2);
        QCOMPARE(g0.videoSource, 1);
        QCOMPARE(g0.negative, 0);
        QCOMPARE(g0.blackWhite, 1);
        QCOMPARE(g0.pointer, 0);
        QCOMPARE(g0.magnify, 1);
        QCOMPARE(g0.pause, 1);
        QCOMPARE(g0.lock, 1);
        // Bytes 4, 6, 7 of group 2 are not read; a non-digit is stored as it comes.
        const StatusGroup2 g2 = DecodeGroup2(ReplyOf("3721A999"));
        QCOMPARE(g2.captureMode, 3);
        QCOMPARE(g2.gamma, 7);
        QCOMPARE(g2.rotation, 2);
        QCOMPARE(g2.aperture, 1);
        QCOMPARE(g2.contrast, 9);
        QCOMPARE(DecodeGroup2(ReplyOf("4:00000")).gamma, ':' - '0');
    }
};

QTEST_GUILESS_MAIN(TestCommandSet)
#include "test_command_set.moc"
