#pragma once

#include <QRect>

#include "camera/CommandSet.h"

namespace tavelo {

// The remote control panel's fixed geometry: a 330 x 480 picture with 32 controls on it.
// The background's printed labels are placed from the same table, so a label always sits
// over the button it names.
inline constexpr int PANEL_WIDTH = 330;
inline constexpr int PANEL_HEIGHT = 480;
inline constexpr int IDD_REMOTE = 132;

enum PanelControlId : int {
    IDC_LOCK = 1006,
    IDC_POINTER = 1007,
    IDC_MAGNIFY = 1008,
    IDC_ARROW_UP = 1009,
    IDC_ARROW_LEFT = 1010,
    IDC_ARROW_RIGHT = 1011,
    IDC_ARROW_DOWN = 1012,
    IDC_TELE = 1013,
    IDC_WIDE = 1014,
    IDC_NEAR = 1015,
    IDC_FAR = 1016,
    IDC_IRIS_OPEN = 1017,
    IDC_IRIS_CLOSE = 1018,
    IDC_ROTATION_0 = 1019,
    IDC_ROTATION_90 = 1020,
    IDC_ROTATION_180 = 1021,
    IDC_ROTATION_270 = 1022,
    IDC_LAMP_BASE = 1023,
    IDC_LAMP_UPPER = 1024,
    IDC_SOURCE_MAIN = 1025,
    IDC_SOURCE_RGB1 = 1026,
    IDC_SOURCE_RGB2 = 1027,
    IDC_CONTRAST = 1028,
    IDC_APERTURE = 1029,
    IDC_PAUSE = 1030,
    IDC_POSI_NEGA = 1031,
    IDC_COLOR_BW = 1032,
    IDC_GAMMA_MINUS = 1033,  // raises the gamma step, lowers the gamma shown
    IDC_GAMMA_PLUS = 1034,   // lowers the gamma step, raises the gamma shown
    IDC_AWB = 1035,
    IDC_AF = 1036,
    IDC_IRIS_NORMAL = 1037,
};

inline constexpr int IDC_FIRST_CONTROL = IDC_LOCK;
inline constexpr int IDC_LAST_CONTROL = IDC_IRIS_NORMAL;

enum class PanelControlKind { Hold, Toggle, Bitmap };

// What a control does when it reports to the panel.
enum class PanelAction {
    WhileHeld,  // the press sends `press` (or `code` with `value`), the release `release`
    GammaUp,    // GAMMA -: one gamma step up per press, nothing on the release
    GammaDown,  // GAMMA +: one gamma step down per press, nothing on the release
    Click,      // a plain button: a click sends `press`
    Latch,      // a click sends `code` with the latch it has just flipped to
    Choice,     // one of the `code` group: a click lights it alone and sends `code` with `value`
};

// Refinements of a latch or a choice.
enum PanelFlag : unsigned {
    PANEL_ARROWS_FOLLOW = 1,  // the arrows follow the latch once the camera acknowledged it
    PANEL_CAN_PUT_OUT = 2,    // clicking the lit choice puts the whole group out: value 0
    PANEL_QUERY_FIRST = 4,    // the camera wants "QS2  " first; nothing more if it cannot go
};

// One control: where it sits (left, top, right, bottom in client pixels), the label the
// background prints over it (labels drawn on the control's own picture are left empty), what
// it is called in plain words (its tooltip and the name screen readers announce) and what it
// sends. The rows run in reading order, which is also the order Tab visits them in.
struct PanelControl {
    int id;
    PanelControlKind kind;
    int left, top, right, bottom;
    const char* label;
    const char* name;
    PanelAction action;
    const char* press = nullptr;    // sent on the press or click; none: `code` with `value`
    const char* release = nullptr;  // sent on the release of a hold button
    Code code = Code::Lock;
    int value = 0;
    unsigned flags = 0;

