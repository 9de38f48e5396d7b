// Unpacking an update package with ExtractZipTo against `unzip -o -q`.
// The package (about 500 MB: thousands of small files and a few large ones,
// text, binaries and incompressible data) is made by Info-ZIP zip in a
// temporary folder, which is removed at the end.
//
//   bench_unzip [total_mb=500] [repetitions=3]
//   bench_unzip --extract ARCHIVE FOLDER   (the measured child)
#include "update/zip/ZipArchive.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string gWorkDir; // removed on every way out

void RemoveWorkDir() {
    if (gWorkDir.empty()) return;
    std::error_code ec;
    fs::remove_all(gWorkDir, ec);
    gWorkDir.clear();
}

void OnSignal(int sig) {
    RemoveWorkDir();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench_unzip: %s\n", what.c_str());
    RemoveWorkDir();
    std::exit(1);
}

// Runs argv as a child; returns its wall time in seconds and its peak RSS in MB.
std::pair<double, double> RunChild(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    auto start = Clock::now();
    pid_t pid = ::fork();
    if (pid < 0) Fail("fork failed");
    if (pid == 0) {
        ::execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail(argv[0] + " failed (status " + std::to_string(status) + ")");
    return {seconds, ru.ru_maxrss / 1024.0};
}

// Word soup: compresses like source files, logs and XML do, not like repeats.
void AppendText(std::string& out, size_t size, std::mt19937_64& rnd) {
    static const char* words[] = {
        "window",   "skin",    "update", "<item id=\"", "\">", "</item>\n", "progress",
        "download", "version", "0x",     "=",           " ",   "\n",        "更新",
        "文件",     "error",   "void",   "return",      ";",   "{",         "}"};
    constexpr size_t count = sizeof words / sizeof *words;
    while (out.size() < size) {
        uint64_t r = rnd();
        out += words[r % count];
        if ((r >> 8) % 4 == 0) out += std::to_string((r >> 16) % 100000);
    }
    out.resize(size);
}

// Machine code and resources: short random runs mixed with repeated ones.
void AppendBinary(std::string& out, size_t size, std::mt19937_64& rnd) {
    while (out.size() < size) {
        uint64_t r = rnd();
        size_t run = 8 + r % 120;
        if ((r >> 8) % 3 == 0) {
            out.append(run, static_cast<char>(r >> 16));
        } else {
            for (size_t i = 0; i < run; i += 8) {
                uint64_t v = rnd();
                out.append(reinterpret_cast<const char*>(&v), 8);
            }
        }
    }
    out.resize(size);
}

void AppendRandom(std::string& out, size_t size, std::mt19937_64& rnd) {
    out.reserve(size + 8);
    while (out.size() < size) {
        uint64_t v = rnd();
        out.append(reinterpret_cast<const char*>(&v), 8);
    }
    out.resize(size);
}

void WriteFile(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!f) Fail("cannot write " + path.string());
}

// Returns the number of files written.
size_t MakeTree(const fs::path& root, size_t totalBytes) {
    std::mt19937_64 rnd(20240611);
    std::string data;
    size_t files = 0;
    // About 40 % of the bytes in a few large files.
    struct Large {
        const char* name;
        double share;
        void (*fill)(std::string&, size_t, std::mt19937_64&);
    } large[] = {{"Varnoke.exe", 0.08, AppendBinary},
                 {"data/world.pak", 0.14, AppendRandom},
                 {"logs/sample.log", 0.10, AppendText},
                 {"plugins/render.dll", 0.08, AppendBinary}};
    size_t written = 0;
    for (const auto& l : large) {
        data.clear();
        size_t size = static_cast<size_t>(totalBytes * l.share);
        l.fill(data, size, rnd);
        WriteFile(root / l.name, data);
        written += size;
        ++files;
    }
    // The rest in small files of 1 to 64 KiB, spread over nested folders.
    for (size_t i = 0; written < totalBytes; ++i) {
        uint64_t r = rnd();
        size_t size = 1024 + r % (63 * 1024);
        data.clear();
        int kind = static_cast<int>((r >> 20) % 20);
        const char* ext;
        if (kind < 11) {
            AppendText(data, size, rnd);
            ext = ".xml";
        } else if (kind < 16) {
            AppendBinary(data, size, rnd);
            ext = ".dll";
        } else {
            AppendRandom(data, size, rnd);
            ext = ".png";
        }
        char name[64];
        std::snprintf(name, sizeof name, "skins/s%02zu/d%02zu/f%05zu%s", i % 17, (i / 17) % 23, i,
                      ext);
        WriteFile(root / name, data);
        written += size;
        ++files;
    }
    return files;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--extract") {
        try {
            zip::ExtractZipTo(argv[2], argv[3]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        return 0;
    }
    size_t totalMb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 500;
    int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
    if (totalMb == 0 || repetitions <= 0) Fail("usage: bench_unzip [total_mb] [repetitions]");

    std::string tmpl = (fs::temp_directory_path() / "bench-unzip-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) Fail("mkdtemp failed");
    gWorkDir = tmpl;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    fs::path work = gWorkDir;
    std::string self = fs::read_symlink("/proc/self/exe").string();

    std::printf("making a %zu MB package...\n", totalMb);
    std::fflush(stdout);
    size_t files = MakeTree(work / "src", totalMb << 20);
    std::string archive = (work / "package.zip").string();
    std::string zipCommand =
        "cd '" + (work / "src").string() + "' && zip -q -r '" + archive + "' .";
    if (std::system(zipCommand.c_str()) != 0) Fail("zip failed");
    std::printf("package: %zu files, %.1f MB packed\n", files, fs::file_size(archive) / 1048576.0);

    // Fresh folders, none removed before the end: ext4 skips recently freed
    // inodes when it allocates new ones, so deleting one run's output would
    // slow the next run down.
    std::vector<double> ours, theirs;
    double peakRss = 0;
    auto runOurs = [&](const fs::path& out) {
        ::sync();
        auto [t, rss] = RunChild({self, "--extract", archive, out.string() + "\\"});
        peakRss = std::max(peakRss, rss);
        return t;
    };
    auto runUnzip = [&](const fs::path& out) {
        ::sync();
        return RunChild({"unzip", "-o", "-q", archive, "-d", out.string()}).first;
    };
    for (int rep = 0; rep < repetitions; ++rep) {
        // Alternate who goes first so neither always meets a busier disk.
        fs::path mine = work / ("ours-" + std::to_string(rep));
        fs::path other = work / ("unzip-" + std::to_string(rep));
        if (rep % 2 == 0) {
            ours.push_back(runOurs(mine));
            theirs.push_back(runUnzip(other));
        } else {
            theirs.push_back(runUnzip(other));
            ours.push_back(runOurs(mine));
        }
        std::printf("run %d: ExtractZipTo %.3f s   unzip -o %.3f s\n", rep + 1, ours.back(),
                    theirs.back());
        std::fflush(stdout);
    }
    // For information: unpacking again over the files of the first run.
    double oursAgain = runOurs(work / "ours-0");
    double unzipAgain = runUnzip(work / "unzip-0");
    std::printf("over existing files: ExtractZipTo %.3f s   unzip -o %.3f s\n", oursAgain,
                unzipAgain);
    double o = Median(ours), u = Median(theirs);
    std::printf("median:  ExtractZipTo %.3f s   unzip -o %.3f s   (peak RSS %.1f MB)\n", o, u,
                peakRss);
    RemoveWorkDir();
    std::printf("BENCH unzip time_ratio=%.3f peak_rss_mb=%.1f\n", o / u, peakRss);
    return 0;
}
