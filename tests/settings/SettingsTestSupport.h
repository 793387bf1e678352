#pragma once

// The frame and the view over a simulated camera, with every message box and file dialog
// answered by the test.

#include "settings/ModalDriver.h"
#include "support/ViewApp.h"

namespace tavelo::test {

using SettingsApp = ViewApp;

}  // namespace tavelo::test
