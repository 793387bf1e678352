// The messages the frame shows for the link's results: which, when, and the panel's close.

#include <QtTest>
#include <vector>

#include "res/ErrorCode.h"
#include "ui/ReportingLink.h"

using namespace tavelo;

Q_DECLARE_METATYPE(LinkResult)

namespace {

// A link whose every transfer ends as told.
struct ScriptedLink final : CameraLink {
    LinkResult SendCommand(const char*) override { return result; }
    LinkResult ReadReply(std::uint8_t (&)[PACKET_SIZE]) override { return result; }
    LinkResult WaitAck() override { return result; }
    LinkResult ReadImage(MemoryBlock&, int, int, RowProgress*) override { return result; }
    LinkResult result = LinkResult::Done;
};

struct Feedback final : LinkFeedback {
    int ReportError(int code) override {
        errors.push_back(code);
        return 1;
    }
    bool IsNotReady() const override { return notReady; }
    void CloseRemote() override { ++closes; }
    std::vector<int> errors;
    bool notReady = false;
    int closes = 0;
};

enum class Call { Send, Reply, Ack, Image };

}  // namespace

Q_DECLARE_METATYPE(Call)

class TestReportingLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messages_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<LinkResult>("result");
        QTest::addColumn<bool>("notReady");
        QTest::addColumn<std::vector<int>>("errors");
        QTest::addColumn<int>("closes");
        using R = LinkResult;
        const std::vector<int> none;
        QTest::newRow("sent") << Call::Send << R::Done << false << none << 0;
        QTest::newRow("not sent") << Call::Send << R::NotSent << false
                                  << std::vector<int>{ERR_TRANSMIT} << 1;
        // Once the camera is known to be gone, the panel closes without another message.
        QTest::newRow("not sent, not ready") << Call::Send << R::NotSent << true << none << 1;
        QTest::newRow("not a command") << Call::Send << R::NotACommand << false << none << 0;
        QTest::newRow("reply read") << Call::Reply << R::Done << false << none << 0;
        // The reply pipe says so every time, ready or not.
        QTest::newRow("no reply pipe, not ready")
            << Call::Reply << R::ReplyPipeNotOpened << true << std::vector<int>{ERR_RECEIVE} << 0;
        QTest::newRow("acknowledged") << Call::Ack << R::Done << false << none << 0;
        QTest::newRow("refused") << Call::Ack << R::Refused << false
                                 << std::vector<int>{ERR_COMMUNICATE} << 0;
        QTest::newRow("no answer") << Call::Ack << R::NoAnswer << false << none << 0;
        QTest::newRow("ack without reply pipe")
            << Call::Ack << R::ReplyPipeNotOpened << false << std::vector<int>{ERR_RECEIVE} << 0;
        // The caller reports a picture that did not arrive.
        QTest::newRow("picture incomplete") << Call::Image << R::Incomplete << false << none << 0;
    }

    void messages() {
        QFETCH(Call, call);
        QFETCH(LinkResult, result);
        QFETCH(bool, notReady);
        QFETCH(std::vector<int>, errors);
        QFETCH(int, closes);
        ScriptedLink inner;
        inner.result = result;
        Feedback feedback;
        feedback.notReady = notReady;
        ReportingLink link(inner, feedback);
        std::uint8_t reply[PACKET_SIZE];
        MemoryBlock block;
        LinkResult passed = LinkResult::Done;
        switch (call) {
            case Call::Send:
                passed = link.SendCommand("ZO+  ");
                break;
            case Call::Reply:
                passed = link.ReadReply(reply);
                break;
            case Call::Ack:
                passed = link.WaitAck();
                break;
            case Call::Image:
                passed = link.ReadImage(block, 1280, 1024, nullptr);
                break;
        }
        QCOMPARE(passed, result);
        QCOMPARE(feedback.errors, errors);
        QCOMPARE(feedback.closes, closes);
    }
};

QTEST_GUILESS_MAIN(TestReportingLink)
#include "test_reporting_link.moc"
