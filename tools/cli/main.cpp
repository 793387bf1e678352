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

#include "Backend.h"
#include "CaptureCommand.h"
#include "CaptureTarget.h"
#include "CliHost.h"
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

constexpr char kUsage[] =
    "Usage: tavelo-cli [options] <command>\n"
    "\n"
    "Commands:\n"
    "  status                 print both status groups of the main unit\n"
    "  send TEXT              send a five-character command, e.g. \"ZO+  \", and wait for\n"
    "                         its acknowledgement\n"
    "  capture -o FILE        capture one still picture into FILE, in the format of its\n"
    "                         extension: .bmp (any case) BMP, .jpg, .jpeg or none JPEG,\n"
    "                         .png PNG, .pdf PDF; any other extension is refused\n"
    "  capture --count N [--interval SECONDS] -o PATTERN\n"
    "                         capture N pictures, each into a new file named by PATTERN:\n"
    "                         {n} the number, {n:0W} padded to W digits, {date}, {time};\n"
    "                         the number goes on after the highest one in the folder and\n"
    "                         no file is replaced; a name without {n} gets -{n} before its\n"
    "                         extension (page.jpg: page-1.jpg, ...), one without an\n"
    "                         extension gets .jpg; -o FILE.pdf writes one PDF of them all\n"
    "  devices [--all]        list the USB devices taken for the camera and whether each\n"
    "                         can be used (exit 2 when none can); --all then lists every\n"
    "                         attached device, marking those with the camera's interface\n"
    "  udev-rule VID:PID [--install [--rules-dir DIR]]\n"
    "                         print the udev rules that take this device for the camera;\n"
    "                         --install writes them through pkexec or sudo and reloads udev\n"
    "\n"
    "Options:\n"
    "  --simulate             use the simulated camera instead of the one on USB\n"
    "  --mode 2|3             the simulated camera's capture mode (default 3)\n"
    "  --rotation 0..3        the simulated camera's rotation (default 0)\n"
    "  --scene chart|desk     what the simulated camera shows: its chart page (default) or\n"
    "                         pages of a sample document lying on a desk, the next one at\n"
    "                         each capture\n"
    "  --usb-id VID:PID       also take this USB device for the camera (repeatable)\n"
    "  --timeout MS           give up on a silent camera after MS milliseconds (default 5000)\n"
    "  --q-factor 2..255      capture: JPEG Q factor, lower is better (default 15)\n"
    "  --sharpness 0..6       capture: sharpness position, 0 softest, 3 as captured,\n"
    "                         6 sharpest (default 3)\n"
    "  --count N              capture: the number of pictures, 1..100000 (default 1)\n"
    "  --interval SECONDS     capture: the pause from one picture written to the next\n"
    "                         capture, 0..86400, fractions allowed (default 0)\n"
    "  --paper a4|letter      capture into a PDF: its paper (default: the locale's)\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 not sent (no camera), 3 no reply pipe, 4 refused,\n"
    "5 no answer, 6 unknown picture size, 7 transfer failed, 8 out of memory, 9 not saved.\n";

struct Options {
    BackendOptions backend;
    int timeoutMs = PIPE_TIMEOUT_MS;
    std::string command;
    std::string argument;  // the text of send
    std::string output;    // the file of capture
    CaptureOptions capture;
    bool captureOptions = false;  // an option of capture alone given
    bool paperGiven = false;      // else the locale's paper
    bool allDevices = false;      // devices --all
};

bool ParseInt(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool ParseSeconds(const char* text, double& value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || v < 0 || v > 86400) {
        return false;
    }
    value = v;
    return true;
}

bool ParsePaper(std::string_view text, QPageSize::PageSizeId& paper) {
    if (text == "a4" || text == "A4") {
        paper = QPageSize::A4;
    } else if (text == "letter" || text == "Letter") {
        paper = QPageSize::Letter;
    } else {
        return false;
    }
    return true;
}

