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

bool IsCommandShape(std::string_view text) {
    const auto capital = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto value = [](char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-'; };
    return text.size() == 5 && capital(text[0]) && capital(text[1]) && value(text[2]) &&
           text.substr(3) == "  ";
}

LinkResult SendAndConfirm(CameraLink& link, const char* text) {
    const LinkResult sent = link.SendCommand(text);
    return sent == LinkResult::Done ? link.WaitAck() : sent;
}

LinkResult QueryStatus(CameraLink& link, const char* query, StatusReply& reply) {
    reply.fill(0);
    const LinkResult sent = link.SendCommand(query);
    if (sent != LinkResult::Done) {
        return sent;
    }
    std::uint8_t buffer[PACKET_SIZE];
    const LinkResult read = link.ReadReply(buffer);
    std::copy(std::begin(buffer), std::end(buffer), reply.begin());
    if (read != LinkResult::Done) {
        return read;
    }
    const bool empty =
        std::all_of(std::begin(buffer), std::end(buffer), [](std::uint8_t b) { return b == 0; });
    return empty ? LinkResult::NoAnswer : LinkResult::Done;
}

bool QueryState(CameraLink& link, CameraState& state) {
    StatusReply reply;
    const LinkResult first = QueryStatus(link, cmd::QUERY_GROUP0, reply);
    if (first == LinkResult::NotSent || first == LinkResult::NotACommand) {
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
