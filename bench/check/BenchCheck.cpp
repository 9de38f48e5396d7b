// The whole check of a large installation — the list exchange with a
// loopback server, the parse, the items and the local digests — against
// `md5sum` over the same files, both with the files in the page cache.
//
//   bench_check [files=20000] [total_mb=2048]
#include "config/UnitAppConfig.h"
#include "platform/MainThread.h"
#include "platform/Md5.h"
#include "platform/Paths.h"
#include "update/Json.h"
#include "update/UnitQueryServerFiles.h"

#include <httplib.h>

#include "BenchSupport.h"
#include "LoopbackServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using bench::Clock;
using bench::InChild;
using bench::Seconds;

namespace {

// Serves the list answer to every POST.
pid_t StartServer(const std::string& answer, int& port) {
    return bench::StartLoopbackServer(
        [&](httplib::Server& server) {
            server.Post("/Service/UserService.ashx",
                        [&](const httplib::Request&, httplib::Response& res) {
                            res.set_content(answer, "application/json; charset=utf-8");
                        });
        },
        port);
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 20000;
    const long long totalMb = argc > 2 ? std::atoll(argv[2]) : 2048;
    const size_t each = static_cast<size_t>((totalMb << 20) / files);
    const fs::path root = fs::temp_directory_path() / ("bench-check-" + std::to_string(getpid()));
    const fs::path inst = root / "inst";

    // The installation, and a list that names every file with its own MD5:
    // the check finds everything up to date, so it is all reading and hashing.
    std::vector<char> block((1 << 20) + each);
    std::mt19937_64 rng(11);
    for (size_t i = 0; i + 8 <= block.size(); i += 8)
        *reinterpret_cast<uint64_t*>(&block[i]) = rng();
    std::string answer =
        R"({"errcode":0,"errmsg":"","data":{"updateLog":"","appName":"bench","fileList":[)";
    for (int i = 0; i < files; ++i) {
        const std::string dir = "d" + std::to_string(i % 100);
        const std::string name = "f" + std::to_string(i) + ".dat";
        fs::create_directories(inst / dir);
        std::string data(block.data() + (static_cast<size_t>(i) * 4099) % (1 << 20), each);
        std::memcpy(data.data(), &i, sizeof i);
        std::ofstream(inst / dir / name, std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
        if (i) answer += ",";
        answer += R"({"fileName":")" + name + R"(","clientDir":")" + dir +
                  R"(","fileVer":"2","fileType":"dat","fileSize":)" + std::to_string(each) +
                  R"(,"fileUrl":"http://127.0.0.1/)" + name + R"(","md5":")" +
                  platform::Md5Hex(data) + R"(","remark":""})";
    }
    answer += "]}}";

    auto t0 = Clock::now();
    JsonValue parsed = JsonValue::Parse(answer);
    const double parseMs = Seconds(Clock::now() - t0) * 1000;
    const size_t listed = parsed.Find("data")->Find("fileList")->Items().size();

    int port = 0;
    pid_t server = StartServer(answer, port);

    auto reference = [&]() -> int {
        const std::string cmd =
            "cd '" + inst.string() + "' && find . -type f -print0 | xargs -0 md5sum > /dev/null";
        return std::system(cmd.c_str()) == 0 ? 0 : 1;
    };
    auto ours = [&]() -> int {
        platform::OverrideExecutableFolder(inst.string() + "/");
        AppConfig->LoadFromFile((inst / "version.ini").string());
        AppConfig->SetWriteBack(false);
        OverrideUpdateServerHost("127.0.0.1:" + std::to_string(port));
        TDownloadItemList list;
        bool done = false;
        std::string error;
        auto* query = new TQueryServerFiles();
        query->SetFreeOnTerminate(true);
        query->SetOnTerminate([&](platform::TThread* t) {
            error = static_cast<TQueryServerFiles*>(t)->ErrorMessage();
            done = true;
        });
        query->SetCheckUrl(UpdateCheckUrl());
        query->SetCheckData(BuildCheckData("BENCH"));
        query->SetDownloadItemList(&list);
        query->Start();
        platform::RunMessageLoopUntil([&] { return done; });
        if (!error.empty() || !list.empty()) {
            std::fprintf(stderr, "check failed: %s, %zu items\n", error.c_str(), list.size());
            return 1;
        }
        return 0;
    };

    InChild(reference); // the files into the page cache
    double bestOurs = 1e9, bestRef = 1e9, rss = 0;
    for (int round = 0; round < 3; ++round) {
        bestRef = std::min(bestRef, InChild(reference).first);
        auto o = InChild(ours);
        bestOurs = std::min(bestOurs, o.first);
        rss = std::max(rss, o.second);
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    fs::remove_all(root);

    std::printf("checking %d files, %lld MB in all, every one up to date (best of 3)\n", files,
                totalMb);
    std::printf("  %-44s %8.3f s\n", "md5sum over the files", bestRef);
    std::printf("  %-44s %8.3f s  peak RSS %.1f MB\n",
                "updater check (exchange, parse, items, MD5s)", bestOurs, rss);
    std::printf("  list parse alone (%zu entries): %.1f ms\n", listed, parseMs);
    std::printf("BENCH check time_ratio=%.3f peak_rss_mb=%.1f parse_ms=%.1f goal_ratio=0.6\n",
                bestOurs / bestRef, rss, parseMs);
    return 0;
}
