#include "camera/CommandSet.h"

#include <algorithm>

namespace tavelo {
namespace {

constexpr const char* kCodes[] = {"LL", "PO", "MA", "PM", "PL", "RO", "AV",
                                  "FZ", "NP", "CB", "AP", "CT", "GM"};

int Digit(const StatusReply& reply, int index) {
    return int(reply[index]) - '0';
}

}  // namespace

CommandText FormatCommand(Code code, int value) {
    if (code == Code::PointerMove && value > 8) {
        value = 0;
    }
    if (value < 0 || value > 9) {
        value = 0;
    }
    const char* letters = kCodes[static_cast<int>(code)];
    CommandText text{};
    text[0] = letters[0];
    text[1] = letters[1];
    text[2] = static_cast<char>('0' + value);
    text[3] = ' ';
    text[4] = ' ';
    return text;
}

bool SendAndConfirm(DeviceLink& link, const char* text) {
    return link.SendCommand(text) && link.WaitAck();
}

bool QueryStatus(DeviceLink& link, const char* query, StatusReply& reply) {
    reply.fill(0);
    if (!link.SendCommand(query)) {
        return false;
    }
    std::uint8_t buffer[PACKET_SIZE];
    link.ReadReply(buffer);
    std::copy(std::begin(buffer), std::end(buffer), reply.begin());
    return true;
}

bool QueryState(DeviceLink& link, CameraState& state) {
    StatusReply reply;
    if (!QueryStatus(link, cmd::QUERY_GROUP0, reply)) {
        return false;
    }
    state.group0 = DecodeGroup0(reply);
    link.SendCommand(cmd::QUERY_GROUP2);
    std::uint8_t buffer[PACKET_SIZE];
    link.ReadReply(buffer);
    reply.fill(0);
    std::copy(std::begin(buffer), std::end(buffer), reply.begin());
    state.group2 = DecodeGroup2(reply);
    return true;
}

StatusGroup0 DecodeGroup0(const StatusReply& reply) {
    StatusGroup0 s;
    s.lamp = Digit(reply, 0);
    s.videoSource = Digit(reply, 1);
    s.negative = Digit(reply, 2);
    s.blackWhite = Digit(reply, 3);
    s.pointer = Digit(reply, 4);
    s.magnify = Digit(reply, 5);
    s.pause = Digit(reply, 6);
    s.lock = Digit(reply, 7);
    return s;
}

StatusGroup2 DecodeGroup2(const StatusReply& reply) {
    StatusGroup2 s;
    s.captureMode = Digit(reply, 0);
    s.gamma = Digit(reply, 1);
    s.rotation = Digit(reply, 2);
    s.aperture = Digit(reply, 3);
    s.contrast = Digit(reply, 5);
    return s;
}

}  // namespace tavelo