    QRect Rect() const { return QRect(left, top, right - left, bottom - top); }
};

namespace panel_rows {
using enum PanelControlKind;
using enum PanelAction;
using enum Code;

// One control a row (or two), in the columns of PanelControl.
// clang-format off
inline constexpr PanelControl PANEL_CONTROLS[] = {
    {IDC_LOCK, Toggle, 37, 35, 113, 62, "", "Lock the camera's own keys", Latch, {}, {}, Lock},
    {IDC_POINTER, Toggle, 35, 91, 111, 118, "", "Pointer", Latch, {}, {}, Pointer, 0,
     PANEL_ARROWS_FOLLOW},
    {IDC_MAGNIFY, Toggle, 36, 143, 112, 170, "", "Magnify twice (2x)", Latch, {}, {}, Magnify},
    {IDC_ARROW_UP, Hold, 192, 32, 238, 78, "", "Move the pointer up", WhileHeld, {},
     cmd::POINTER_STOP, PointerMove, PM_UP},
    {IDC_ARROW_LEFT, Hold, 141, 82, 187, 128, "", "Move the pointer left", WhileHeld, {},
     cmd::POINTER_STOP, PointerMove, PM_LEFT},
    {IDC_ARROW_RIGHT, Hold, 242, 82, 288, 128, "", "Move the pointer right", WhileHeld, {},
     cmd::POINTER_STOP, PointerMove, PM_RIGHT},
    {IDC_ARROW_DOWN, Hold, 192, 132, 238, 178, "", "Move the pointer down", WhileHeld, {},
     cmd::POINTER_STOP, PointerMove, PM_DOWN},
    {IDC_ROTATION_0, Toggle, 20, 220, 65, 233, "", "Camera picture upright", Choice, {}, {},
     Rotation, 0},
    {IDC_ROTATION_90, Toggle, 75, 220, 120, 233, "", "Camera picture turned 90 degrees", Choice,
     {}, {}, Rotation, 1},
    {IDC_ROTATION_180, Toggle, 130, 220, 175, 233, "", "Camera picture turned 180 degrees",
     Choice, {}, {}, Rotation, 2},
    {IDC_ROTATION_270, Toggle, 185, 220, 230, 233, "", "Camera picture turned 270 degrees",
     Choice, {}, {}, Rotation, 3},
    {IDC_PAUSE, Toggle, 248, 220, 306, 233, "PAUSE", "Pause the picture", Latch, {}, {}, Pause},
    // POSI/NEGA and COLOR/B&W are labelled by the indicators the panel paints over them.
    {IDC_POSI_NEGA, Toggle, 21, 257, 79, 270, "", "Positive or negative picture", Latch, {}, {},
     Negative},
    {IDC_COLOR_BW, Toggle, 97, 257, 155, 270, "", "Colour or black and white", Latch, {}, {},
     BlackWhite},
    {IDC_LAMP_UPPER, Toggle, 172, 257, 230, 270, "UPPER", "Upper lamp", Choice, {}, {}, Lamp, 2,
     PANEL_CAN_PUT_OUT},
    {IDC_LAMP_BASE, Toggle, 248, 257, 306, 270, "BASE", "Base lamp", Choice, {}, {}, Lamp, 1,
     PANEL_CAN_PUT_OUT},
    {IDC_SOURCE_MAIN, Toggle, 21, 294, 79, 307, "MAIN", "Show the camera picture (main)", Choice,
     {}, {}, VideoSource, 0, PANEL_QUERY_FIRST},
    {IDC_SOURCE_RGB1, Toggle, 97, 294, 155, 307, "RGB1", "Show RGB input 1", Choice, {}, {},
     VideoSource, 1, PANEL_QUERY_FIRST},
    {IDC_SOURCE_RGB2, Toggle, 172, 294, 230, 307, "RGB2", "Show RGB input 2", Choice, {}, {},
     VideoSource, 2, PANEL_QUERY_FIRST},
    {IDC_CONTRAST, Toggle, 21, 331, 79, 344, "CONTRAST", "Contrast", Latch, {}, {}, Contrast},
    {IDC_APERTURE, Toggle, 97, 331, 155, 344, "APERTURE", "Sharper edges (aperture)", Latch, {},
     {}, Aperture},
    {IDC_AWB, Bitmap, 172, 331, 230, 344, "AWB", "Auto white balance", Click, cmd::AUTO_WHITE},
    {IDC_GAMMA_MINUS, Hold, 248, 331, 261, 343, "", "Gamma down", GammaUp},
    {IDC_GAMMA_PLUS, Hold, 293, 331, 306, 343, "", "Gamma up", GammaDown},
    {IDC_TELE, Hold, 21, 368, 79, 381, "TELE", "Zoom in (tele)", WhileHeld, cmd::ZOOM_TELE,
     cmd::ZOOM_STOP},
    {IDC_WIDE, Hold, 97, 368, 155, 381, "WIDE", "Zoom out (wide)", WhileHeld, cmd::ZOOM_WIDE,
     cmd::ZOOM_STOP},
    {IDC_NEAR, Hold, 172, 368, 230, 381, "NEAR", "Focus nearer", WhileHeld, cmd::FOCUS_NEAR,
     cmd::FOCUS_STOP},
    {IDC_FAR, Hold, 248, 368, 306, 381, "FAR", "Focus farther", WhileHeld, cmd::FOCUS_FAR,
     cmd::FOCUS_STOP},
    {IDC_AF, Bitmap, 248, 405, 306, 418, "AF", "Auto focus", Click, cmd::AUTO_FOCUS},
    {IDC_IRIS_NORMAL, Bitmap, 26, 434, 82, 446, "NORMAL", "Iris back to normal", Click,
     cmd::IRIS_NORMAL},
    {IDC_IRIS_OPEN, Hold, 101, 434, 157, 446, "OPEN", "Open the iris (brighter)", WhileHeld,
     cmd::IRIS_OPEN, cmd::IRIS_STOP},
    {IDC_IRIS_CLOSE, Hold, 176, 434, 232, 446, "CLOSE", "Close the iris (darker)", WhileHeld,
     cmd::IRIS_CLOSE, cmd::IRIS_STOP},
};
// clang-format on

}  // namespace panel_rows

using panel_rows::PANEL_CONTROLS;

// The control of an id, or nullptr.
constexpr const PanelControl* FindPanelControl(int id) {
    for (const PanelControl& control : PANEL_CONTROLS) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

// Pictures a hold button shows pressed, released and disabled.
struct HoldPictures {
    int id;
    int pressed, released, disabled;
};

inline constexpr HoldPictures HOLD_PICTURES[] = {
    {IDC_ARROW_UP, 184, 185, 186},    {IDC_ARROW_LEFT, 187, 188, 189},
    {IDC_ARROW_RIGHT, 190, 191, 192}, {IDC_ARROW_DOWN, 193, 194, 195},
    {IDC_TELE, 182, 183, 183},        {IDC_WIDE, 182, 183, 183},
    {IDC_NEAR, 182, 183, 183},        {IDC_FAR, 182, 183, 183},
    {IDC_IRIS_OPEN, 179, 178, 178},   {IDC_IRIS_CLOSE, 179, 178, 178},
    {IDC_GAMMA_MINUS, 221, 222, 223}, {IDC_GAMMA_PLUS, 224, 225, 226},
};

// Pictures a toggle button shows on and off, and the size that counts as inside it.
struct TogglePictures {
    int id;
    int on, off;
    int width, height;
};

inline constexpr TogglePictures TOGGLE_PICTURES[] = {
    {IDC_LOCK, 171, 172, 76, 27},         {IDC_POINTER, 173, 174, 76, 27},
    {IDC_MAGNIFY, 175, 176, 76, 27},      {IDC_ROTATION_0, 208, 209, 45, 13},
    {IDC_ROTATION_90, 210, 211, 45, 13},  {IDC_ROTATION_180, 212, 213, 45, 13},
    {IDC_ROTATION_270, 214, 215, 45, 13}, {IDC_LAMP_BASE, 182, 183, 58, 13},
    {IDC_LAMP_UPPER, 182, 183, 58, 13},   {IDC_SOURCE_MAIN, 182, 183, 58, 13},
    {IDC_SOURCE_RGB1, 182, 183, 58, 13},  {IDC_SOURCE_RGB2, 182, 183, 58, 13},
    {IDC_CONTRAST, 182, 183, 58, 13},     {IDC_APERTURE, 182, 183, 58, 13},
    {IDC_PAUSE, 182, 183, 58, 13},        {IDC_POSI_NEGA, 182, 183, 58, 13},
    {IDC_COLOR_BW, 182, 183, 58, 13},
};

// The plain bitmap buttons find their pictures by caption, "U" (up) and "D" (down) appended.
struct BitmapPictures {
    int id;
    const char* caption;
};

inline constexpr BitmapPictures BITMAP_PICTURES[] = {
    {IDC_AWB, "BTN1"},
    {IDC_AF, "BTN1"},
    {IDC_IRIS_NORMAL, "BTN2"},
};

// Pictures the panel paints itself, and where.
inline constexpr int IDB_REMOTE_BACKGROUND = 136;
inline constexpr int IDB_POSI_NEGA = 217;    // + latch of POSI/NEGA (0..1)
inline constexpr int IDB_COLOR_BW = 219;     // + latch of COLOR/B&W (0..1)
inline constexpr int IDB_GAMMA_VALUE = 239;  // + gamma step (0..7)
inline constexpr QPoint POSI_NEGA_ORIGIN{19, 244};
inline constexpr QPoint COLOR_BW_ORIGIN{95, 244};
inline constexpr QPoint GAMMA_VALUE_ORIGIN{262, 331};
inline constexpr QRect POSI_NEGA_AREA{19, 244, 63, 13};
inline constexpr QRect COLOR_BW_AREA{95, 244, 63, 13};
inline constexpr QRect GAMMA_VALUE_AREA{261, 331, 30, 12};
inline constexpr int GAMMA_STEP_MAX = 7;

// The two indicators the panel paints over the latches they name: the first picture plus
// the latch (0..1), in `area`.
struct PanelIndicator {
    int id;
    int firstPicture;
    QRect area;
};

inline constexpr PanelIndicator PANEL_INDICATORS[] = {
    {IDC_POSI_NEGA, IDB_POSI_NEGA, POSI_NEGA_AREA},
    {IDC_COLOR_BW, IDB_COLOR_BW, COLOR_BW_AREA},
};

}  // namespace tavelo
