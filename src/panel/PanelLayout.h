#pragma once

#include <QRect>

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

// One control: where it sits (left, top, right, bottom in client pixels) and the label the
// background prints over it; labels drawn on the control's own picture are left empty here.
struct PanelControl {
    int id;
    PanelControlKind kind;
    int left, top, right, bottom;
    const char* label;

    QRect Rect() const { return QRect(left, top, right - left, bottom - top); }
};

inline constexpr PanelControl PANEL_CONTROLS[] = {
    {IDC_LOCK, PanelControlKind::Toggle, 37, 35, 113, 62, ""},
    {IDC_POINTER, PanelControlKind::Toggle, 35, 91, 111, 118, ""},
    {IDC_MAGNIFY, PanelControlKind::Toggle, 36, 143, 112, 170, ""},
    {IDC_ARROW_UP, PanelControlKind::Hold, 192, 32, 238, 78, ""},
    {IDC_ARROW_LEFT, PanelControlKind::Hold, 141, 82, 187, 128, ""},
    {IDC_ARROW_RIGHT, PanelControlKind::Hold, 242, 82, 288, 128, ""},
    {IDC_ARROW_DOWN, PanelControlKind::Hold, 192, 132, 238, 178, ""},
    {IDC_TELE, PanelControlKind::Hold, 21, 368, 79, 381, "TELE"},
    {IDC_WIDE, PanelControlKind::Hold, 97, 368, 155, 381, "WIDE"},
    {IDC_NEAR, PanelControlKind::Hold, 172, 368, 230, 381, "NEAR"},
    {IDC_FAR, PanelControlKind::Hold, 248, 368, 306, 381, "FAR"},
    {IDC_IRIS_OPEN, PanelControlKind::Hold, 101, 434, 157, 446, "OPEN"},
    {IDC_IRIS_CLOSE, PanelControlKind::Hold, 176, 434, 232, 446, "CLOSE"},
    {IDC_ROTATION_0, PanelControlKind::Toggle, 20, 220, 65, 233, ""},
    {IDC_ROTATION_90, PanelControlKind::Toggle, 75, 220, 120, 233, ""},
    {IDC_ROTATION_180, PanelControlKind::Toggle, 130, 220, 175, 233, ""},
    {IDC_ROTATION_270, PanelControlKind::Toggle, 185, 220, 230, 233, ""},
    {IDC_LAMP_BASE, PanelControlKind::Toggle, 248, 257, 306, 270, "BASE"},
    {IDC_LAMP_UPPER, PanelControlKind::Toggle, 172, 257, 230, 270, "UPPER"},
    {IDC_SOURCE_MAIN, PanelControlKind::Toggle, 21, 294, 79, 307, "MAIN"},
    {IDC_SOURCE_RGB1, PanelControlKind::Toggle, 97, 294, 155, 307, "RGB1"},
    {IDC_SOURCE_RGB2, PanelControlKind::Toggle, 172, 294, 230, 307, "RGB2"},
    {IDC_CONTRAST, PanelControlKind::Toggle, 21, 331, 79, 344, "CONTRAST"},
    {IDC_APERTURE, PanelControlKind::Toggle, 97, 331, 155, 344, "APERTURE"},
    {IDC_PAUSE, PanelControlKind::Toggle, 248, 220, 306, 233, "PAUSE"},
    // POSI/NEGA and COLOR/B&W are labelled by the indicators the panel paints over them.
    {IDC_POSI_NEGA, PanelControlKind::Toggle, 21, 257, 79, 270, ""},
    {IDC_COLOR_BW, PanelControlKind::Toggle, 97, 257, 155, 270, ""},
    {IDC_GAMMA_MINUS, PanelControlKind::Hold, 248, 331, 261, 343, ""},
    {IDC_GAMMA_PLUS, PanelControlKind::Hold, 293, 331, 306, 343, ""},
    {IDC_AWB, PanelControlKind::Bitmap, 172, 331, 230, 344, "AWB"},
    {IDC_AF, PanelControlKind::Bitmap, 248, 405, 306, 418, "AF"},
    {IDC_IRIS_NORMAL, PanelControlKind::Bitmap, 26, 434, 82, 446, "NORMAL"},
};

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

}  // namespace tavelo
