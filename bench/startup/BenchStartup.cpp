// How soon the updater shows itself and how quickly it hands over, with real
// processes: the shipped updater's code (asking the benchmark's own
// development server), an application that notes when it started, and
// Debian's Xvfb as the screen.
//
//   bench_startup [runs=10]
//
// - First frame: process start to the checking window's first frame on the
//   screen, beside a trivial program of the same window library (the floor).
// - Hand-over: the last listed file put in place (seen by inotify) to the
//   application's process running, in an unattended run.
// - Self-replacement: a release with a new updater, from the first updater's
//   start to the application's, and the part of it that the checking
//   window's held minimum takes (two checks).
#include "NginxServer.h"
#include "platform/InstallationLock.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
using Env = std::map<std::string, std::optional<std::string>>;

constexpr double kCheckMinimumSeconds = 1.5; // the checking window's held minimum

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// The children's output goes to a log there, kept when the benchmark fails.
fs::path gLogs;
// The servers the benchmark started: stopped when it fails, too.
std::vector<pid_t> gServers;

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "bench_startup: %s (the programs' output is in %s)\n", why.c_str(),
                 gLogs.c_str());
    for (pid_t pid : gServers)
        kill(pid, SIGTERM);
    std::exit(1);
}

// Starts argv with the environment changed by `env` (a value of none removes
// the variable). posix_spawn, as the benchmark has a thread of its own.
pid_t Spawn(const std::vector<std::string>& argv, const Env& env) {
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        if (!env.count(var.substr(0, var.find('=')))) vars.push_back(var);
    }
    for (const auto& [name, value] : env)
        if (value) vars.push_back(name + "=" + *value);
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (std::string& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = (gLogs / (fs::path(argv[0]).filename().string() + ".log")).string();
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) Fail("cannot start " + argv[0]);
    return pid;
}

