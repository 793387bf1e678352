#pragma once

namespace tavelo {

// Command ids of the menu bar, the toolbar and the accelerators. The view, the remote
// control panel and the application route their handlers by these numbers.
enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,

    ID_CAPTURE = 32771,
    ID_JPEG_SETTING = 32772,
    ID_SHARPNESS = 32773,
    ID_RC_SHOW = 32775,
    ID_RC_HIDE = 32776,
    ID_ZOOM_IN = 32777,
    ID_ZOOM_OUT = 32778,
    ID_RC_TOGGLE = 32779,
    ID_BEST_FIT = 32780,
    ID_ACTUAL_SIZE = 32781,
    ID_HIDDEN_MODE = 32782,
    ID_ROTATE_LEFT = 32785,
    ID_ROTATE_RIGHT = 32786,

    // Pages of a sitting: series capture, the Pages dock, export, copy and print.
    ID_CAPTURE_SERIES = 32790,
    ID_SERIES_SETTING = 32791,
    ID_EXPORT_PDF = 32792,
    ID_VIEW_PAGES = 32793,
    ID_SAVE_PAGE = 32794,
    ID_EDIT_COPY_TEXT = 32795,  // the shown page's text as read
    ID_FILE_PRINT = 57607,
    ID_EDIT_COPY = 57634,
    // The sitting as a document: New Document, and undo of what was done to its pages.
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
};

// Status bar indicators; each one's string is the text that sizes its pane.
enum IndicatorId : int {
    ID_SEPARATOR = 0,
    ID_INDICATOR_DATE = 59143,
    ID_INDICATOR_TIME = 59144,
    ID_INDICATOR_ZOOM = 59145,
};

// Child ids of the frame's bars and of the progress control inside the status bar.
inline constexpr int AFX_IDW_TOOLBAR = 59392;
inline constexpr int AFX_IDW_STATUS_BAR = 59393;
inline constexpr int IDC_PROGRESS = 105;

// Resource id shared by the menu, the accelerators, the toolbar and the document string.
inline constexpr int IDR_MAINFRAME = 128;

// Top-level menu positions the view greys while no picture is shown.
inline constexpr int MENU_POS_EDIT = 1;
inline constexpr int MENU_POS_ZOOM = 3;
inline constexpr int MENU_POS_ROTATION = 4;

// Menu flags accepted by EnableTopMenu.
inline constexpr int MF_ENABLED = 0;
inline constexpr int MF_GRAYED = 1;
inline constexpr int MF_DISABLED = 2;

}  // namespace tavelo
