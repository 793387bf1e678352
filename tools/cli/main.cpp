// tavelo-cli: status, commands and still capture from the terminal, over the same link code
// as the application.

#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Backend.h"
#include "CliHost.h"
#include "DeviceListing.h"
#include "UdevRule.h"
#include "camera/Capture.h"
#include "camera/CommandSet.h"
#include "device/DeviceLink.h"
#include "device/UsbDiagnostics.h"
#include "picture/CaptureLook.h"
#include "picture/PictureEngine.h"
#include "picture/PictureFiles.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"

using namespace tavelo;

namespace {

// Exit codes, one per way to fail.
enum Exit : int {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_NOT_SENT = 2,        // the command pipe could not be opened: no camera
    EXIT_NO_REPLY_PIPE = 3,   // the reply pipe could not be opened
    EXIT_REFUSED = 4,         // the camera answered NAK
    EXIT_NO_ANSWER = 5,       // no acknowledgement came
    EXIT_UNKNOWN_STATUS = 6,  // a capture mode and rotation with no picture size
    EXIT_TRANSFER = 7,        // the picture did not arrive whole
    EXIT_MEMORY = 8,
    EXIT_SAVE = 9,
};

constexpr char kUsage[] =
    "Usage: tavelo-cli [options] <command>\n"
    "\n"
    "Commands:\n"
    "  status                 print both status groups of the main unit\n"
    "  send TEXT              send a five-character command, e.g. \"ZO+  \", and wait for\n"
    "                         its acknowledgement\n"
    "  capture -o FILE        capture one still picture into FILE: a BMP file when its\n"
    "                         extension is .bmp (in any case), a JPEG file otherwise\n"
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
    "  --usb-id VID:PID       also take this USB device for the camera (repeatable)\n"
    "  --timeout MS           give up on a silent camera after MS milliseconds (default 5000)\n"
    "  --q-factor 2..255      capture: JPEG Q factor, lower is better (default 15)\n"
    "  --sharpness 0..6       capture: sharpness position, 0 softest, 3 as captured,\n"
    "                         6 sharpest (default 3)\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 not sent (no camera), 3 no reply pipe, 4 refused,\n"
    "5 no answer, 6 unknown picture size, 7 transfer failed, 8 out of memory, 9 not saved.\n";

struct Options {
    cli::BackendOptions backend;
    int timeoutMs = PIPE_TIMEOUT_MS;
    std::string command;
    std::string argument;  // the text of send
    std::string output;    // the file of capture
    // Capture only: how the picture is made to look and written, as the application does.
    int qFactor = 15;
    int sharpIndex = kDefaultSharpIndex;
    bool pictureOptions = false;  // --q-factor or --sharpness given
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
        } else if (a == "--usb-id" && hasValue && ParseUsbId(argv[i + 1], id)) {
            o.backend.usbIds.push_back(id);
            ++i;
        } else if (a == "--timeout" && hasValue && ParseInt(argv[i + 1], 1, 600000, o.timeoutMs)) {
            ++i;
        } else if (a == "--q-factor" && hasValue && ParseInt(argv[i + 1], 2, 255, o.qFactor)) {
            o.pictureOptions = true;
            ++i;
        } else if (a == "--sharpness" && hasValue &&
                   ParseInt(argv[i + 1], 0, kSharpIndexCount - 1, o.sharpIndex)) {
            o.pictureOptions = true;
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
    const bool stray = o.command != "capture" && (!o.output.empty() || o.pictureOptions);
    if (o.command.empty() || missing || stray) {
        std::fputs(kUsage, stderr);
        return EXIT_USAGE;
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

// The exit code of each way an exchange with the camera can end.
int ExitCode(LinkResult result) {
    switch (result) {
        case LinkResult::Done:
            return EXIT_OK;
        case LinkResult::NotACommand:
            return EXIT_USAGE;
        case LinkResult::NotSent:
            return EXIT_NOT_SENT;
        case LinkResult::ReplyPipeNotOpened:
            return EXIT_NO_REPLY_PIPE;
        case LinkResult::Refused:
            return EXIT_REFUSED;
        case LinkResult::NoAnswer:
            return EXIT_NO_ANSWER;
        case LinkResult::NoPictureSize:
            return EXIT_UNKNOWN_STATUS;
        case LinkResult::Incomplete:
            return EXIT_TRANSFER;
        case LinkResult::OutOfMemory:
            return EXIT_MEMORY;
    }
    return EXIT_USAGE;
}

int Fail(cli::CliHost& host, LinkResult result) {
    host.Report(result);
    return ExitCode(result);
}

// Both groups in words. A reply that came empty is still printed (every value then reads
// -48, as the panel would take it), and the tool ends with code 5; any other failure ends it
// at once.
int Status(DeviceLink& link, cli::CliHost& host) {
    StatusReply r0, r2;
    const LinkResult first = QueryStatus(link, cmd::QUERY_GROUP0, r0);
    if (first != LinkResult::Done && first != LinkResult::NoAnswer) {
        return Fail(host, first);
    }
    const LinkResult second = QueryStatus(link, cmd::QUERY_GROUP2, r2);
    if (second != LinkResult::Done && second != LinkResult::NoAnswer) {
        return Fail(host, second);
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
    return Fail(host, first != LinkResult::Done ? first : second);
}

int Send(DeviceLink& link, cli::CliHost& host, const std::string& text) {
    const LinkResult result = SendAndConfirm(link, text.c_str());
    if (result == LinkResult::Done) {
        std::printf("acknowledged\n");
    }
    return Fail(host, result);
}

// The bitmap as the application shows it after a capture (the mode-2 resize, the sharpen
// amount of the sharpness position) written as the application saves it: the format by the
// file's extension, the Q factor handed on, through a temporary file renamed over the target.
int WritePicture(const MemoryBlock& bitmap, const Options& o, int mode, int rotation,
                 cli::CliHost& host) {
    PictureEngine picture;
    std::int16_t result = picture.LoadMemory(bitmap, 0, 0, 0);
    if (result == PIC_OK) {
        result = FinishCapturedPicture(picture, mode, rotation, kSharpAmounts[o.sharpIndex]);
    }
    if (result != PIC_OK) {
        host.ReportError(ERR_MEMORY);  // our own bitmap fails only for want of memory
        return EXIT_MEMORY;
    }
    const QString path = QString::fromLocal8Bit(o.output.c_str());
    const int format = SaveFormatOfPath(path);
    if (picture.SaveFile(path, format, picture.Bits(), o.qFactor, 0) != PIC_OK) {
        host.ReportError(ERR_SAVE);
        return EXIT_SAVE;
    }
    std::printf("%s: %d x %d %s\n", o.output.c_str(), picture.Width(), picture.Height(),
                format == PictureEngine::kFormatBmp ? "BMP" : "JPEG");
    return EXIT_OK;
}

// The capture exchange, the flip, the conversion and the file.
int Capture(DeviceLink& link, cli::CliHost& host, const Options& o) {
    CapturedRows captured = CaptureRows(link, host);
    if (captured.result == LinkResult::NoPictureSize) {
        std::fprintf(stderr, "tavelo-cli: no picture size for capture mode %d, rotation %d\n",
                     captured.mode, captured.rotation);
        return EXIT_UNKNOWN_STATUS;
    }
    if (captured.result != LinkResult::Done) {
        return Fail(host, captured.result);
    }
    const int width = captured.width, height = captured.height;
    MemoryBlock raw = FlipRows(captured.rows, width, height, host);
    captured.rows.Free();
    MemoryBlock bitmap = raw ? BuildBitmap(raw, width, height, host) : MemoryBlock();
    if (bitmap.IsNull()) {
        return EXIT_MEMORY;
    }
    return WritePicture(bitmap, o, captured.mode, captured.rotation, host);
}

}  // namespace

int main(int argc, char** argv) {
    // Under a file-size limit a write past it fails instead of killing the tool, which then
    // ends with the save's code like on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    if (argc > 1 && std::string_view(argv[1]) == "udev-rule") {
        return cli::UdevRuleCommand(std::vector<std::string>(argv + 2, argv + argc));
    }
    Options options;
    const int parsed = Parse(argc, argv, options);
    if (parsed >= 0) {
        return parsed;
    }
    if (options.command == "devices") {
        return cli::ListDevices(options.backend, options.allDevices);
    }
    auto backend = cli::MakeBackend(options.backend);
    if (!backend) {
        std::fputs("tavelo-cli: USB cannot be used on this machine, so no camera can be reached\n",
                   stderr);
        return EXIT_NOT_SENT;
    }
    cli::CliHost host(isatty(STDERR_FILENO) != 0);
    DeviceLink link(*backend, options.timeoutMs);
    if (options.command == "status") {
        return Status(link, host);
    }
    if (options.command == "send") {
        return Send(link, host, options.argument);
    }
    return Capture(link, host, options);
}
