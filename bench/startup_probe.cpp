// SPDX-License-Identifier: MIT
// startup_probe: times a program's start from outside it, so a Qt window and anything
// else are measured the same way, with nothing added to the program measured.
//
//   startup_probe window [--timeout S] [--settle MS] -- PROGRAM [ARGS...]
//     Starts PROGRAM on $DISPLAY and waits for its first top-level window to be mapped
//     and then first drawn into. Prints
//       map_ms=… paint_ms=… cpu_ms=… peak_kb=…
//     where the times run from just before the process is created, paint_ms is -1 when
//     the window was mapped but nothing was drawn within a second, cpu_ms is the processor
//     time all of PROGRAM's threads had used when the window was mapped (wall-clock
//     times grow with the machine's load, this much less), and peak_kb is the
//     process's peak resident memory (VmHWM) read MS milliseconds after the paint
//     (default 200), so the first frame's allocations are in it. Then ends PROGRAM.
//
//   startup_probe exit -- PROGRAM [ARGS...]
//     Runs PROGRAM to its end and prints
//       exit_ms=… peak_kb=…
//     Fails when PROGRAM does not exit with status 0.
//
// PROGRAM's standard output and error go to /dev/null. Exit status 0 with the line
// printed, 1 when no figure could be taken (the reason on standard error), 2 usage.
//
// Mapping is seen as a MapNotify on the root window (SubstructureNotify), matched to the
// child by _NET_WM_PID. Drawing is seen through the DAMAGE extension: a damage object is
// put on each top-level window as soon as it is created, before it can be mapped, so a
// program that paints right after mapping cannot slip in before the probe looks.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int usage() {
    std::fputs(
        "usage: startup_probe window [--timeout S] [--settle MS] -- PROGRAM [ARGS...]\n"
        "       startup_probe exit -- PROGRAM [ARGS...]\n",
        stderr);
    return kExitUsage;
}

// Starts PROGRAM with its output discarded; the probe's own output is the figures.
std::optional<pid_t> spawn(const std::vector<char*>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "startup_probe: cannot start %s: %s\n", argv[0], std::strerror(error));
        return std::nullopt;
    }
    return pid;
}

std::string describeStatus(int status) {
    if (WIFEXITED(status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return std::string("was killed by signal ") + strsignal(WTERMSIG(status));
    }
    return "stopped";
}

int runToExit(const std::vector<char*>& argv) {
    const auto start = Clock::now();
    const auto pid = spawn(argv);
    if (!pid) {
        return kExitFailed;
    }
    int status = 0;
    rusage resources{};
    while (wait4(*pid, &status, 0, &resources) < 0) {
        if (errno != EINTR) {
            std::perror("startup_probe: wait4");
            return kExitFailed;
        }
    }
    const double elapsed = millisecondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "startup_probe: %s %s\n", argv[0], describeStatus(status).c_str());
        return kExitFailed;
    }
    std::printf("exit_ms=%.3f peak_kb=%ld\n", elapsed, resources.ru_maxrss);
    return kExitOk;
}

// A top-level window can be gone by the time the probe asks about it; that is not a
// reason to stop, as Xlib's default handler would.
int ignoreXError(Display* /*display*/, XErrorEvent* /*error*/) {
    return 0;
}

std::optional<long> windowPid(Display* display, Window window, Atom netWmPid) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int result = XGetWindowProperty(display, window, netWmPid, 0, 1, False, XA_CARDINAL,
                                          &type, &format, &count, &remaining, &data);
    std::optional<long> pid;
    if (result == Success && data != nullptr && type == XA_CARDINAL && format == 32 && count == 1) {
        // Xlib hands 32-bit properties over as longs.
        pid = *reinterpret_cast<const long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return pid;
}

