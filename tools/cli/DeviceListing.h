#pragma once

#include "Backend.h"

namespace tavelo::cli {

// `tavelo-cli devices [--all]`: the devices taken for the camera and whether each can be
// used; with `all`, then every attached device, the ones with the camera's interface layout
// marked as candidates (read from their descriptors, nothing sent to them). Returns 0 when
// one can be used, 2 when none can or USB could not be looked at.
int ListDevices(const BackendOptions& backend, bool all);

}  // namespace tavelo::cli
