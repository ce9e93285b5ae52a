// Start-up time and peak memory of the quiz against a bare Qt window, seen
// from outside the programs, under a private Xvfb.
//
// For each run the driver fork/execs the program (working directory: a
// fresh temporary folder), and times, on the monotonic clock:
//   - exec to the MapNotify of its top-level window (found by title and
//     _NET_WM_PID, through SubstructureNotify on the root window);
//   - exec to its first frame: the first moment a row of pixels across the
//     middle of the window is no longer the black root showing through
//     (the server is started with -br; sampled every millisecond).
// It then lets the program settle (long enough for the quiz's sound engine
// to load and decode its sounds), reads its idle resident memory, its
// helper processes' included (VmRSS of the process tree), asks it to close
// with WM_DELETE_WINDOW (SIGTERM if it does not go) and reads its peak RSS
// (ru_maxrss) and its CPU time, user and system, children's included, from
// wait4. The CPU time is the figure least disturbed by other work on a busy
// machine.
//
// Runs go in pairs, bare and quiz, the first of each pair alternating. Each
// figure is the median over the pairs, and each ratio is the median of the
// per-pair ratios. A message box titled "Application Error", any other
// window, and a start that opened the web site (seen through a stand-in
// xdg-open first on PATH) are noted; such pairs are left out of the medians.
//
//   bench_startup [--pairs N] [--settle-ms MS] [--quiz PATH [--quiz-title T]]
//                 [--bare PATH] [--xvfb PATH] [--env NAME=VALUE]...
//                 [--rss-breakdown] [--verbose]
//
// --quiz and --quiz-title put another program in the quiz's place, to see
// what one piece of it costs or how another program compares; an empty
// title takes the first titled window the program maps, and its further
// windows are not counted against it. --rss-breakdown reads /proc/PID/smaps just
// before closing and prints where the two programs' resident memory lies.
//
// Figures only: nothing here passes or fails on time.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <poll.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

#ifndef DRILLIX_QUIZ_PATH
#define DRILLIX_QUIZ_PATH "veltmora-drillix"
#endif
#ifndef DRILLIX_BARE_PATH
#define DRILLIX_BARE_PATH "barewindow"
#endif

const char *const kQuizTitle = "Veltmora Drillix";
const char *const kBareTitle = "Bare Window";
const char *const kErrorBoxTitle = "Application Error";

// Targets, as ratios to the bare window.
constexpr double kStartupTarget = 1.10;
constexpr double kFrameTarget = 1.20;
constexpr double kCpuTarget = 1.50;
constexpr double kIdleRssTarget = 1.35;

// --- clean-up on every way out --------------------------------------------

volatile pid_t g_xvfb = 0;
volatile pid_t g_program = 0;

void killChildren()
{
    if (g_program > 0)
        kill(-g_program, SIGKILL);
    if (g_xvfb > 0)
        kill(g_xvfb, SIGTERM);
}

void onSignal(int sig)
{
    killChildren();
    signal(sig, SIG_DFL);
    raise(sig);
}

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

[[noreturn]] void die(const std::string &what)
{
    std::fprintf(stderr, "bench_startup: %s\n", what.c_str());
    killChildren();
    std::exit(2);
}

// --- the X server -------------------------------------------------------------

int g_xErrors = 0;
int onXError(Display *, XErrorEvent *)
{
    ++g_xErrors; // a window gone between two requests: harmless here
    return 0;
}

