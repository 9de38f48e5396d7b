// The development update server: answers the list request with the
// published filelist.json and serves the published files.
//
//   devserver <published folder> [--listen host:port] [--https cert.pem key.pem]
//             [--throttle bytes-per-second]
//
// Both are read from disk at every request, so a test or a person can change
// the release while the server runs. Every request is logged on stdout.
#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <chrono>
#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;

namespace {

bool ReadAll(const fs::path& p, std::string& out) {
    std::ifstream f(p, std::ios::binary);
    if (!f) return false;
    std::ostringstream s;
    s << f.rdbuf();
    out = s.str();
    return true;
}

httplib::Server* gServer = nullptr;

void Stop(int) {
    if (gServer) gServer->stop();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: devserver <published folder> [--listen host:port] [--https cert key]\n";
        return 2;
    }
    fs::path root = argv[1];
    std::string listen = UPDATER_SERVER_HOST;
    std::string cert, key;
    long long throttle = 0; // bytes per second; 0: as fast as the connection goes
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--listen") && i + 1 < argc) listen = argv[++i];
        else if (!std::strcmp(argv[i], "--throttle") && i + 1 < argc) throttle = std::atoll(argv[++i]);
        else if (!std::strcmp(argv[i], "--https") && i + 2 < argc) {
            cert = argv[++i];
            key = argv[++i];
        }
    }
    size_t colon = listen.rfind(':');
    std::string host = listen.substr(0, colon);
    int port = std::stoi(listen.substr(colon + 1));

    std::unique_ptr<httplib::Server> server;
    if (!cert.empty())
        server = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
    else
        server = std::make_unique<httplib::Server>();

    server->Post("/Service/UserService.ashx", [&](const httplib::Request& req, httplib::Response& res) {
        std::string list;
        if (!ReadAll(root / "filelist.json", list)) {
            res.status = 500;
            res.set_content("no release published", "text/plain; charset=utf-8");
            return;
        }
        std::cout << "list requested: " << req.body << std::endl;
        res.set_content(list, "application/json; charset=utf-8");
    });
    server->Get(R"(/files/(.*))", [&](const httplib::Request& req, httplib::Response& res) {
        fs::path rel = fs::path(req.matches[1].str()).lexically_normal();
        std::string body;
        if (rel.empty() || rel.is_absolute() || *rel.begin() == ".." ||
            !ReadAll(root / "files" / rel, body)) {
            std::cout << "missing: " << req.path << std::endl;
            res.status = 404;
            res.set_content("not found", "text/plain; charset=utf-8");
            return;
        }
        std::cout << "serving: " << req.path << " (" << body.size() << " bytes)" << std::endl;
        if (throttle <= 0) {
            res.set_content(std::move(body), "application/octet-stream");
            return;
        }
        // Slowed down, so that a person (or a test) can watch and cancel.
        auto data = std::make_shared<std::string>(std::move(body));
        res.set_content_provider(data->size(), "application/octet-stream",
                                 [data, throttle](size_t offset, size_t length, httplib::DataSink& sink) {
                                     size_t piece = std::min<size_t>(length, std::max<long long>(throttle / 20, 1));
                                     std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                     sink.write(data->data() + offset, piece);
                                     return true;
                                 });
    });

    gServer = server.get();
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    if (!server->bind_to_port(host.c_str(), port)) {
        std::cerr << "devserver: cannot listen on " << listen << "\n";
        return 1;
    }
    std::cout << "update server on " << (cert.empty() ? "http://" : "https://") << listen << " serving "
              << root.string() << std::endl;
    server->listen_after_bind();
    return 0;
}
