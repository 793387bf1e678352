#include "Arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "ExitCodes.h"
#include "camera/CommandSet.h"
#include "pages/PdfPages.h"
#include "pages/ReaderSetup.h"

namespace tavelo::cli {
namespace {

constexpr char kUsage[] =
    "Usage: tavelo-cli [options] <command>\n"
    "\n"
    "Commands:\n"
    "  status                 print both status groups of the main unit\n"
    "  send [--raw] TEXT      send a five-character command, e.g. \"ZO+  \", and wait for\n"
    "                         its acknowledgement; a text of another shape is refused\n"
    "                         unless --raw is given\n"
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
    "  convert IN... -o FILE  write the picture files IN (BMP, JPEG or PNG) as capture\n"
    "                         writes its pictures: several into one PDF, a page each in\n"
    "                         the order given, or into numbered files as for --count\n"
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
    "  --q-factor 2..255      capture, convert: JPEG Q factor, lower is better (default 15)\n"
    "  --sharpness 0..6       capture: sharpness position, 0 softest, 3 as captured,\n"
    "                         6 sharpest (default 3)\n"
    "  --count N              capture: the number of pictures, 1..100000 (default 1)\n"
    "  --interval SECONDS     capture: the pause from one picture written to the next\n"
    "                         capture, 0..86400, fractions allowed (default 0)\n"
    "  --paper a4|letter      capture, convert into a PDF: its paper (default: the\n"
    "                         locale's)\n"
    "  --document             capture, convert: write the page found in each picture,\n"
    "                         straightened and cleaned; a PDF page takes the size of its\n"
    "                         paper; where no page edge is found the whole picture is kept\n"
    "  --look colour|grey|bw  with --document: the page's look (default grey)\n"
    "  --json                 capture, convert: one JSON object a line for each page\n"
    "                         written: file, page, pages, width, height; with --document\n"
    "                         found, confidence, corners (TL, TR, BR, BL in the picture's\n"
    "                         pixels) and paper; with --ocr words and text_confidence\n"
    "  --ocr LANG[+LANG]      capture, convert: read the pages' text in these installed\n"
    "                         languages (e.g. eng, eng+deu): -o FILE.pdf becomes a\n"
    "                         searchable PDF, -o FILE.txt gets the text alone, the pages\n"
    "                         apart by a form feed\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 not sent (no camera), 3 no reply pipe, 4 refused,\n"
    "5 no answer, 6 unknown picture size, 7 transfer failed, 8 out of memory, 9 not saved,\n"
    "10 a picture could not be loaded.\n";

bool ParseInt(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < low || v > high) {
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

bool ParseLook(std::string_view text, PageLook& look) {
    if (text == "colour" || text == "color") {
        look = PageLook::Colour;
    } else if (text == "grey" || text == "gray") {
        look = PageLook::Grey;
    } else if (text == "bw") {
        look = PageLook::BlackWhite;
    } else {
        return false;
    }
    return true;
}

// Languages as tesseract names them, joined by "+", each one installed.
bool ParseLanguages(const char* text, QString& languages) {
    const QString given = QString::fromLocal8Bit(text);
    const QStringList installed = ReadingLanguages();
    for (const QString& name : given.split(QLatin1Char('+'))) {
        if (!installed.contains(name)) {
            return false;
        }
    }
    languages = given;
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

// An option that takes a value: what the value must be, in words for its error, and the
// commands it belongs to, apart by blanks (nullptr: any).
struct ValueOption {
    std::string_view name;
    const char* must;
    const char* command;
    bool (*parse)(const char* text, Options& o);
};

constexpr char kCaptureConvert[] = "capture convert";

const ValueOption kValueOptions[] = {
    {"--mode", "2 or 3", nullptr,
     [](const char* t, Options& o) { return ParseInt(t, 2, 3, o.backend.mode); }},
    {"--rotation", "a whole number from 0 to 3", nullptr,
     [](const char* t, Options& o) { return ParseInt(t, 0, 3, o.backend.rotation); }},
    {"--scene", "chart or desk", nullptr,
     [](const char* t, Options& o) {
         const std::string_view scene(t);
         o.backend.deskScene = scene == "desk";
         return scene == "chart" || scene == "desk";
     }},
    {"--usb-id", "VID:PID, one to four hex digits each (e.g. 1234:abcd)", nullptr,
     [](const char* t, Options& o) {
         UsbId id;
         if (!ParseUsbId(t, id)) {
             return false;
         }
         o.backend.usbIds.push_back(id);
         return true;
     }},
    {"--timeout", "a whole number of milliseconds from 1 to 600000", nullptr,
     [](const char* t, Options& o) { return ParseInt(t, 1, 600000, o.timeoutMs); }},
    {"--q-factor", "a whole number from 2 to 255", kCaptureConvert,
     [](const char* t, Options& o) { return ParseInt(t, 2, 255, o.capture.qFactor); }},
    {"--sharpness", "a whole number from 0 to 6", "capture",
     [](const char* t, Options& o) {
         return ParseInt(t, 0, kSharpIndexCount - 1, o.capture.sharpIndex);
     }},
    {"--count", "a whole number from 1 to 100000", "capture",
     [](const char* t, Options& o) { return ParseInt(t, 1, 100000, o.capture.count); }},
    {"--interval", "a number of seconds from 0 to 86400", "capture",
     [](const char* t, Options& o) { return ParseSeconds(t, o.capture.intervalSeconds); }},
    {"--paper", "a4 or letter", kCaptureConvert,
     [](const char* t, Options& o) {
         o.paperGiven = true;
         return ParsePaper(t, o.capture.paper);
     }},
    {"--look", "colour, grey or bw", kCaptureConvert,
     [](const char* t, Options& o) {
         o.lookGiven = true;
         return ParseLook(t, o.capture.look);
     }},
    {"--ocr", "an installed language, or several joined by +", kCaptureConvert,
     [](const char* t, Options& o) { return ParseLanguages(t, o.capture.languages); }},
    {"-o", "a file name", kCaptureConvert,
     [](const char* t, Options& o) {
         o.output = t;
         return !o.output.empty();
     }},
};

const ValueOption* FindValueOption(std::string_view name) {
    for (const ValueOption& option : kValueOptions) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

int UsageError(const char* format, auto... values) {
    std::fputs("tavelo-cli: ", stderr);
    std::fprintf(stderr, format, values...);
    std::fputc('\n', stderr);
    return EXIT_USAGE;
}

// An option given that belongs to some commands only.
struct Given {
    const char* name;
    const char* commands;  // apart by blanks
};

bool BelongsTo(const std::string& command, std::string_view commands) {
    for (std::size_t at = 0; at < commands.size();) {
        const std::size_t end = std::min(commands.find(' ', at), commands.size());
        if (commands.substr(at, end - at) == command) {
            return true;
        }
        at = end + 1;
    }
    return false;
}

// "capture and convert" for "capture convert".
std::string InWords(std::string_view commands) {
    std::string words(commands);
    if (const std::size_t blank = words.find(' '); blank != std::string::npos) {
        words.replace(blank, 1, " and ");
    }
    return words;
}

std::string InstalledLanguages() {
    const QStringList installed = ReadingLanguages();
    return installed.isEmpty() ? std::string("none; a tesseract-ocr-LANG package adds one")
                               : installed.join(QStringLiteral(", ")).toStdString();
}

// The checks of capture and convert once the whole line is read.
int CheckPages(Options& o) {
    if (o.command == "convert" && o.inputs.empty()) {
        return UsageError("convert needs the pictures to convert: convert IN... -o FILE");
    }
    if (o.output.empty()) {
        return UsageError("%s needs -o FILE, the file to write", o.command.c_str());
    }
    if (o.lookGiven && !o.capture.document) {
        return UsageError("--look needs --document: the look is that of the page found");
    }
    if (o.command == "convert") {
        o.capture.count = static_cast<int>(o.inputs.size());
    }
    std::string error;
    if (!ParseCaptureTarget(o.output, o.capture.count, !o.capture.languages.isEmpty(),
                            o.capture.target, error)) {
        return UsageError("%s", error.c_str());
    }
    if (!o.paperGiven) {
        o.capture.paper = DefaultPaper();
    }
    return -1;
}

}  // namespace

int ParseArguments(int argc, char** argv, Options& o) {
    std::vector<Given> given;
    bool textGiven = false;  // of send: the first argument after it that is no option
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return EXIT_OK;
        } else if (a == "--version") {
            std::printf("tavelo-cli %s\n", TAVELO_VERSION);
            return EXIT_OK;
        } else if (a == "--simulate") {
            o.backend.simulate = true;
        } else if (a == "--raw") {
            o.raw = true;
            given.push_back({"--raw", "send"});
        } else if (a == "--document" || a == "--json") {
            (a == "--json" ? o.capture.json : o.capture.document) = true;
            given.push_back({a == "--json" ? "--json" : "--document", kCaptureConvert});
        } else if (a == "--all") {
            o.allDevices = true;
            given.push_back({"--all", "devices"});
        } else if (const ValueOption* option = FindValueOption(a)) {
            const char* name = option->name.data();
            if (i + 1 >= argc) {
                return UsageError("%s needs a value: %s", name, option->must);
            }
            if (a == "-o" && !o.output.empty()) {
                return UsageError("-o is given twice; one name is written");
            }
            const char* value = argv[++i];
            if (!option->parse(value, o)) {
                if (a == "--ocr") {
                    return UsageError("--ocr \"%s\" is not %s (installed: %s)", value, option->must,
                                      InstalledLanguages().c_str());
                }
                return UsageError("%s \"%s\" is not %s", name, value, option->must);
            }
            if (option->command != nullptr) {
                given.push_back({name, option->command});
            }
        } else if (o.command.empty() && (a == "status" || a == "send" || a == "capture" ||
                                         a == "convert" || a == "devices")) {
            o.command = a;
        } else if (o.command == "convert" && !a.starts_with("-")) {
            o.inputs.emplace_back(a);
        } else if (o.command == "send" && !textGiven) {
            o.argument = a;
            textGiven = true;
        } else {
            return UsageError("unexpected argument \"%s\" (tavelo-cli --help lists them)", argv[i]);
        }
    }
    if (o.command.empty()) {
        if (argc <= 1) {
            std::fputs(kUsage, stderr);
            return EXIT_USAGE;
        }
        return UsageError(
            "no command given: status, send TEXT, capture -o FILE, convert IN... -o FILE, "
            "devices or udev-rule VID:PID");
    }
    for (const Given& g : given) {
        if (!BelongsTo(o.command, g.commands)) {
            return UsageError("%s belongs to %s, not to %s", g.name, InWords(g.commands).c_str(),
                              o.command.c_str());
        }
    }
    if (o.command == "send" && o.argument.empty()) {
        return UsageError("send needs the TEXT to send, e.g. send \"ZO+  \"");
    }
    // The camera refuses any other text; --raw still sends it, to try what the camera does.
    if (o.command == "send" && !o.raw && !IsCommandShape(o.argument)) {
        return UsageError(
            "\"%s\" is not a camera command: two capital letters, a digit, + or -, and two "
            "blanks, e.g. \"ZO+  \" (send --raw sends any text)",
            o.argument.c_str());
    }
    if (o.command == "capture" || o.command == "convert") {
        return CheckPages(o);
    }
    return -1;
}

}  // namespace tavelo::cli