std::string startXvfb(const std::string &xvfb)
{
    int fds[2];
    if (pipe(fds) != 0)
        die("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        die("fork failed");
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execlp(xvfb.c_str(), xvfb.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp", "-noreset", "-br", static_cast<char *>(nullptr));
        _exit(127);
    }
    g_xvfb = pid;
    close(fds[1]);
    std::string number;
    const double deadline = nowMs() + 10000;
    while (nowMs() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        if (read(fds[0], &c, 1) != 1)
            break;
        if (c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty())
        die("Xvfb did not start (is the xvfb package installed?)");
    return ":" + number;
}

void stopXvfb()
{
    if (g_xvfb <= 0)
        return;
    kill(g_xvfb, SIGTERM);
    waitpid(g_xvfb, nullptr, 0);
    g_xvfb = 0;
}

struct X {
    Display *dpy = nullptr;
    Window root = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    Atom netWmPid = 0;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
};

std::string windowName(const X &x, Window w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    std::string name;
    if (XGetWindowProperty(x.dpy, w, x.netWmName, 0, 1024, False, x.utf8String, &type, &format, &count, &after, &data)
            == Success
        && data && format == 8)
        name.assign(reinterpret_cast<char *>(data), count);
    if (data)
        XFree(data);
    if (name.empty()) {
        char *old = nullptr;
        if (XFetchName(x.dpy, w, &old) && old) {
            name = old;
            XFree(old);
        }
    }
    return name;
}

long windowPid(const X &x, Window w)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(x.dpy, w, x.netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data && format == 32 && count == 1)
        pid = static_cast<long>(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

void askToClose(const X &x, Window w)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = x.wmProtocols;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(x.wmDeleteWindow);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.dpy, w, False, NoEventMask, &ev);
    XFlush(x.dpy);
}

// Share of the pixels on the window's middle row that are not black.
double paintedShare(const X &x, Window w, int width, int height)
{
    XImage *img = XGetImage(x.dpy, w, 0, height / 2, static_cast<unsigned>(width), 1, AllPlanes, ZPixmap);
    if (!img)
        return 0.0;
    int lit = 0;
    for (int i = 0; i < width; ++i)
        lit += (XGetPixel(img, i, 0) & 0xFFFFFF) != 0;
    XDestroyImage(img);
    return static_cast<double>(lit) / width;
}

// --- one run ----------------------------------------------------------------

struct Options {
    std::string quiz = DRILLIX_QUIZ_PATH;
    std::string bare = DRILLIX_BARE_PATH;
    std::string quizTitle = kQuizTitle;
    std::string xvfb = "Xvfb";
    int pairs = 15;
    // Long enough for the quiz's sound engine to load and decode its sounds.
    int settleMs = 1500;
    bool verbose = false;
    bool rssBreakdown = false;
    std::vector<std::string> env;
};

// Resident memory by mapping (file name, [heap], [anon] ...), in KiB.
using RssMap = std::map<std::string, long>;

RssMap readSmaps(pid_t pid)
{
    RssMap rss;
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps");
    std::string line, current = "[anon]";
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const std::size_t colon = line.find(':');
        const bool header = line.find('-') < line.find(' ') && (colon == std::string::npos || colon > line.find(' '));
        if (header) {
            // address perms offset dev inode [name]
            std::istringstream f(line);
            std::string field, name;
            for (int i = 0; i < 5 && f >> field; ++i) {
            }
            std::getline(f, name);
            name.erase(0, name.find_first_not_of(' '));
            current = name.empty() ? "[anon]" : name;
        } else if (line.rfind("Rss:", 0) == 0) {
            rss[current] += std::atol(line.c_str() + 4);
        }
    }
    return rss;
}

// Resident memory of a process and of every process below it, in MiB.
double treeRssMiB(pid_t top)
{
    std::map<pid_t, std::vector<pid_t>> children;
    if (DIR *proc = opendir("/proc")) {
        while (dirent *entry = readdir(proc)) {
            const pid_t pid = std::atoi(entry->d_name);
            if (pid <= 0)
                continue;
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string line;
            std::getline(stat, line);
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream fields(line.substr(close + 2));
            std::string state;
            pid_t parent = 0;
            fields >> state >> parent;
            children[parent].push_back(pid);
        }
        closedir(proc);
    }
    long kib = 0;
    std::vector<pid_t> todo{top};
    while (!todo.empty()) {
        const pid_t pid = todo.back();
        todo.pop_back();
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                kib += std::atol(line.c_str() + 6);
        for (const pid_t child : children[pid])
            todo.push_back(child);
    }
    return kib / 1024.0;
}

struct Run {
    bool ok = false;
    double mapMs = -1;
    double frameMs = -1;
    double rssMiB = -1;
    double idleRssMiB = -1; // settled, its helper processes included
    double cpuMs = -1; // user + system time of the whole run
    bool errorBox = false;
    bool siteDraw = false;
    bool closedBySignal = false;
    int exitCode = -1;
    std::vector<std::string> otherWindows;
    std::string failure;
    RssMap settledRss; // with --rss-breakdown: just before closing

    bool clean() const { return ok && !errorBox && !siteDraw && otherWindows.empty(); }
};

struct Sandbox {
    std::string dir;     // the programs' working folder
    std::string stubDir; // first on PATH: a stand-in xdg-open that logs
    std::string drawLog;
    std::vector<std::string> env;
};

