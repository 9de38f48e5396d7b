// A release of many small files served by nginx, fetched by the download
// worker and by `curl` with every URL in one invocation (one connection),
// over a link with latency and directly.
//
//   bench_smallfiles [files=500] [latency_ms=10]
#include "platform/Md5.h"

#include "BenchSupport.h"
#include "LatencyProxy.h"
#include "NginxServer.h"
#include "WorkerRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Release {
    std::vector<std::string> names;
    std::vector<size_t> sizes;
    std::vector<std::string> md5s;
    size_t bytes = 0;
};

// Files of 4 to 64 KB of random content, the same every run.
Release MakeRelease(const fs::path& folder, int files) {
    fs::create_directories(folder);
    Release release;
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<size_t> size(4 << 10, 64 << 10);
    std::string content;
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.bin", i);
        content.resize(size(rng));
        for (char& c : content)
            c = static_cast<char>(rng());
        std::ofstream(folder / name, std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
        platform::Md5 md5;
        md5.Update(content.data(), content.size());
        release.names.push_back(name);
        release.sizes.push_back(content.size());
        release.md5s.push_back(md5.HexDigest());
        release.bytes += content.size();
    }
    return release;
}

struct Timing {
    double curl = 1e9, ours = 1e9, rss = 0;
};

// Best of `rounds`, the two taking turns.
Timing Compare(const Release& release, const fs::path& root, int port, int rounds) {
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    fs::create_directories(root);
    const fs::path config = root / "curl.cfg";
    {
        std::ofstream out(config);
        for (const std::string& name : release.names)
            out << "url = \"" << base << name << "\"\noutput = \""
                << (root / "curl" / name).string() << "\"\n";
    }
    std::vector<std::string> entries;
    for (size_t i = 0; i < release.names.size(); ++i)
        entries.push_back(R"({"fileName":")" + release.names[i] +
                          R"(","clientDir":"","fileVer":"1","fileType":"file","fileSize":)" +
                          std::to_string(release.sizes[i]) + R"(,"fileUrl":")" + base +
                          release.names[i] + R"(","md5":")" + release.md5s[i] +
                          R"(","remark":""})");
    Timing t;
    for (int round = 0; round < rounds; ++round) {
        fs::create_directories(root / "curl");
        const std::string cmd = "curl -s -f -K '" + config.string() + "'";
        t.curl = std::min(t.curl, bench::MeasureInChild([&] {
                                      return std::system(cmd.c_str()) == 0 ? 0 : 1;
                                  }).seconds);
        fs::remove_all(root / "curl");
        fs::create_directories(root / "install");
        const bench::ChildUsage o = bench::MeasureInChild(
            [&] { return bench::RunDownloadWorker((root / "install").string() + "/", entries); });
        t.ours = std::min(t.ours, o.seconds);
        t.rss = std::max(t.rss, o.rssMb);
        fs::remove_all(root / "install");
    }
    return t;
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 500;
    const int latencyMs = argc > 2 ? std::atoi(argv[2]) : 10;
    const fs::path root =
        fs::temp_directory_path() / ("bench-smallfiles-" + std::to_string(getpid()));
    const Release release = MakeRelease(root / "release", files);
    // What the two fetch goes to memory: on a disk file system, inodes freed
    // minutes before (by an earlier benchmark) make creating files slow, more
    // so for whichever folder landed near them, which is not the tools' doing.
    const fs::path out = fs::exists("/dev/shm") ? fs::path("/dev/shm") / root.filename() : root;

    bench::NginxServer nginx(root.string() + "/nginx/", (root / "release").string() + "/");
    const Timing direct = Compare(release, out, nginx.Port(), 3);
    Timing slow;
    {
        bench::LatencyProxy link(nginx.Port(), std::chrono::milliseconds(latencyMs));
        bench::WaitForListener(link.Port());
        slow = Compare(release, out, link.Port(), 3);
    }
    nginx.Stop();
    fs::remove_all(root);
    fs::remove_all(out);

    const double mb = static_cast<double>(release.bytes) / (1 << 20);
    std::printf("%d files of 4-64 KB (%.1f MB) from nginx, best of 3\n", files, mb);
    std::printf("  with %d ms each way:   curl %7.3f s   ours %7.3f s   ratio %.2f (goal 1.1)\n",
                latencyMs, slow.curl, slow.ours, slow.ours / slow.curl);
    std::printf("  directly on loopback: curl %7.3f s   ours %7.3f s   ratio %.2f\n", direct.curl,
                direct.ours, direct.ours / direct.curl);
    std::printf("  per file: curl %.2f ms, ours %.2f ms (overhead %.2f ms)\n",
                direct.curl * 1000 / files, direct.ours * 1000 / files,
                (direct.ours - direct.curl) * 1000 / files);
    std::printf("BENCH smallfiles time_ratio=%.3f peak_rss_mb=%.1f direct_ratio=%.3f "
                "overhead_ms_per_file=%.3f\n",
                slow.ours / slow.curl, std::max(slow.rss, direct.rss), direct.ours / direct.curl,
                (direct.ours - direct.curl) * 1000 / files);
    return 0;
}
