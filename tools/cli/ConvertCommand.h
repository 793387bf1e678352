#pragma once

#include <string>
#include <vector>

#include "CaptureCommand.h"
#include "CliHost.h"

namespace tavelo::cli {

// `convert`: the picture files `inputs` (BMP, JPEG or PNG), in the order given, written as
// capture writes its pictures (see WritePages); no camera is needed. A file that cannot be
// loaded is named with the reason and ends the run with EXIT_LOAD. Returns the exit code.
int ConvertCommand(const std::vector<std::string>& inputs, CliHost& host,
                   const CaptureOptions& options);

}  // namespace tavelo::cli
