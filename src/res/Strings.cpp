#include "res/Strings.h"

#include <iterator>

#include "res/CommandIds.h"

namespace tavelo {
namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kStrings[] = {
    {IDS_DOCUMENT, "Tavelo\n\nTavelo\n\n\nTavelo2.Document\nTavelo Document"},
    {IDS_APP_TITLE, "Tavelo"},
    {IDS_READY, "Ready !"},
    {IDS_BUSY, "Busy !"},
    {IDS_INITIALIZING, "The main unit is now initializing."},
    {IDS_NOT_READY, "Not Ready"},

    // Pane sizing texts of the status bar indicators.
    {ID_INDICATOR_DATE, "5555/55/55"},
    {ID_INDICATOR_TIME, "55:55"},
    {ID_INDICATOR_ZOOM, "5555%"},

    // Commands: fly-by prompt, line feed, tooltip.
    {ID_FILE_NEW, "Create a new document.\nNew"},
    {ID_FILE_OPEN, "Open a BMP or JPEG picture.\nOpen"},
    {ID_FILE_SAVE, "Save the picture as a BMP, JPEG or PNG file.\nSave"},
    {ID_APP_ABOUT, "Show the program's version and legal notice.\nAbout"},
    {ID_APP_EXIT, "Quit the application.\nExit"},
    {ID_CAPTURE, "Capture a new image from the main unit.\nCapture"},
    {ID_JPEG_SETTING, "Choose the quality of saved JPEG files.\nJPEG Setting"},
    {ID_SHARPNESS, "Adjust the sharpness of the picture.\nSharpness"},
    {ID_RC_SHOW, "Show the remote control panel.\nShow the RC"},
    {ID_RC_HIDE, "Hide the remote control panel.\nHide the RC"},
    {ID_RC_TOGGLE, "Show or hide the remote control panel.\nShow/Hide the RC"},
    {ID_ZOOM_IN, "Enlarge the picture.\nZoom in"},
    {ID_ZOOM_OUT, "Reduce the picture.\nZoom out"},
    {ID_BEST_FIT, "Fit the whole picture into the window.\nBest Fit"},
    {ID_ACTUAL_SIZE, "Show the picture at its actual size.\nActual Size"},
    {ID_HIDDEN_MODE, "Switch the hidden mode on or off.\nHidden mode"},
    {ID_ROTATE_LEFT, "Rotate the picture a quarter turn to the left.\nRotate left"},
    {ID_ROTATE_RIGHT, "Rotate the picture a quarter turn to the right.\nRotate right"},
    {ID_CAPTURE_SERIES,
     "Capture a new image and save it as the next page of the series.\n"
     "Capture to Series"},
    {ID_SERIES_SETTING, "Choose the folder, names and format of the series.\nSeries"},
    {ID_EXPORT_PDF, "Export the pages as one PDF document.\nExport PDF"},
    {ID_VIEW_PAGES, "Show or hide the pages of this session.\nPages"},
    {ID_FILE_PRINT, "Print the picture or the pages.\nPrint"},
    {ID_EDIT_COPY, "Copy the picture to the clipboard.\nCopy"},
    {ID_EDIT_UNDO, "Undo the last change to the pages.\nUndo"},
    {ID_EDIT_REDO, "Do again the change to the pages just undone.\nRedo"},
};

constexpr const char* kErrors[] = {
    "The communication setting is not for USB.",
    "USB:Failed to transmit.",
    "USB:Failed to receive.",
    "USB:Failed to capture the image.",
    "USB:Failed to communicate.",
    "USB:Disconnected from the main unit.",
    "Memory size is insufficient for allocation.",
    "Failed to load the image. !",
    "Failed to save the image.",
    "Failed to create the remote control.",
    "Time out (The main unit is now initializing.)",
    "The RGB output setting is not XGA output",
};

QString CommandPart(int id, int part) {
    const char* text = LoadString(id);
    if (text == nullptr) {
        return {};
    }
    return QString::fromLatin1(text).section(QLatin1Char('\n'), part, part);
}

}  // namespace

const char* LoadString(int id) {
    for (const Entry& e : kStrings) {
        if (e.id == id) {
            return e.text;
        }
    }
    return nullptr;
}

const char* ErrorText(int code) {
    if (code < 1 || code > static_cast<int>(std::size(kErrors))) {
        return nullptr;
    }
    return kErrors[code - 1];
}

QString CommandPrompt(int id) {
    return CommandPart(id, 0);
}

QString CommandTip(int id) {
    return CommandPart(id, 1);
}

}  // namespace tavelo
