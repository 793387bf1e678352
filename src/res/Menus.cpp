#include "res/Menus.h"

#include "res/CommandIds.h"

namespace tavelo {
namespace {

// An access key is unique within its menu; the items added to the fixed ones take the
// letters those leave free.
constexpr MenuItem kFile[] = {
    {ID_FILE_SAVE, "&Save...\tCtrl+S"},
    {ID_JPEG_SETTING, "&JPEG Setting..."},
    {0, nullptr},
    {ID_SERIES_SETTING, "Se&ries..."},
    {ID_EXPORT_PDF, "&Export PDF..."},
    {ID_FILE_PRINT, "&Print...\tCtrl+P"},
    // After the others, so each keeps its place.
    {ID_FILE_NEW, "&New Document\tCtrl+N"},
    {ID_SAVE_PAGE, "Save P&age As..."},
    {0, nullptr},
    {ID_APP_EXIT, "E&xit"},
};

constexpr MenuItem kEdit[] = {
    {ID_SHARPNESS, "&Sharpness..."},       {0, nullptr}, {ID_EDIT_COPY, "&Copy\tCtrl+C"},
    {ID_EDIT_COPY_TEXT, "Copy &Text"},     {0, nullptr}, {ID_EDIT_UNDO, "&Undo\tCtrl+Z"},
    {ID_EDIT_REDO, "&Redo\tCtrl+Shift+Z"},
};

constexpr MenuItem kCamera[] = {
    {ID_CAPTURE, "&Capture\tAlt+C"},
    {0, nullptr},
    {ID_RC_SHOW, "&Show the RC\tCtrl+R"},
    {ID_RC_HIDE, "&Hide the RC\tCtrl+R"},
    {0, nullptr},
    {ID_CAPTURE_SERIES, "Capture to Se&ries\tF5"},
};

constexpr MenuItem kZoom[] = {
    {ID_ZOOM_IN, "Zoom &In\tCtrl+["}, {ID_ZOOM_OUT, "Zoom &Out\tCtrl+]"}, {0, nullptr},
    {ID_BEST_FIT, "Best &Fit"},       {ID_ACTUAL_SIZE, "&Actual Size"},
};

constexpr MenuItem kRotation[] = {
    {ID_ROTATE_LEFT, "Rotate &Left\tAlt+9"},
    {ID_ROTATE_RIGHT, "Rotate &Right\tAlt+0"},
};

constexpr MenuItem kHelp[] = {
    {ID_APP_ABOUT, "&About Tavelo..."},
};

constexpr MenuItem kWindow[] = {
    {ID_VIEW_PAGES, "&Pages"},
};

// "Ca&mera" rather than "&Camera": Alt+C belongs to Capture.
constexpr TopMenu kMenuBar[] = {
    {"&File", kFile},
    {"&Edit", kEdit},
    {"Ca&mera", kCamera},
    {"&Zoom", kZoom},
    {"Ro&tation", kRotation},
    {"&Help", kHelp},
    // Added after the others, so every menu before it keeps its position.
    {"&Window", kWindow},
};

// Ctrl+R belongs to the toggle alone; the Show and Hide items only name it. Zoom also has
// the keys other programs zoom with; the menu names the brackets, its first keys.
constexpr Accelerator kAccelerators[] = {
    {ID_CAPTURE, "Alt+C"},      {ID_RC_TOGGLE, "Ctrl+R"},         {ID_ZOOM_IN, "Ctrl+["},
    {ID_ZOOM_OUT, "Ctrl+]"},    {ID_HIDDEN_MODE, "Ctrl+Alt+Ins"}, {ID_ROTATE_LEFT, "Alt+9"},
    {ID_ROTATE_RIGHT, "Alt+0"}, {ID_FILE_OPEN, "Ctrl+O"},         {ID_FILE_SAVE, "Ctrl+S"},
    {ID_ZOOM_IN, "Ctrl+="},     {ID_ZOOM_IN, "Ctrl++"},           {ID_ZOOM_OUT, "Ctrl+-"},
    {ID_CAPTURE_SERIES, "F5"},  {ID_EDIT_COPY, "Ctrl+C"},         {ID_FILE_PRINT, "Ctrl+P"},
    {ID_FILE_NEW, "Ctrl+N"},    {ID_EDIT_UNDO, "Ctrl+Z"},         {ID_EDIT_REDO, "Ctrl+Shift+Z"},
};

constexpr int kToolbar[] = {
    ID_FILE_SAVE,   ID_CAPTURE,      0, ID_RC_TOGGLE, ID_ZOOM_IN, ID_ZOOM_OUT,
    ID_ROTATE_LEFT, ID_ROTATE_RIGHT, 0, ID_APP_EXIT,
};

}  // namespace

std::span<const TopMenu> MainMenu() {
    return kMenuBar;
}

std::span<const Accelerator> MainAccelerators() {
    return kAccelerators;
}

std::span<const int> MainToolbar() {
    return kToolbar;
}

}  // namespace tavelo
