// Starts one program under the current X display and measures it, for bench/run:
//   startup_ms  from just before the process is spawned to the X server's MapNotify of its
//               514 x 260 top-level window, as seen by a client listening on the root window;
//   join_ms     with --click X Y: from just before a synthetic left click (XTest) at X, Y in
//               the window to the moment the stand-in wine started (the monotonic time it
//               wrote to $ZERLIN_BENCH_STAMP);
//   rss_kb      the program's peak resident memory (VmHWM) just before it is ended.
// Prints them as one line of "name=value" words; exits non-zero when anything fails.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, as the stand-in wine uses

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

long peakResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Waits for the next X event, at most until the deadline.
bool nextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (XPending(display) == 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    XNextEvent(display, &event);
    return true;
}

std::optional<long long> readStamp(const char* path) {
    std::ifstream file(path);
    long long nanoseconds = 0;
    if (file >> nanoseconds) {
        return nanoseconds;
    }
    return std::nullopt;
}

int usage() {
    std::fprintf(stderr, "usage: probe [--click X Y] -- program [arguments...]\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::optional<std::pair<int, int>> click;
    int first = 1;
    for (; first < argc && std::strcmp(argv[first], "--") != 0; ++first) {
        if (std::strcmp(argv[first], "--click") == 0 && first + 2 < argc) {
            click = std::pair{std::atoi(argv[first + 1]), std::atoi(argv[first + 2])};
            first += 2;
        } else {
            return usage();
        }
    }
    if (first + 1 >= argc) {
        return usage();
    }
    char** command = argv + first + 1;
    const char* stamp = std::getenv("ZERLIN_BENCH_STAMP");
    if (click && stamp == nullptr) {
        std::fprintf(stderr, "probe: --click needs ZERLIN_BENCH_STAMP\n");
        return 2;
    }

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "probe: no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    // Every top-level window's map is reported to this client as it happens in the server.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point started = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, command[0], nullptr, nullptr, command, environ) != 0) {
        std::fprintf(stderr, "probe: %s couldn't be started\n", command[0]);
        return 1;
    }

    int failed = 0;
    std::optional<Clock::time_point> mapped;
    Window window = 0;
    const auto deadline = started + std::chrono::seconds(20);
    XEvent event;
    while (!mapped && nextEvent(display, event, deadline)) {
        if (event.type != MapNotify) {
            continue;
        }
        const Clock::time_point at = Clock::now();
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, event.xmap.window, &attributes) != 0 &&
            attributes.width == 514 && attributes.height == 260) {
            mapped = at;
            window = event.xmap.window;
        }
    }
    if (!mapped) {
        std::fprintf(stderr, "probe: no 514 x 260 window was mapped\n");
        failed = 1;
    }

    // Let the first paint and any start-up work finish, as a person would before clicking.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));

    std::optional<double> join;
    if (mapped && click) {
        unlink(stamp);
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, root, click->first, click->second, &x, &y, &child);
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Clock::time_point clicked = Clock::now();
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
        const auto stampDeadline = clicked + std::chrono::seconds(10);
        while (!join && Clock::now() < stampDeadline) {
            if (const auto ns = readStamp(stamp)) {
                const Clock::time_point wineStarted{std::chrono::nanoseconds(*ns)};
                join = millisecondsBetween(clicked, wineStarted);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        if (!join) {
            std::fprintf(stderr, "probe: the stand-in wine never started\n");
            failed = 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    const long rss = peakResidentKb(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    XCloseDisplay(display);

    if (!failed) {
        std::printf("startup_ms=%.2f rss_kb=%ld", millisecondsBetween(started, *mapped), rss);
        if (join) {
            std::printf(" join_ms=%.2f", *join);
        }
        std::printf("\n");
    }
    return failed;
}