Sandbox makeSandbox(const std::string &display, const Options &opt)
{
    char tmpl[] = "/tmp/drillix-startup-XXXXXX";
    if (!mkdtemp(tmpl))
        die("mkdtemp failed");
    Sandbox s;
    s.dir = tmpl;
    s.stubDir = s.dir + "/bin";
    s.drawLog = s.dir + "/site-opened.log";
    mkdir(s.stubDir.c_str(), 0700);
    mkdir((s.dir + "/runtime").c_str(), 0700);
    const std::string stub = s.stubDir + "/xdg-open";
    if (FILE *f = std::fopen(stub.c_str(), "w")) {
        std::fprintf(f, "#!/bin/sh\necho \"$*\" >> '%s'\n", s.drawLog.c_str());
        std::fclose(f);
    }
    chmod(stub.c_str(), 0755);

    const char *path = std::getenv("PATH");
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string v = *e;
        for (const char *drop : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "PATH=", "XDG_RUNTIME_DIR="})
            if (v.rfind(drop, 0) == 0)
                goto skip;
        env.push_back(v);
    skip:;
    }
    env.push_back("DISPLAY=" + display);
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.push_back("XDG_RUNTIME_DIR=" + s.dir + "/runtime");
    env.push_back("PATH=" + s.stubDir + ":" + (path ? path : "/usr/bin:/bin"));
    for (const std::string &extra : opt.env)
        env.push_back(extra);
    s.env = env;
    return s;
}

void removeSandbox(const Sandbox &s)
{
    const std::string cmd = "rm -rf '" + s.dir + "'";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "bench_startup: could not remove %s\n", s.dir.c_str());
}