std::optional<long> peakResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            try {
                return std::stol(line.substr(6));
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

// Processor time used so far by every live thread of the process, from the scheduler's
// own accounting (nanoseconds, unlike the clock ticks of /proc/PID/stat).
std::optional<double> cpuMilliseconds(pid_t pid) {
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    if (error) {
        return std::nullopt;
    }
    double nanoseconds = 0;
    for (const auto& task : tasks) {
        std::ifstream schedstat(task.path() / "schedstat");
        double onCpu = 0;
        if (schedstat >> onCpu) {
            nanoseconds += onCpu;
        }
    }
    return nanoseconds / 1e6;
}

void endChild(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

struct WindowOptions {
    double timeoutSeconds = 30;
    int settleMs = 200;
};

int measureWindow(const std::vector<char*>& argv, const WindowOptions& options) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fputs("startup_probe: cannot open the X display ($DISPLAY)\n", stderr);
        return kExitFailed;
    }
    XSetErrorHandler(ignoreXError);
    int damageEvent = 0;
    int damageError = 0;
    const bool haveDamage = XDamageQueryExtension(display, &damageEvent, &damageError) != 0;
    if (!haveDamage) {
        std::fputs("startup_probe: the X server has no DAMAGE extension; paint_ms will be -1\n",
                   stderr);
    }
    const Window root = DefaultRootWindow(display);
    const Atom netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    // Listen before the child exists, so none of its windows can be missed.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = Clock::now();
    const auto pid = spawn(argv);
    if (!pid) {
        XCloseDisplay(display);
        return kExitFailed;
    }

    std::optional<double> mapMs;
    std::optional<double> paintMs;
    std::optional<double> cpuMs;
    Window shown = None;
    std::string failure;
    const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
    std::optional<Clock::time_point> paintDeadline;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};

    while (!paintMs) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && haveDamage) {
                XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
            } else if (event.type == MapNotify && !mapMs && event.xmap.override_redirect == False) {
                const double at = millisecondsSince(start);
                const auto owner = windowPid(display, event.xmap.window, netWmPid);
                if (!owner || *owner == *pid) {
                    mapMs = at;
                    cpuMs = cpuMilliseconds(*pid);
                    shown = event.xmap.window;
                    paintDeadline = Clock::now() + std::chrono::seconds(1);
                }
            } else if (haveDamage && event.type == damageEvent + XDamageNotify) {
                const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
                if (mapMs && damage.drawable == shown) {
                    paintMs = millisecondsSince(start);
                }
            }
        }
        if (paintMs) {
            break;
        }
        if (paintDeadline && Clock::now() > *paintDeadline) {
            break;
        }
        int status = 0;
        if (waitpid(*pid, &status, WNOHANG) == *pid) {
            failure = std::string(argv[0]) + " " + describeStatus(status) +
                      (mapMs ? " right after showing its window" : " before showing a window");
            break;
        }
        if (Clock::now() > deadline) {
            failure = std::string(argv[0]) + " showed no window within the time allowed";
            break;
        }
        // Events wake the poll at once; the timeout only bounds how late a child's exit is seen.
        poll(&connection, 1, 5);
    }

    std::optional<long> peakKb;
    if (failure.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(options.settleMs));
        peakKb = peakResidentKb(*pid);
        if (!peakKb) {
            failure = "cannot read the peak resident memory of " + std::string(argv[0]);
        }
        endChild(*pid);
    }
    XCloseDisplay(display);
    if (!failure.empty()) {
        std::fprintf(stderr, "startup_probe: %s\n", failure.c_str());
        return kExitFailed;
    }
    std::printf("map_ms=%.3f paint_ms=%.3f cpu_ms=%.3f peak_kb=%ld\n", *mapMs,
                paintMs ? *paintMs : -1.0, cpuMs ? *cpuMs : -1.0, *peakKb);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string_view mode = argv[1];
    WindowOptions options;
    int index = 2;
    try {
        for (; index < argc && std::string_view(argv[index]) != "--"; ++index) {
            const std::string_view option = argv[index];
            if (index + 1 >= argc) {
                return usage();
            }
            if (option == "--timeout") {
                options.timeoutSeconds = std::stod(argv[++index]);
            } else if (option == "--settle") {
                options.settleMs = std::stoi(argv[++index]);
            } else {
                return usage();
            }
        }
    } catch (const std::exception&) {
        return usage();
    }
    if (index + 1 >= argc || options.timeoutSeconds <= 0 || options.settleMs < 0) {
        return usage();
    }
    std::vector<char*> program(argv + index + 1, argv + argc);
    program.push_back(nullptr);

    if (mode == "exit") {
        return runToExit(program);
    }
    if (mode == "window") {
        return measureWindow(program, options);
    }
    return usage();
}
