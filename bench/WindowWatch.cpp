// Runs a program under the current X display and measures it from outside, as a user
// would see it: when its first window whose title holds a given text is mapped, when it
// has a given number of windows mapped, its resident memory once it has settled, and
// optionally how long it takes to go after a click, or how much it grows while typing.
//
//   bench_window_watch [--main TEXT] [--windows N] [--settle MS] [--timeout S]
//                      [--click-main X,Y] [--type CHARS --until-file PATH]
//                      -- PROGRAM [ARGS...]
//
// Prints "key value" lines: main_ms, all_ms, hwm_kb, rss_kb, shm_kb (the part of the
// resident memory shared with the X server: window pixels), then typed_rss_kb and
// typed_hwm_kb (--type) or exit_ms (--click-main). Times count from just before the fork.
// Without a window manager every top-level window is a child of the root window, so the
// root's MapNotify events show each window the moment the server maps it.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long statusKb(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

long windowPid(Display *display, Window window, Atom pidAtom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && count == 1 && format == 32)
        pid = static_cast<long>(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

std::string windowName(Display *display, Window window)
{
    char *name = nullptr;
    std::string result;
    if (XFetchName(display, window, &name) && name)
        result = name;
    if (name)
        XFree(name);
    return result;
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0; // windows may be gone by the time their properties are asked for
}

void usage()
{
    std::fprintf(stderr, "usage: bench_window_watch [--main TEXT] [--windows N] [--settle MS] "
                         "[--timeout S] [--click-main X,Y] [--type CHARS --until-file PATH] "
                         "-- PROGRAM [ARGS...]\n");
    std::exit(2);
}

void run(const std::string &command)
{
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    std::string mainText = " - ";
    size_t windows = 1;
    int settleMs = 1000;
    int timeoutS = 120;
    int clickX = -1;
    int clickY = -1;
    long typeChars = 0;
    std::string untilFile;
    int first = argc;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                usage();
            return argv[++i];
        };
        if (arg == "--") {
            first = i + 1;
            break;
        } else if (arg == "--main") {
            mainText = value();
        } else if (arg == "--windows") {
            windows = std::stoul(value());
        } else if (arg == "--settle") {
            settleMs = std::stoi(value());
        } else if (arg == "--timeout") {
            timeoutS = std::stoi(value());
        } else if (arg == "--click-main") {
            if (std::sscanf(value().c_str(), "%d,%d", &clickX, &clickY) != 2)
                usage();
        } else if (arg == "--type") {
            typeChars = std::stol(value());
        } else if (arg == "--until-file") {
            untilFile = value();
        } else {
            usage();
        }
    }
    if (first >= argc || (typeChars > 0 && untilFile.empty()))
        usage();

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[first], argv + first);
        std::_Exit(127);
    }
    if (pid < 0)
        return 1;

    // Windows are matched to the program by _NET_WM_PID, which the toolkit sets before
    // mapping; a window mapped before its property arrives is looked at again later.
    std::set<Window> mapped;
    Window mainWindow = 0;
    double mainMs = -1;
    double allMs = -1;
    const int fd = ConnectionNumber(display);
    while (allMs < 0 || mainMs < 0) {
        if (msSince(start) > timeoutS * 1000.0) {
            std::fprintf(stderr, "timed out: %zu of %zu windows mapped%s\n", mapped.size(), windows,
                         mainMs < 0 ? ", main window not seen" : "");
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return 1;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "the program ended before its windows were up\n");
            return 1;
        }
        if (!XPending(display)) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, 20);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify || event.xmap.override_redirect)
            continue;
        const Window window = event.xmap.window;
        if (windowPid(display, window, pidAtom) != pid)
            continue;
        const double now = msSince(start);
        mapped.insert(window);
        if (mainMs < 0 && windowName(display, window).find(mainText) != std::string::npos) {
            mainMs = now;
            mainWindow = window;
        }
        if (allMs < 0 && mapped.size() >= windows)
            allMs = now;
    }
    std::printf("main_ms %.1f\nall_ms %.1f\n", mainMs, allMs);

    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    std::printf("hwm_kb %ld\nrss_kb %ld\nshm_kb %ld\n", statusKb(pid, "VmHWM"),
                statusKb(pid, "VmRSS"), statusKb(pid, "RssShmem"));
    std::fflush(stdout);

    if (typeChars > 0) {
        Window note = 0;
        for (Window window : mapped)
            if (window != mainWindow)
                note = window;
        if (!note) {
            std::fprintf(stderr, "no note window to type into\n");
        } else {
            std::string text;
            const std::string words = "abcdefghi ";
            while (static_cast<long>(text.size()) < typeChars)
                text += words;
            text.resize(static_cast<size_t>(typeChars));
            run("xdotool windowfocus --sync " + std::to_string(note) + " type --delay 1 '" + text +
                "'");
            // Each keystroke is saved at once; the last one is on disk once the file holds
            // every character and its line end.
            const Clock::time_point typed = Clock::now();
            struct stat info {};
            while (msSince(typed) < 30000 &&
                   (stat(untilFile.c_str(), &info) != 0 || info.st_size < typeChars))
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
            std::printf("typed_bytes %ld\ntyped_hwm_kb %ld\ntyped_rss_kb %ld\n",
                        static_cast<long>(info.st_size), statusKb(pid, "VmHWM"),
                        statusKb(pid, "VmRSS"));
        }
    }

    if (clickX >= 0 && mainWindow) {
        const std::string where = std::to_string(mainWindow) + " " + std::to_string(clickX) + " " +
                                  std::to_string(clickY);
        const Clock::time_point clicked = Clock::now();
        run("xdotool mousemove --window " + where + " click 1");
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) != pid) {
            if (msSince(clicked) > timeoutS * 1000.0) {
                std::fprintf(stderr, "still running after Exit\n");
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::printf("exit_ms %.1f\n", msSince(clicked));
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
    }
    XCloseDisplay(display);
    return 0;
}
