#include "UdevRule.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tavelo::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitNotInstalled = 9;

constexpr char kUsage[] =
    "Usage: tavelo-cli udev-rule VID:PID [--install [--rules-dir DIR]]\n"
    "  prints a udev rules file that takes the USB device with these ids for the camera\n"
    "  and lets the desktop user open it; --install writes it into DIR (default\n"
    "  /etc/udev/rules.d) as root, through pkexec or sudo, and reloads udev\n";

void Replace(std::string& text, std::string_view placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

// The first executable called `name` in the folders of `path`, as a shell would find it.
std::string FindProgram(const std::string& path, const char* name) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string folder = path.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

// pkexec asks through the desktop's own dialog, so it comes first in a graphical session;
// on a terminal sudo asks on the terminal.
std::string ChooseElevation(const std::string& path, bool graphical) {
    const char* order[2] = {"sudo", "pkexec"};
    if (graphical) {
        std::swap(order[0], order[1]);
    }
    for (const char* name : order) {
        std::string found = FindProgram(path, name);
        if (!found.empty()) {
            return found;
        }
    }
    return {};
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Runs the program with `input` on its standard input; its exit code, 127 when it could not
// be started, 128 + the signal when one ended it.
int RunWithInput(const std::vector<std::string>& command, const std::string& input) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return 127;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return 127;
    }
    if (child == 0) {
        ::dup2(pipeEnds[0], STDIN_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(pipeEnds[0]);
    // A program that ends without reading (authentication refused) must not end us.
    ::signal(SIGPIPE, SIG_IGN);
    std::size_t written = 0;
    while (written < input.size()) {
        const ssize_t n = ::write(pipeEnds[1], input.data() + written, input.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    ::close(pipeEnds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return 127;
        }
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// What runs as root: the rules from standard input into a temporary file renamed into place
// (udev never reads half a file), then udev reloaded and the rules applied to what is
// plugged in. Its own exit codes: 2 not written, 3 written but udev not reloaded.
constexpr char kInstallScript[] =
    "umask 022\n"
    "mkdir -p \"$1\" && cat > \"$1/.$2.new\" && mv -f \"$1/.$2.new\" \"$1/$2\" || "
    "{ rm -f \"$1/.$2.new\"; exit 2; }\n"
    "udevadm control --reload-rules && "
    "udevadm trigger --subsystem-match=usb --action=change || exit 3\n";

int Install(const UsbId& id, const std::string& folder) {
    const char* path = std::getenv("PATH");
    const std::string elevation =
        ChooseElevation(path != nullptr ? path : "", IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"));
    std::vector<std::string> command;
    if (!elevation.empty()) {
        command.push_back(elevation);
    } else if (::geteuid() != 0) {
        std::fputs(
            "tavelo-cli: neither pkexec nor sudo is installed; run this as root, or save the "
            "printed rules into /etc/udev/rules.d yourself\n",
            stderr);
        return kExitNotInstalled;
    }
    const std::string name = UdevRuleFileName(id);
    const std::string target = folder + "/" + name;
    command.insert(command.end(), {"/bin/sh", "-c", kInstallScript, "sh", folder, name});
    const int result = RunWithInput(command, UdevRuleText(id));
    if (result == 0) {
        std::printf("installed %s and reloaded udev; the camera %s can be used now\n",
                    target.c_str(), FormatUsbId(id).c_str());
        return kExitOk;
    }
    if (result == 3) {
        std::fprintf(stderr,
                     "tavelo-cli: installed %s, but udev could not be reloaded; plug the "
                     "camera in again, or restart the computer\n",
                     target.c_str());
    } else {
        const std::string how = elevation.empty() ? "/bin/sh" : elevation;
        std::fprintf(stderr, "tavelo-cli: %s was not installed (%s ended with %d)\n",
                     target.c_str(), how.c_str(), result);
    }
    return kExitNotInstalled;
}

}  // namespace

std::string UdevRuleText(const UsbId& id) {
    const std::string ids = FormatUsbId(id);
    std::string text = kUdevRuleTemplate;
    Replace(text, "@TAVELO_RULES_NOTE@",
            "# The camera with the ids " + ids + ", as `tavelo-cli udev-rule " + ids +
                "` writes it.\n# `tavelo-cli udev-rule " + ids + " --install` puts it into " +
                kSystemRulesDir + " and reloads udev.");
    Replace(text, "@TAVELO_RULES_VENDOR@", Hex4(id.vendor));
    Replace(text, "@TAVELO_RULES_PRODUCT@", Hex4(id.product));
    return text;
}

std::string UdevRuleFileName(const UsbId& id) {
    return "70-tavelo-camera-" + Hex4(id.vendor) + "-" + Hex4(id.product) + ".rules";
}

int UdevRuleCommand(const std::vector<std::string>& arguments) {
    UsbId id;
    bool haveId = false;
    bool install = false;
    std::string folder = kSystemRulesDir;
    bool folderGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--install") {
            install = true;
        } else if (a == "--rules-dir" && i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                   arguments[i + 1][0] == '/') {
            folder = arguments[++i];
            folderGiven = true;
        } else if (!haveId && ParseUsbId(a, id)) {
            haveId = true;
        } else {
            std::fprintf(stderr, "tavelo-cli: unexpected argument \"%s\"\n%s", a.c_str(), kUsage);
            return kExitUsage;
        }
    }
    if (!haveId || (folderGiven && !install)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (!install) {
        std::fputs(UdevRuleText(id).c_str(), stdout);
        return kExitOk;
    }
    return Install(id, folder);
}

}  // namespace tavelo::cli