int WaitExit(pid_t pid, double* rssMb = nullptr) {
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    if (rssMb) *rssMb = std::max(*rssMb, ru.ru_maxrss / 1024.0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void Run(const std::vector<std::string>& argv) {
    if (WaitExit(Spawn(argv, {})) != 0) Fail(argv[0] + " failed");
}

// The first line of a mark file once it exists, within a bound.
int64_t WaitForMark(const fs::path& file, std::chrono::seconds bound = std::chrono::seconds(60)) {
    const auto deadline = Clock::now() + bound;
    while (Clock::now() < deadline) {
        std::ifstream in(file);
        int64_t value = 0;
        if (in >> value) return value;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    Fail("no mark in " + file.string());
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void CopyProgram(const std::string& from, const fs::path& to, const std::string& tag = "") {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    if (!tag.empty()) std::ofstream(to, std::ios::app | std::ios::binary) << tag;
    fs::permissions(to, fs::perms::owner_all, fs::perm_options::add);
}

// A virtual screen of the benchmark's own.
struct XScreen {
    pid_t pid = 0;
    std::string display;
    XScreen() {
        int fds[2];
        if (pipe(fds) != 0) Fail("pipe");
        pid = Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                     "1280x800x24", "-nolisten", "tcp"},
                    {});
        gServers.push_back(pid);
        close(fds[1]);
        char c;
        std::string number;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) Fail("Xvfb did not start (scripts/setup-deps installs it)");
        display = ":" + number;
    }
    ~XScreen() {
        std::erase(gServers, pid);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
};

// A published release served by the development server on a free port.
struct ReleaseServer {
    pid_t pid = 0;
    std::string host;
    ReleaseServer(const fs::path& release, const std::string& releaseJson, const fs::path& work) {
        const int port = bench::FreeLoopbackPort();
        host = "127.0.0.1:" + std::to_string(port);
        fs::create_directories(work / "published");
        std::ofstream(work / "release.json") << releaseJson;
        Run({PUBLISHER_BIN, release.string(), (work / "release.json").string(),
             (work / "published").string(), "http://" + host + "/"});
        pid = Spawn({DEVSERVER_BIN, (work / "published").string(), "--listen", host}, {});
        gServers.push_back(pid);
        bench::WaitForListener(port);
    }
    ~ReleaseServer() {
        std::erase(gServers, pid);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
};

// The installation as it stands before the update.
void Install(const fs::path& install) {
    fs::remove_all(install);
    fs::create_directories(install);
    CopyProgram(UPDATER_BIN, install / "updater");
    CopyProgram(START_MARK_BIN, install / "Varnoke.exe");
    std::ofstream(install / "ag") << "BENCH-AGENT\r\n";
}

// The time the last of `names` was put in place in `folder`, as inotify
// reports it while a run goes on.
class PlacementWatch {
public:
    PlacementWatch(const fs::path& folder, std::set<std::string> names)
        : FNames(std::move(names)), FFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (FFd < 0 || inotify_add_watch(FFd, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
            Fail("inotify");
        FThread = std::thread([this] { Watch(); });
    }
    ~PlacementWatch() {
        FStop = true;
        FThread.join();
        close(FFd);
    }
    int64_t LastPlaced() const { return FLast; }

private:
    void Watch() {
        alignas(inotify_event) char buffer[16384];
        while (!FStop) {
            pollfd p{FFd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int64_t now = NowNs();
            const ssize_t n = read(FFd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->len && FNames.count(e->name)) FLast = now;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }
    std::set<std::string> FNames;
    int FFd;
    std::atomic<bool> FStop{false};
    std::atomic<int64_t> FLast{0};
    std::thread FThread;
};

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const fs::path root = fs::temp_directory_path() / ("bench-startup-" + std::to_string(getpid()));
    gLogs = root / "logs";
    fs::create_directories(gLogs);
    const fs::path home = root / "home";
    fs::create_directories(home / "Desktop");
    const fs::path mark = root / "frame.mark";
    const fs::path started = root / "started.mark";

    // A release of 20 small files and a new application.
    const fs::path release = root / "release";
    fs::create_directories(release);
    std::set<std::string> listed = {"Varnoke.exe"};
    for (int i = 0; i < 20; ++i) {
        const std::string name = "data" + std::to_string(i) + ".bin";
        std::ofstream(release / name) << std::string(4096 + i, static_cast<char>('a' + i));
        listed.insert(name);
    }
    CopyProgram(START_MARK_BIN, release / "Varnoke.exe", "\nrelease 2");
    const std::string notes =
        R"({"appName":"Varnoke","notes":["bench"],"versions":{"Varnoke.exe":2})";

    // First frame, and the floor.
    std::vector<double> frame, floorTotal, floorFrame;
    {
        XScreen screen;
        ReleaseServer server(release, notes + "}", root / "frame-server");
        const fs::path install = root / "frame";
        Install(install);
        const Env env = {
            {"DISPLAY", screen.display},        {"WAYLAND_DISPLAY", std::nullopt},
            {"UPDATER_HEADLESS", std::nullopt}, {"HOME", home.string()},
            {"BENCH_SERVER_HOST", server.host}, {"UPDATER_FIRST_FRAME_MARK", mark.string()}};
        for (int i = 0; i < runs; ++i) {
            fs::remove(mark);
            const int64_t t0 = NowNs();
            const pid_t updater = Spawn({(install / "updater").string()}, env);
            frame.push_back((WaitForMark(mark) - t0) / 1e6);
            kill(updater, SIGKILL);
            WaitExit(updater);

            fs::remove(mark);
            const int64_t f0 = NowNs();
            if (WaitExit(Spawn({FIRST_WINDOW_BIN}, env)) != 0) Fail("the trivial window failed");
            floorTotal.push_back((NowNs() - f0) / 1e6);
            floorFrame.push_back((WaitForMark(mark) - f0) / 1e6);
        }
    }

    // Hand-over: unattended runs that fetch the release and start the application.
    std::vector<double> handover;
    double rss = 0;
    {
        ReleaseServer server(release, notes + "}", root / "handover-server");
        const fs::path install = root / "handover";
        const Env env = {
            {"DISPLAY", std::nullopt},          {"WAYLAND_DISPLAY", std::nullopt},
            {"UPDATER_HEADLESS", "1"},          {"HOME", home.string()},
            {"BENCH_SERVER_HOST", server.host}, {"BENCH_START_MARK", started.string()}};
        for (int i = 0; i < runs; ++i) {
            Install(install);
            fs::remove(started);
            PlacementWatch watch(install, listed);
            if (WaitExit(Spawn({(install / "updater").string()}, env), &rss) != 0)
                Fail("the updater failed");
            const int64_t app = WaitForMark(started);
            if (watch.LastPlaced() == 0) Fail("no file was put in place");
            handover.push_back((app - watch.LastPlaced()) / 1e6);
        }
    }

    // The self-replacement road.
    std::vector<double> road;
    {
        CopyProgram(UPDATER_BIN, release / "updater", "\nnew updater build");
        ReleaseServer server(release, notes + R"(,"updater":"updater"})", root / "road-server");
        const fs::path install = root / "road";
        const Env env = {
            {"DISPLAY", std::nullopt},          {"WAYLAND_DISPLAY", std::nullopt},
            {"UPDATER_HEADLESS", "1"},          {"HOME", home.string()},
            {"BENCH_SERVER_HOST", server.host}, {"BENCH_START_MARK", started.string()}};
        for (int i = 0; i < std::min(runs, 3); ++i) {
            Install(install);
            fs::remove(started);
            const int64_t t0 = NowNs();
            WaitExit(Spawn({(install / "updater").string()}, env));
            road.push_back((WaitForMark(started) - t0) / 1e9);
            // The replaced updater records its versions after starting the
            // application: its lock is free once it has ended.
            platform::TInstallationLock lock(install.string() + "/");
            if (!lock.Acquire(std::chrono::seconds(60))) Fail("the replaced updater did not end");
        }
    }
    fs::remove_all(root);

    const double firstFrame = Median(frame), floorMs = Median(floorTotal);
    const double handoverMs = Median(handover), roadS = Median(road);
    const double share = 2 * kCheckMinimumSeconds / roadS;
    std::printf("start-up under Xvfb, median of %d\n", runs);
    std::printf(
        "  updater: process start to the checking window's first frame  %7.1f ms (goal 100)\n",
        firstFrame);
    std::printf("  floor: a trivial window, start to end of its program        %7.1f ms "
                "(its first frame %.1f ms)\n",
                floorMs, Median(floorFrame));
    std::printf("hand-over: last file put in place to the application started %7.1f ms (goal 200), "
                "median of %d\n",
                handoverMs, runs);
    std::printf("self-replacement road (new updater copy, hand-off, replaced updater's check, "
                "application started): %.2f s, median of %zu; the checking window's held minimum "
                "(2 x %.1f s) is %.0f%% of it\n",
                roadS, road.size(), kCheckMinimumSeconds, share * 100);
    std::printf("BENCH startup time_ratio=%.3f peak_rss_mb=%.1f first_frame_ms=%.1f floor_ms=%.1f "
                "handover_ms=%.1f road_s=%.2f road_minimum_share=%.2f\n",
                firstFrame / floorMs, rss, firstFrame, floorMs, handoverMs, roadS, share);
    return 0;
}
