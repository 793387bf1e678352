#pragma once

namespace tavelo {

// The string table: status texts, error messages, command prompts and tooltips, under the
// ids the menus, toolbar and status bar use. Texts are the system's own, word for word.
enum StringId : int {
    IDS_READY = 57345,         // "Ready !"
    IDS_BUSY = 57346,          // "Busy !"
    IDS_INITIALIZING = 57347,  // "The main unit is now initializing." (never shown)
    IDS_NOT_READY = 57348,     // "Not Ready"
};

// The text of a string id, or nullptr when the table has none.
const char* LoadString(int id);

// The message of an error code 1..12, without the trailing line feeds; nullptr otherwise.
const char* ErrorText(int code);

}  // namespace tavelo
