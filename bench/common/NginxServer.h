#pragma once
// Debian's nginx serving a folder on a free loopback port, one process in a
// prefix of the benchmark's own, stopped with Stop().
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bench {

inline int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        std::exit(1);
    close(fd);
    return ntohs(addr.sin_port);
}

// A connected socket, or -1.
inline int ConnectLoopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

inline bool Accepts(int port) {
    const int fd = ConnectLoopback(port);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

// Waits until something listens on port, at most 10 s.
inline void WaitForListener(int port) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Accepts(port)) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "nothing listens on port %d\n", port);
            std::exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

class NginxServer {
public:
    // Serves `root` (absolute, ending in '/') at "/" with the headers a
    // release is served with, keeping connections for many requests.
    NginxServer(const std::string& prefix, const std::string& root) : FPort(FreeLoopbackPort()) {
        mkdir(prefix.c_str(), 0755);
        mkdir((prefix + "logs").c_str(), 0755);
        std::ofstream(prefix + "nginx.conf")
            << (geteuid() == 0 ? "user root;\n" : "") << "daemon off;\nmaster_process off;\n"
            << "pid " << prefix << "nginx.pid;\nerror_log " << prefix << "logs/error.log;\n"
            << "events { worker_connections 64; }\nhttp {\n"
            << "  client_body_temp_path " << prefix << "body;\n"
            << "  proxy_temp_path " << prefix << "proxy;\n"
            << "  fastcgi_temp_path " << prefix << "fastcgi;\n"
            << "  uwsgi_temp_path " << prefix << "uwsgi;\n"
            << "  scgi_temp_path " << prefix << "scgi;\n"
            << "  access_log off;\n  sendfile on;\n  tcp_nopush on;\n"
            << "  keepalive_requests 100000;\n  keepalive_timeout 300s;\n"
            << "  server {\n    listen 127.0.0.1:" << FPort << ";\n"
            << "    location / { root " << root << "; add_header Cache-Control no-cache; }\n"
            << "  }\n}\n";
        FPid = fork();
        if (FPid == 0) {
            execl("/usr/sbin/nginx", "nginx", "-p", prefix.c_str(), "-c",
                  (prefix + "nginx.conf").c_str(), static_cast<char*>(nullptr));
            std::perror("nginx");
            _exit(127);
        }
        WaitForListener(FPort);
    }
    ~NginxServer() { Stop(); }
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    int Port() const { return FPort; }
    // The CPU time (user and system) the server has used so far.
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(FPid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // Fields 14 and 15 (utime, stime) follow the command name in parentheses.
        std::istringstream rest(text.substr(text.rfind(')') + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::stoull(field);
            if (i == 15) stime = std::stoull(field);
        }
        return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    void Stop() {
        if (FPid <= 0) return;
        kill(FPid, SIGTERM);
        waitpid(FPid, nullptr, 0);
        FPid = 0;
    }

private:
    int FPort;
    pid_t FPid = 0;
};

} // namespace bench
