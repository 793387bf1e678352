#pragma once

#include <string>

#include "Backend.h"

namespace tavelo::cli {

// `tavelo-cli devices [--all]`: the devices taken for the camera and whether each can be
// used; with `all`, then every attached device, the ones with the camera's interface layout
// marked as candidates (read from their descriptors, nothing sent to them). Returns 0 when
// one can be used, 2 when none can or USB could not be looked at.
int ListDevices(const BackendOptions& backend, bool all);

// Why no camera on USB could be reached, in the words `devices` uses, for the line of a
// command that could not be sent; empty when a device can be used after all.
std::string NoCameraHintFor(const BackendOptions& backend);

}  // namespace tavelo::cli
