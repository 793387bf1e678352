#pragma once

#include <string>
#include <vector>

#include "Backend.h"
#include "CaptureCommand.h"

namespace tavelo::cli {

// What the command line asks for.
struct Options {
    BackendOptions backend;
    int timeoutMs = PIPE_TIMEOUT_MS;
    std::string command;
    std::string argument;             // the text of send
    bool raw = false;                 // send --raw: the text as given, whatever its shape
    std::string output;               // the file of capture and convert
    std::vector<std::string> inputs;  // the picture files of convert
    CaptureOptions capture;
    bool paperGiven = false;  // else the locale's paper
    bool lookGiven = false;   // which needs --document
    bool allDevices = false;  // devices --all
};

// Reads the command line (without "udev-rule", which reads its own). Returns -1 when the
// tool should go on, else the exit code: 0 after --help or --version, 1 after a usage error,
// which is one line on stderr naming the option, the value and what it must be, or what is
// missing or misplaced.
int ParseArguments(int argc, char** argv, Options& options);

}  // namespace tavelo::cli