Run runOnce(X &x, const Sandbox &box, const std::string &program, const char *title, const Options &opt,
            const std::string &logName)
{
    Run run;
    // Forget what earlier runs left in the queue.
    XSync(x.dpy, True);
    unlink(box.drawLog.c_str());

    auto *t0 = static_cast<double *>(mmap(nullptr, sizeof(double), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    if (t0 == MAP_FAILED)
        die("mmap failed");
    *t0 = 0;

    std::vector<char *> envp;
    for (const std::string &e : box.env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    const std::string log = box.dir + "/" + logName + ".log";
    const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);

    const pid_t pid = fork();
    if (pid < 0)
        die("fork failed");
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(box.dir.c_str()) != 0)
            _exit(126);
        if (logFd >= 0) {
            dup2(logFd, 1);
            dup2(logFd, 2);
        }
        char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        *t0 = ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    g_program = pid;
    setpgid(pid, pid);
    if (logFd >= 0)
        close(logFd);

    const int xfd = ConnectionNumber(x.dpy);
    Window main = 0;
    int width = 0, height = 0;
    int status = 0;
    rusage ru{};
    bool exited = false;

    auto childGone = [&] {
        if (exited)
            return true;
        if (wait4(pid, &status, WNOHANG, &ru) == pid)
            exited = true;
        return exited;
    };
    // Handles queued X events; returns the time of our window's MapNotify.
    auto pump = [&](double &mappedAt) {
        while (XPending(x.dpy)) {
            XEvent ev;
            XNextEvent(x.dpy, &ev);
            if (ev.type != MapNotify)
                continue;
            const double at = nowMs();
            const Window w = ev.xmap.window;
            const std::string name = windowName(x, w);
            const bool wanted = *title ? name == title : !name.empty() && name != kErrorBoxTitle;
            if (!main && wanted && windowPid(x, w) == pid) {
                main = w;
                mappedAt = at;
                XWindowAttributes attrs{};
                if (XGetWindowAttributes(x.dpy, w, &attrs)) {
                    width = attrs.width;
                    height = attrs.height;
                }
            } else if (name == kErrorBoxTitle) {
                run.errorBox = true;
                askToClose(x, w); // its only button is OK
            } else if (*title && windowPid(x, w) == pid) {
                run.otherWindows.push_back(name.empty() ? "(untitled)" : name);
            }
        }
    };

    double mappedAt = -1;
    const double deadline = nowMs() + 20000;
    while (!main && nowMs() < deadline && !childGone()) {
        pump(mappedAt);
        if (main)
            break;
        pollfd p{xfd, POLLIN, 0};
        poll(&p, 1, 5);
    }
    if (!main) {
        run.failure = exited ? "exited before its window mapped" : "no window within 20 s";
    } else {
        run.mapMs = mappedAt - *t0;
        // First frame: sample the middle row every millisecond.
        const double frameDeadline = nowMs() + 5000;
        while (nowMs() < frameDeadline && !childGone()) {
            if (paintedShare(x, main, width, height) > 0.5) {
                run.frameMs = nowMs() - *t0;
                break;
            }
            double ignored = 0;
            pump(ignored);
            usleep(1000);
        }
        // Let it settle: whatever it does just after showing counts too.
        const double settleEnd = nowMs() + opt.settleMs;
        while (nowMs() < settleEnd && !childGone()) {
            double ignored = 0;
            pump(ignored);
            pollfd p{xfd, POLLIN, 0};
            poll(&p, 1, 5);
        }
        if (!exited)
            run.idleRssMiB = treeRssMiB(pid);
        if (!exited && opt.rssBreakdown)
            run.settledRss = readSmaps(pid);
        if (!exited)
            askToClose(x, main);
    }

    // Wait for it to go: politely first.
    double giveUp = nowMs() + 5000;
    while (!childGone() && nowMs() < giveUp) {
        double ignored = 0;
        pump(ignored);
        usleep(2000);
    }
    if (!exited) {
        run.closedBySignal = true;
        kill(-pid, SIGTERM);
        giveUp = nowMs() + 2000;
        while (!childGone() && nowMs() < giveUp)
            usleep(2000);
    }
    if (!exited) {
        kill(-pid, SIGKILL);
        wait4(pid, &status, 0, &ru);
        exited = true;
    }
    g_program = 0;
    kill(-pid, SIGKILL); // anything it left in its group
    munmap(t0, sizeof(double));

    run.rssMiB = ru.ru_maxrss / 1024.0;
    run.cpuMs = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    struct stat st{};
    run.siteDraw = stat(box.drawLog.c_str(), &st) == 0;
    run.ok = main != 0;
    return run;
}

void printRun(const char *who, int pair, const Run &r)
{
    std::printf("  pair %2d %-4s map %7.2f ms  frame %7.2f ms  CPU %7.2f ms  peak RSS %6.1f MiB  idle RSS %6.1f MiB"
                "  exit %d%s%s%s%s%s\n",
                pair, who, r.mapMs, r.frameMs, r.cpuMs, r.rssMiB, r.idleRssMiB, r.exitCode, r.closedBySignal ? "  (SIGTERM)" : "",
                r.errorBox ? "  [Application Error box]" : "", r.siteDraw ? "  [web-site draw]" : "",
                r.otherWindows.empty() ? "" : "  [other window: ", r.otherWindows.empty() ? "" : (r.otherWindows.front() + "]").c_str());
    if (!r.failure.empty())
        std::printf("           %s: %s\n", who, r.failure.c_str());
}

Options parse(int argc, char **argv)
{
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                die("missing value after " + a);
            return argv[++i];
        };
        if (a == "--pairs")
            opt.pairs = std::max(1, std::atoi(value().c_str()));
        else if (a == "--settle-ms")
            opt.settleMs = std::max(0, std::atoi(value().c_str()));
        else if (a == "--quiz")
            opt.quiz = value();
        else if (a == "--quiz-title")
            opt.quizTitle = value();
        else if (a == "--bare")
            opt.bare = value();
        else if (a == "--xvfb")
            opt.xvfb = value();
        else if (a == "--env")
            opt.env.push_back(value());
        else if (a == "--rss-breakdown")
            opt.rssBreakdown = true;
        else if (a == "--verbose" || a == "-v")
            opt.verbose = true;
        else {
            std::printf("usage: %s [--pairs N] [--settle-ms MS] [--quiz PATH [--quiz-title TITLE]] [--bare PATH]\n"
                        "          [--xvfb PATH] [--env NAME=VALUE]... [--rss-breakdown] [--verbose]\n",
                        argv[0]);
            std::exit(a == "--help" || a == "-h" ? 0 : 2);
        }
    }
    return opt;
}

