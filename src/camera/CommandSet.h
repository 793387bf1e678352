#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "device/CameraLink.h"

namespace tavelo {

// A camera command: five characters (a two-letter code, one value character, two blanks) and
// the terminating zero, in a zero-filled buffer.
using CommandText = std::array<char, 6>;

// The commands with a fixed text.
namespace cmd {
inline constexpr char QUERY_GROUP0[] = "QS0  ";
inline constexpr char QUERY_GROUP2[] = "QS2  ";
inline constexpr char TRANSFER[] = "TR0  ";
inline constexpr char POINTER_STOP[] = "PM0  ";
inline constexpr char ZOOM_TELE[] = "ZO+  ";
inline constexpr char ZOOM_WIDE[] = "ZO-  ";
inline constexpr char ZOOM_STOP[] = "ZO0  ";
inline constexpr char FOCUS_NEAR[] = "FO+  ";
inline constexpr char FOCUS_FAR[] = "FO-  ";
inline constexpr char FOCUS_STOP[] = "FO0  ";
inline constexpr char IRIS_OPEN[] = "IR+  ";
inline constexpr char IRIS_CLOSE[] = "IR-  ";
inline constexpr char IRIS_STOP[] = "IR0  ";
inline constexpr char IRIS_NORMAL[] = "IR1  ";
inline constexpr char AUTO_FOCUS[] = "AF0  ";
inline constexpr char AUTO_WHITE[] = "AW2  ";
}  // namespace cmd

// The function codes of the commands that carry a value.
enum class Code {
    Lock,         // "LL": 0 off, 1 on
    Pointer,      // "PO": 0 off, 1 on
    Magnify,      // "MA": 2x, 0 off, 1 on
    PointerMove,  // "PM": 1 right, 2 left, 3 up, 4 down, 0 stop
    Lamp,         // "PL": 0 off, 1 base, 2 upper
    Rotation,     // "RO": 0..3 = 0, 90, 180, 270 degrees
    VideoSource,  // "AV": 0 MAIN, 1 RGB1, 2 RGB2
    Pause,        // "FZ"
    Negative,     // "NP": 0 positive, 1 negative
    BlackWhite,   // "CB": 0 colour, 1 black and white
    Aperture,     // "AP"
    Contrast,     // "CT"
    Gamma,        // "GM": step 0..7
};

// The pointer directions of "PM".
enum PointerDirection : int { PM_RIGHT = 1, PM_LEFT = 2, PM_UP = 3, PM_DOWN = 4 };

// The text of a command with a value. A value that is not one decimal digit is sent as '0'
// (stop, off, the first choice), so no value can ever make the text longer than five
// characters; "PM" sends 0 for any direction above 8 as well.
CommandText FormatCommand(Code code, int value);

// Whether `text` has a command's shape: two capital letters, one value character (a digit,
// "+" or "-") and two blanks, as every command and status query does ("ZO+  ", "QS0  ").
// Anything else the camera refuses, so a tool can tell its user before sending it.
bool IsCommandShape(std::string_view text);

// Send-and-confirm: sends the command and, only if it went out, reads its acknowledgement.
// Done if the camera acknowledged it, else what stopped it.
LinkResult SendAndConfirm(CameraLink& link, const char* text);
inline LinkResult SendAndConfirm(CameraLink& link, const CommandText& text) {
    return SendAndConfirm(link, text.data());
}

// Status group 0, the answer to "QS0  ". Every value is the reply byte minus '0', stored as it
// comes: a reply that could not be read gives -48 everywhere.
struct StatusGroup0 {
    int lamp = 0;
    int videoSource = 0;
    int negative = 0;
    int blackWhite = 0;
    int pointer = 0;
    int magnify = 0;
    int pause = 0;
    int lock = 0;
};

// Status group 2, the answer to "QS2  "; bytes 4, 6 and 7 are not interpreted.
struct StatusGroup2 {
    int captureMode = 0;
    int gamma = 0;
    int rotation = 0;
    int aperture = 0;
    int contrast = 0;
};

using StatusReply = std::array<std::uint8_t, PACKET_SIZE + 1>;  // with a terminating zero

StatusGroup0 DecodeGroup0(const StatusReply& reply);
StatusGroup2 DecodeGroup2(const StatusReply& reply);

// A status query: sends the query and, if it went out, reads the reply into a zero-filled
// buffer; no acknowledgement is read. NotSent or ReplyPipeNotOpened (the reply is then all
// zero), NoAnswer when nothing came (all zero too), else Done.
LinkResult QueryStatus(CameraLink& link, const char* query, StatusReply& reply);

// What the remote control panel reads when it opens.
struct CameraState {
    StatusGroup0 group0;
    StatusGroup2 group2;  // the panel uses gamma, rotation, aperture and contrast
};

// The panel's status query: "QS0  " and its reply, then "QS2  " and its reply. False, with
// nothing read and `state` untouched, when "QS0  " could not be sent. The second send is not
// tested: its reply is read either way, and a reply that did not come decodes as -48.
bool QueryState(CameraLink& link, CameraState& state);

}  // namespace tavelo