// Returns -1 when the tool should go on, else the exit code.
int Parse(int argc, char** argv, Options& o) {
    UsbId id;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return EXIT_OK;
        } else if (a == "--version") {
            std::printf("tavelo-cli %s\n", TAVELO_VERSION);
            return EXIT_OK;
        } else if (a == "--simulate") {
            o.backend.simulate = true;
        } else if (a == "--mode" && hasValue && ParseInt(argv[i + 1], 2, 3, o.backend.mode)) {
            ++i;
        } else if (a == "--rotation" && hasValue &&
                   ParseInt(argv[i + 1], 0, 3, o.backend.rotation)) {
            ++i;
        } else if (a == "--scene" && hasValue &&
                   (std::string_view(argv[i + 1]) == "chart" ||
                    std::string_view(argv[i + 1]) == "desk")) {
            o.backend.deskScene = std::string_view(argv[++i]) == "desk";
        } else if (a == "--usb-id" && hasValue && ParseUsbId(argv[i + 1], id)) {
            o.backend.usbIds.push_back(id);
            ++i;
        } else if (a == "--timeout" && hasValue && ParseInt(argv[i + 1], 1, 600000, o.timeoutMs)) {
            ++i;
        } else if (a == "--q-factor" && hasValue &&
                   ParseInt(argv[i + 1], 2, 255, o.capture.qFactor)) {
            o.captureOptions = true;
            ++i;
        } else if (a == "--sharpness" && hasValue &&
                   ParseInt(argv[i + 1], 0, kSharpIndexCount - 1, o.capture.sharpIndex)) {
            o.captureOptions = true;
            ++i;
        } else if (a == "--count" && hasValue &&
                   ParseInt(argv[i + 1], 1, 100000, o.capture.count)) {
            o.captureOptions = true;
            ++i;
        } else if (a == "--interval" && hasValue &&
                   ParseSeconds(argv[i + 1], o.capture.intervalSeconds)) {
            o.captureOptions = true;
            ++i;
        } else if (a == "--paper" && hasValue && ParsePaper(argv[i + 1], o.capture.paper)) {
            o.captureOptions = o.paperGiven = true;
            ++i;
        } else if (a == "--all" && o.command == "devices") {
            o.allDevices = true;
        } else if (a == "-o" && hasValue && o.output.empty()) {
            o.output = argv[++i];
        } else if (o.command.empty() &&
                   (a == "status" || a == "send" || a == "capture" || a == "devices")) {
            o.command = a;
            if (a == "send" && hasValue) {
                o.argument = argv[++i];
            }
        } else {
            std::fprintf(stderr, "tavelo-cli: unexpected argument \"%s\"\n%s", argv[i], kUsage);
            return EXIT_USAGE;
        }
    }
    const bool missing =
        (o.command == "send" && o.argument.empty()) || (o.command == "capture" && o.output.empty());
    const bool stray = o.command != "capture" && (!o.output.empty() || o.captureOptions);
    if (o.command.empty() || missing || stray) {
        std::fputs(kUsage, stderr);
        return EXIT_USAGE;
    }
    if (o.command == "capture") {
        std::string error;
        if (!ParseCaptureTarget(o.output, o.capture.count, o.capture.target, error)) {
            std::fprintf(stderr, "tavelo-cli: %s\n", error.c_str());
            return EXIT_USAGE;
        }
        if (!o.paperGiven) {
            o.capture.paper = DefaultPaper();
        }
    }
    return -1;
}

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
    const int parsed = Parse(argc, argv, options);
    if (parsed >= 0) {
        return parsed;
    }
    if (options.command == "devices") {
        return ListDevices(options.backend, options.allDevices);
    }
    // The desk scenes set text, which needs the window system's fonts: the one without a
    // display will do.
    std::unique_ptr<QGuiApplication> fonts;
    if (options.backend.simulate && options.backend.deskScene) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fonts = std::make_unique<QGuiApplication>(argc, argv);
    }
    auto backend = MakeBackend(options.backend);
    if (!backend) {
        std::fputs("tavelo-cli: USB cannot be used on this machine, so no camera can be reached\n",
                   stderr);
        return EXIT_NOT_SENT;
    }
    CliHost host(isatty(STDERR_FILENO) != 0);
    DeviceLink link(*backend, options.timeoutMs);
    if (options.command == "status") {
        return Status(link, host);
    }
    if (options.command == "send") {
        return Send(link, host, options.argument);
    }
    return CaptureCommand(link, host, options.capture);
}