void printBreakdown(const RssMap &bare, const RssMap &quiz)
{
    long bareTotal = 0, quizTotal = 0, quizOnlyLibs = 0;
    int quizOnlyCount = 0;
    for (const auto &[name, kib] : bare)
        bareTotal += kib;
    for (const auto &[name, kib] : quiz) {
        quizTotal += kib;
        if (!bare.count(name) && name.find(".so") != std::string::npos) {
            quizOnlyLibs += kib;
            ++quizOnlyCount;
        }
    }
    std::vector<std::pair<long, std::string>> byGrowth;
    std::set<std::string> names;
    for (const auto &[name, kib] : bare)
        names.insert(name);
    for (const auto &[name, kib] : quiz)
        names.insert(name);
    for (const std::string &name : names) {
        const long b = bare.count(name) ? bare.at(name) : 0;
        const long q = quiz.count(name) ? quiz.at(name) : 0;
        byGrowth.push_back({q - b, name});
    }
    std::sort(byGrowth.rbegin(), byGrowth.rend());
    std::printf("\nResident memory just before closing (last pair), KiB: bare %ld, quiz %ld\n", bareTotal, quizTotal);
    std::printf("  %d libraries mapped by the quiz only: %ld KiB\n", quizOnlyCount, quizOnlyLibs);
    std::printf("  largest growths, quiz over bare:\n");
    for (std::size_t i = 0; i < byGrowth.size() && i < 16; ++i) {
        const std::string &name = byGrowth[i].second;
        std::printf("  %+8ld  bare %7ld  quiz %7ld  %s\n", byGrowth[i].first, bare.count(name) ? bare.at(name) : 0L,
                    quiz.count(name) ? quiz.at(name) : 0L, name.c_str());
    }
}

const char *verdict(double ratio, double target)
{
    if (ratio <= 0)
        return "no data";
    return ratio <= target ? "met" : "MISSED";
}

} // namespace

