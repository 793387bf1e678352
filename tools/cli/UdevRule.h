#pragma once

#include <string>
#include <vector>

#include "device/UsbBackend.h"

namespace tavelo::cli {

// The rules file's text with its placeholders: @TAVELO_RULES_NOTE@ (comment lines),
// @TAVELO_RULES_VENDOR@ and @TAVELO_RULES_PRODUCT@.
extern const char* const kUdevRuleTemplate;

// The system's folder for the administrator's own udev rules.
inline constexpr const char* kSystemRulesDir = "/etc/udev/rules.d";

// A complete rules file that takes the device with this id for the camera.
std::string UdevRuleText(const UsbId& id);
// "70-tavelo-camera-1234-abcd.rules": one file per id, read before the seat rules apply
// the "uaccess" tag.
std::string UdevRuleFileName(const UsbId& id);

// `tavelo-cli udev-rule VID:PID [--install [--rules-dir DIR]]` with its arguments after the
// command word; returns the exit code (0 done, 1 usage, 9 not installed).
int UdevRuleCommand(const std::vector<std::string>& arguments);

}  // namespace tavelo::cli
