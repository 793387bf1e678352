#pragma once

#include <QString>

namespace tavelo {

// The string table: status texts, error messages, command prompts and tooltips, under the
// ids the menus, toolbar and status bar use. Texts are the system's own, word for word.
enum StringId : int {
    IDS_DOCUMENT = 128,        // the document string, seven fields separated by line feeds
    IDS_APP_TITLE = 57344,     // "Tavelo", caption of every message box
    IDS_READY = 57345,         // "Ready !"
    IDS_BUSY = 57346,          // "Busy !"
    IDS_INITIALIZING = 57347,  // "The main unit is now initializing." (never shown)
    IDS_NOT_READY = 57348,     // "Not Ready"
};

// The text of a string id, or nullptr when the table has none. Command ids give
// "prompt\ntooltip"; indicator ids give the text that sizes their pane.
const char* LoadString(int id);

// The message of an error code 1..12, without the trailing line feeds; nullptr otherwise.
const char* ErrorText(int code);

// The two halves of a command's string: the fly-by prompt shown in the message pane and
// the tooltip. Empty when the command has no string.
QString CommandPrompt(int id);
QString CommandTip(int id);

// Fixed texts of the application shell.
inline constexpr const char* APP_TITLE = "Tavelo";
inline constexpr const char* SETTINGS_COMPANY = "Noctra";
inline constexpr const char* SETTINGS_APPLICATION = "Tavelo (ZEV)";
inline constexpr const char* SETTINGS_SECTION = "Settings";
// Save refuses a name whose extension names a picture format it does not write; %1 is that
// extension, with its dot.
inline constexpr const char* SAVE_FORMAT_NOT_WRITTEN =
    "Tavelo writes BMP, JPEG and PNG files; \"%1\" is none of them.";
inline constexpr const char* ANOTHER_USER_TEXT = "Another user is using Tavelo.";
inline constexpr const char* ABOUT_CAPTION = "About Tavelo";
inline constexpr const char* ABOUT_PRODUCT = "Tavelo (ZEV)";
inline constexpr const char* ABOUT_VERSION_FORMAT = "Version  %s";
inline constexpr const char* ABOUT_VERSION_DEFAULT = "Version 1.0";

}  // namespace tavelo