int main(int argc, char **argv)
{
    Options opt = parse(argc, argv);
    // The programs start in a folder of their own: name them absolutely.
    for (std::string *p : {&opt.quiz, &opt.bare}) {
        if (access(p->c_str(), X_OK) != 0)
            die("cannot run " + *p + " (build it first)");
        if (char *real = realpath(p->c_str(), nullptr)) {
            *p = real;
            std::free(real);
        }
    }

    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGHUP, onSignal);
    XSetErrorHandler(onXError);

    const std::string display = startXvfb(opt.xvfb);
    X x;
    for (int tries = 0; tries < 50 && !x.dpy; ++tries) {
        x.dpy = XOpenDisplay(display.c_str());
        if (!x.dpy)
            usleep(20000);
    }
    if (!x.dpy)
        die("cannot open display " + display);
    x.root = DefaultRootWindow(x.dpy);
    x.netWmName = XInternAtom(x.dpy, "_NET_WM_NAME", False);
    x.utf8String = XInternAtom(x.dpy, "UTF8_STRING", False);
    x.netWmPid = XInternAtom(x.dpy, "_NET_WM_PID", False);
    x.wmProtocols = XInternAtom(x.dpy, "WM_PROTOCOLS", False);
    x.wmDeleteWindow = XInternAtom(x.dpy, "WM_DELETE_WINDOW", False);
    XSelectInput(x.dpy, x.root, SubstructureNotifyMask);
    XSync(x.dpy, False);

    const Sandbox box = makeSandbox(display, opt);
    std::printf("Start-up: %s against %s\n", opt.quiz.c_str(), opt.bare.c_str());
    std::printf("Xvfb %s (-noreset -br), %d pairs after one warm-up pair, settle %d ms before closing\n",
                display.c_str(), opt.pairs, opt.settleMs);
    for (const std::string &e : opt.env)
        std::printf("extra environment: %s\n", e.c_str());

    // Warm the page cache and the font cache.
    runOnce(x, box, opt.bare, kBareTitle, opt, "bare");
    runOnce(x, box, opt.quiz, opt.quizTitle.c_str(), opt, "quiz");

    std::vector<double> bareMap, quizMap, bareFrame, quizFrame, bareRss, quizRss, bareCpu, quizCpu;
    std::vector<double> mapRatio, frameRatio, rssRatio, cpuRatio, bareIdle, quizIdle, idleRatio;
    Run lastBare, lastQuiz;
    int errorBoxes = 0, draws = 0, others = 0, failures = 0, leftOut = 0;
    for (int pair = 0; pair < opt.pairs; ++pair) {
        Run bare, quiz;
        if (pair % 2 == 0) {
            bare = runOnce(x, box, opt.bare, kBareTitle, opt, "bare");
            quiz = runOnce(x, box, opt.quiz, opt.quizTitle.c_str(), opt, "quiz");
        } else {
            quiz = runOnce(x, box, opt.quiz, opt.quizTitle.c_str(), opt, "quiz");
            bare = runOnce(x, box, opt.bare, kBareTitle, opt, "bare");
        }
        errorBoxes += quiz.errorBox + bare.errorBox;
        draws += quiz.siteDraw + bare.siteDraw;
        others += !quiz.otherWindows.empty() + !bare.otherWindows.empty();
        failures += !quiz.ok + !bare.ok;
        if (opt.verbose || !quiz.clean() || !bare.clean()) {
            printRun("bare", pair + 1, bare);
            printRun("quiz", pair + 1, quiz);
        }
        lastBare = bare;
        lastQuiz = quiz;
        if (!quiz.clean() || !bare.clean()) {
            ++leftOut;
            continue;
        }
        bareMap.push_back(bare.mapMs);
        quizMap.push_back(quiz.mapMs);
        mapRatio.push_back(quiz.mapMs / bare.mapMs);
        if (bare.frameMs > 0 && quiz.frameMs > 0) {
            bareFrame.push_back(bare.frameMs);
            quizFrame.push_back(quiz.frameMs);
            frameRatio.push_back(quiz.frameMs / bare.frameMs);
        }
        bareRss.push_back(bare.rssMiB);
        quizRss.push_back(quiz.rssMiB);
        rssRatio.push_back(quiz.rssMiB / bare.rssMiB);
        if (bare.idleRssMiB > 0 && quiz.idleRssMiB > 0) {
            bareIdle.push_back(bare.idleRssMiB);
            quizIdle.push_back(quiz.idleRssMiB);
            idleRatio.push_back(quiz.idleRssMiB / bare.idleRssMiB);
        }
        bareCpu.push_back(bare.cpuMs);
        quizCpu.push_back(quiz.cpuMs);
        cpuRatio.push_back(quiz.cpuMs / bare.cpuMs);
    }

    if (opt.rssBreakdown)
        printBreakdown(lastBare.settledRss, lastQuiz.settledRss);

    XCloseDisplay(x.dpy);
    stopXvfb();
    removeSandbox(box);

    std::printf("\n%-22s %10s %10s %22s %8s\n", "median of pairs", "bare", "quiz", "ratio (median of pairs)",
                "target");
    const double m = median(mapRatio), f = median(frameRatio), r = median(rssRatio);
    std::printf("%-22s %7.2f ms %7.2f ms %21.3fx  <= %.2fx %s\n", "exec to MapNotify", median(bareMap), median(quizMap),
                m, kStartupTarget, verdict(m, kStartupTarget));
    const double c = median(cpuRatio), idle = median(idleRatio);
    std::printf("%-22s %7.2f ms %7.2f ms %21.3fx  <= %.2fx %s\n", "exec to first frame", median(bareFrame),
                median(quizFrame), f, kFrameTarget, verdict(f, kFrameTarget));
    std::printf("%-22s %7.2f ms %7.2f ms %21.3fx  <= %.2fx %s\n", "CPU time, whole run", median(bareCpu),
                median(quizCpu), c, kCpuTarget, verdict(c, kCpuTarget));
    std::printf("%-22s %6.1f MiB %6.1f MiB %21.3fx  <= %.2fx %s\n", "idle RSS, settled", median(bareIdle),
                median(quizIdle), idle, kIdleRssTarget, verdict(idle, kIdleRssTarget));
    std::printf("%-22s %6.1f MiB %6.1f MiB %21.3fx  (no target)\n", "peak RSS", median(bareRss), median(quizRss), r);
    std::printf("pairs used %zu of %d; Application Error boxes %d, web-site draws %d, other windows %d, failed runs %d\n",
                mapRatio.size(), opt.pairs, errorBoxes, draws, others, failures);
    std::printf("RESULT startup map_ratio=%.3f frame_ratio=%.3f rss_ratio=%.3f bare_map_ms=%.2f quiz_map_ms=%.2f "
                "bare_rss_mib=%.1f quiz_rss_mib=%.1f cpu_ratio=%.3f idle_rss_ratio=%.3f bare_idle_rss_mib=%.1f "
                "quiz_idle_rss_mib=%.1f pairs=%zu\n",
                m, f, r, median(bareMap), median(quizMap), median(bareRss), median(quizRss), c, idle,
                median(bareIdle), median(quizIdle), mapRatio.size());
    (void)leftOut;
    return mapRatio.empty() ? 1 : 0;
}
