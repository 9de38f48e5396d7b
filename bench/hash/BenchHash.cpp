// Building the items of an update list whose files all exist locally (so
// every file is hashed) against md5sum over the same files.
//
//   bench_hash [files=200] [total_mb=2048]
#include "config/UnitAppConfig.h"
#include "platform/MainThread.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "update/UnitQueryServerFiles.h"

#include <httplib.h>

#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using bench::InChild;

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const long long totalMb = argc > 2 ? std::atoll(argv[2]) : 2048;
    fs::path root = fs::temp_directory_path() / ("bench-hash-" + std::to_string(getpid()));
    fs::create_directories(root / "data");

    // Files of varying size adding up to the total, with incompressible content.
    std::mt19937_64 rng(42);
    std::vector<long long> sizes(files);
    long long total = totalMb << 20, sum = 0;
    for (int i = 0; i < files; ++i) sum += sizes[i] = 1 + rng() % 1000;
    std::string json = R"({"errcode":0,"data":{"updateLog":"","appName":"bench","fileList":[)";
    std::vector<std::string> paths;
    std::vector<char> block(1 << 20);
    for (int i = 0; i < files; ++i) {
        long long size = sizes[i] * total / sum;
        std::string name = "file" + std::to_string(i) + ".bin";
        fs::path p = root / "data" / name;
        std::ofstream out(p, std::ios::binary);
        for (long long left = size; left > 0;) {
            for (size_t k = 0; k < block.size(); k += 8) *reinterpret_cast<uint64_t*>(&block[k]) = rng();
            long long n = std::min<long long>(left, block.size());
            out.write(block.data(), n);
            left -= n;
        }
        paths.push_back(p.string());
        if (i) json += ",";
        json += R"({"fileName":")" + name + R"(","clientDir":"data","fileVer":"2","fileType":"file","fileSize":)" +
                std::to_string(size) + R"(,"fileUrl":"http://x/","md5":"","remark":""})";
    }
    json += "]}}";

    httplib::Server server;
    server.Post("/Service/UserService.ashx", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(json, "application/json");
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread serverThread([&] { server.listen_after_bind(); });

    std::string md5sum = "md5sum";
    for (const auto& p : paths) md5sum += " '" + p + "'";
    md5sum += " > /dev/null";

    auto ours = [&]() -> int {
        platform::OverrideExecutableFolder(root.string() + "/");
        AppConfig->LoadFromFile((root / "version.ini").string());
        AppConfig->SetWriteBack(false);
        TDownloadItemList list;
        bool done = false;
        platform::HWND window = platform::RegisterMessageTarget(
            [&](platform::UINT msg, platform::WPARAM, platform::LPARAM) -> platform::LRESULT {
                if (msg == WM_QUERY_FINISHED) done = true;
                return 0;
            });
        auto* query = new TQueryServerFiles();
        query->SetFreeOnTerminate(true);
        query->SetCheckUrl("http://127.0.0.1:" + std::to_string(port) + "/Service/UserService.ashx?GetFileList");
        query->SetCheckData(BuildCheckData("bench"));
        query->SetDownloadItemList(&list);
        query->MainWindow = window;
        query->Start();
        platform::RunMessageLoopUntil([&] { return done; });
        if (list.size() != static_cast<size_t>(files)) {
            std::fprintf(stderr, "expected %d items, got %zu\n", files, list.size());
            return 1;
        }
        return 0;
    };
    auto reference = [&]() -> int { return std::system(md5sum.c_str()) == 0 ? 0 : 1; };

    InChild(reference); // warm the page cache
    double bestOurs = 1e9, bestRef = 1e9, rss = 0;
    for (int round = 0; round < 3; ++round) {
        auto r = InChild(reference);
        auto o = InChild(ours);
        bestRef = std::min(bestRef, r.first);
        bestOurs = std::min(bestOurs, o.first);
        rss = std::max(rss, o.second);
    }
    server.stop();
    serverThread.join();
    fs::remove_all(root);

    std::printf("hashing %d local files, %lld MB in all (best of 3, warm page cache)\n", files, totalMb);
    std::printf("  %-34s %8.3f s\n", "md5sum (single-threaded)", bestRef);
    std::printf("  %-34s %8.3f s  peak RSS %.1f MB\n", "updater (building the items)", bestOurs, rss);
    std::printf("BENCH hash time_ratio=%.3f peak_rss_mb=%.1f\n", bestOurs / bestRef, rss);
    return 0;
}
