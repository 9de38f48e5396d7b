// The development update server: answers the list request with the
// published filelist.json (and its signature from filelist.json.sig, when
// the release is signed) and serves the published files.
//
//   devserver <published folder> [--listen host:port] [--https cert.pem key.pem]
//             [--throttle bytes-per-second]
//
// Both are read from disk at every request, so a test or a person can change
// the release while the server runs. Every request is logged on stdout.
#include "CommandLine.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <netdb.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Exit status 3: the port is held by another listener (the demo tells that
// case apart); 2 the command line is wrong; 1 anything else.
constexpr int kPortBusy = 3;

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

struct ListenAddress {
    std::string host;
    int port = 0;
};

// "host:port" or "[v6 address]:port"; false on any other form.
bool ParseListen(const std::string& text, ListenAddress& out) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    std::string host = text.substr(0, colon), port = text.substr(colon + 1);
    if (host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    out.host = host;
    out.port = std::stoi(port);
    return out.port >= 1 && out.port <= 65535;
}

// Only SO_REUSEADDR: a restarted server binds at once over connections still in
// TIME_WAIT, while a port another socket listens on is refused. cpp-httplib's
// default adds SO_REUSEPORT on Linux, which lets a second server share the port
// and split the requests with the first.
void ExclusiveSocketOptions(socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Why binding failed, asked again with the same socket options: cpp-httplib
// only says that it failed, and errno after it is not part of its contract.
int BindErrno(const ListenAddress& address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found) !=
        0)
        return EADDRNOTAVAIL;
    int error = 0;
    for (addrinfo* ai = found; ai; ai = ai->ai_next) {
        int sock = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (sock < 0) {
            error = errno;
            continue;
        }
        ExclusiveSocketOptions(sock);
        bool bound = ::bind(sock, ai->ai_addr, ai->ai_addrlen) == 0;
        error = bound ? 0 : errno;
        ::close(sock);
        if (error == EADDRINUSE) break;
    }
    ::freeaddrinfo(found);
    return error;
}

} // namespace

int main(int argc, char** argv) {
    std::string root;
    std::string listen = UPDATER_SERVER_HOST;
    std::vector<std::string> https;
    long long throttle = 0; // bytes per second; 0: as fast as the connection goes

    CLI::App app{
        "The development update server. It answers the updater's list request with\n"
        "<published folder>/filelist.json and serves the files under <published folder>/files/,\n"
        "both read from disk at every request. Every request is logged on standard output.",
        "devserver"};
    app.add_option(
           "published-folder", root,
           "The publisher's output folder: filelist.json and files/ (see publisher --help).")
        ->required()
        ->check(CLI::ExistingDirectory);
    app.add_option("--listen", listen,
                   "Address to listen on. The updater asks the address it was built with "
                   "(-DUPDATER_SERVER_HOST=host:port).")
        ->type_name("HOST:PORT")
        ->capture_default_str();
    app.add_option("--https", https,
                   "Serve HTTPS with this PEM certificate and its PEM private key.")
        ->expected(2)
        ->type_name("CERT KEY")
        ->check(CLI::ExistingFile);
    app.add_option(
           "--throttle", throttle,
           "Send files at about this many bytes per second, so that a download can be watched "
           "or cancelled; 0 sends at full speed.")
        ->type_name("BYTES-PER-SECOND")
        ->check(CLI::Range(0LL, 1000000000LL))
        ->capture_default_str();
    app.footer("Requests: POST /Service/UserService.ashx (the list), GET /files/<path> (a file).\n"
               "Exit status: 2 the command line is wrong; 3 the port is already in use by another\n"
               "listener (stop it, or choose another port with --listen); 1 any other failure.");
    if (auto status = tools::ParseCommandLine(app, argc, argv)) return *status;

    ListenAddress address;
    if (!ParseListen(listen, address)) {
        std::cerr << "devserver: --listen wants host:port with a port from 1 to 65535, not \""
                  << listen << "\"\n";
        return tools::kUsageError;
    }

    std::unique_ptr<httplib::Server> server;
    if (!https.empty())
        server = std::make_unique<httplib::SSLServer>(https[0].c_str(), https[1].c_str());
    else
        server = std::make_unique<httplib::Server>();
    if (!server->is_valid()) {
        std::cerr << "devserver: cannot use the certificate " << https[0] << " with the key "
                  << https[1] << "\n";
        return 1;
    }
    server->set_socket_options(ExclusiveSocketOptions);

    fs::path folder = root;
    server->Post("/Service/UserService.ashx", [&](const httplib::Request& req,
                                                  httplib::Response& res) {
        std::string list;
        if (!ReadAll(folder / "filelist.json", list)) {
            res.status = 500;
            res.set_content("no release published", "text/plain; charset=utf-8");
            return;
        }
        std::cout << "list requested: " << req.body << std::endl;
        // A signed release has its signature beside the list.
        std::string signature;
        if (ReadAll(folder / "filelist.json.sig", signature)) {
            while (!signature.empty() && std::isspace(static_cast<unsigned char>(signature.back())))
                signature.pop_back();
            res.set_header("X-Update-Signature", signature);
        }
        res.set_content(list, "application/json; charset=utf-8");
    });
    server->Get(R"(/files/(.*))", [&](const httplib::Request& req, httplib::Response& res) {
        fs::path rel = fs::path(req.matches[1].str()).lexically_normal();
        std::string body;
        if (rel.empty() || rel.is_absolute() || *rel.begin() == ".." ||
            !ReadAll(folder / "files" / rel, body)) {
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
        res.set_content_provider(
            data->size(), "application/octet-stream",
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
    if (!server->bind_to_port(address.host.c_str(), address.port)) {
        int error = BindErrno(address);
        if (error == EADDRINUSE) {
            std::cerr
                << "devserver: port " << address.port << " on " << address.host
                << " is already in use by another listener.\n"
                << "Stop the other listener (an earlier devserver, demo or test still running?), "
                   "or choose another port with --listen host:port.\n";
            return kPortBusy;
        }
        std::cerr << "devserver: cannot listen on " << listen << ": "
                  << (error ? std::strerror(error) : "unknown error") << "\n";
        return 1;
    }
    std::cout << "update server on " << (https.empty() ? "http://" : "https://") << listen
              << " serving " << folder.string() << std::endl;
    server->listen_after_bind();
    return 0;
}
