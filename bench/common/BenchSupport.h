#pragma once
// Shared by the benchmarks: a run in a child process, timed, with its peak
// memory read from the kernel's accounting.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct ChildUsage {
    double seconds = 0;    // wall time
    double rssMb = 0;      // peak resident memory
    double cpuSeconds = 0; // user and system time
};

// Runs fn in a child process and measures it. A child that fails ends the
// benchmark.
inline ChildUsage MeasureInChild(const std::function<int()>& fn) {
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    double t = Seconds(Clock::now() - start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "child failed (status %d)\n", status);
        std::exit(1);
    }
    auto secs = [](const timeval& v) { return static_cast<double>(v.tv_sec) + v.tv_usec / 1e6; };
    return {t, ru.ru_maxrss / 1024.0, secs(ru.ru_utime) + secs(ru.ru_stime)};
}

// Its wall time in seconds and peak RSS in MB.
inline std::pair<double, double> InChild(const std::function<int()>& fn) {
    const ChildUsage u = MeasureInChild(fn);
    return {u.seconds, u.rssMb};
}

} // namespace bench
