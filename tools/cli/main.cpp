// tavelo-cli: status, commands and still capture from the terminal, over the same link code
// as the application.

#include <signal.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Arguments.h"
#include "Backend.h"
#include "CaptureCommand.h"
#include "CaptureTarget.h"
#include "CliHost.h"
#include "ConvertCommand.h"
#include "DeviceListing.h"
#include "ExitCodes.h"
#include "UdevRule.h"
#include "camera/CommandSet.h"
#include "device/DeviceLink.h"
#include "device/UsbDiagnostics.h"
#include "pages/PdfPages.h"
#include "picture/CaptureLook.h"
#include "res/Strings.h"

using namespace tavelo;
using namespace tavelo::cli;

namespace {

const char* Word(int value, std::initializer_list<const char*> words) {
    if (value < 0 || value >= static_cast<int>(words.size())) {
        return nullptr;
    }
    return words.begin()[value];
}

void PrintState(const char* name, int value, std::initializer_list<const char*> words) {
    const char* word = Word(value, words);
    if (word != nullptr) {
        std::printf("  %-22s %s\n", name, word);
    } else {
        std::printf("  %-22s unknown (%d)\n", name, value);
    }
}

// Both groups in words. A reply that came empty is still printed (every value then reads
// -48, as the panel would take it), and the tool ends with code 5; any other failure ends it
// at once.
int Status(DeviceLink& link, CliHost& host) {
    StatusReply r0, r2;
    const LinkResult first = QueryStatus(link, cmd::QUERY_GROUP0, r0);
    if (first != LinkResult::Done && first != LinkResult::NoAnswer) {
        return host.Fail(first);
    }
    const LinkResult second = QueryStatus(link, cmd::QUERY_GROUP2, r2);
    if (second != LinkResult::Done && second != LinkResult::NoAnswer) {
        return host.Fail(second);
    }
    const StatusGroup0 g0 = DecodeGroup0(r0);
    const StatusGroup2 g2 = DecodeGroup2(r2);
    std::printf("Status group 0\n");
    PrintState("lamp", g0.lamp, {"off", "base lamp", "upper lamp"});
    PrintState("video source", g0.videoSource, {"MAIN", "RGB1", "RGB2"});
    PrintState("positive/negative", g0.negative, {"positive", "negative"});
    PrintState("colour", g0.blackWhite, {"colour", "black and white"});
    PrintState("pointer", g0.pointer, {"off", "on"});
    PrintState("2x magnification", g0.magnify, {"off", "on"});
    PrintState("pause", g0.pause, {"off", "on"});
    PrintState("lock", g0.lock, {"off", "on"});
    std::printf("Status group 2\n");
    PrintState("capture mode", g2.captureMode, {nullptr, nullptr, "2", "3"});
    PrintState("gamma", g2.gamma, {"1.0", "0.9", "0.8", "0.7", "0.6", "0.5", "0.4", "0.3"});
    PrintState("camera rotation", g2.rotation, {"0", "90", "180", "270"});
    PrintState("aperture", g2.aperture, {"off", "on"});
    PrintState("contrast", g2.contrast, {"off", "on"});
    return host.Fail(first != LinkResult::Done ? first : second);
}

int Send(DeviceLink& link, CliHost& host, const std::string& text) {
    const LinkResult result = SendAndConfirm(link, text.c_str());
    if (result == LinkResult::Done) {
        std::printf("acknowledged\n");
    }
    return host.Fail(result);
}

}  // namespace

int main(int argc, char** argv) {
    // Under a file-size limit a write past it fails instead of killing the tool, which then
    // ends with the save's code like on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    if (argc > 1 && std::string_view(argv[1]) == "udev-rule") {
        return UdevRuleCommand(std::vector<std::string>(argv + 2, argv + argc));
    }
    Options options;
    const int parsed = ParseArguments(argc, argv, options);
    if (parsed >= 0) {
        return parsed;
    }
    if (options.command == "devices") {
        return ListDevices(options.backend, options.allDevices);
    }
    // The desk scenes set text, which needs the window system's fonts: the one without a
    // display will do.
    std::unique_ptr<QCoreApplication> application;
    if (options.backend.simulate && options.backend.deskScene && options.command == "capture") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else if (!options.capture.languages.isEmpty()) {
        // The reading workers are processes, watched through an event loop.
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (options.command == "convert") {
        CliHost host(false);
        return ConvertCommand(options.inputs, host, options.capture);
    }
    auto backend = MakeBackend(options.backend);
    if (!backend) {
        std::fputs("tavelo-cli: USB cannot be used on this machine, so no camera can be reached\n",
                   stderr);
        return EXIT_NOT_SENT;
    }
    CliHost host(isatty(STDERR_FILENO) != 0);
    if (!options.backend.simulate) {
        host.SetNoCameraHint([&options] { return NoCameraHintFor(options.backend); });
    }
    DeviceLink link(*backend, options.timeoutMs);
    if (options.command == "status") {
        return Status(link, host);
    }
    if (options.command == "send") {
        return Send(link, host, options.argument);
    }
    return CaptureCommand(link, host, options.capture);
}
