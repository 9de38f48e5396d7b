#pragma once
// A link with latency on loopback (the kernel here has no netem): a proxy in
// a child process that holds every chunk it forwards for a set time in each
// direction, without limiting the bandwidth or the chunks in flight.
#include "NginxServer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

namespace bench {

namespace detail {

// Copies from one socket to the other, each chunk `delay` after it was read.
inline void Pump(int from, int to, std::chrono::milliseconds delay) {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable queued;
    std::deque<std::pair<Clock::time_point, std::string>> chunks;
    bool ended = false;
    std::thread writer([&] {
        for (;;) {
            std::pair<Clock::time_point, std::string> chunk;
            {
                std::unique_lock<std::mutex> lock(mutex);
                queued.wait(lock, [&] { return ended || !chunks.empty(); });
                if (chunks.empty()) break;
                chunk = std::move(chunks.front());
                chunks.pop_front();
            }
            std::this_thread::sleep_until(chunk.first);
            for (size_t sent = 0; sent < chunk.second.size();) {
                const ssize_t n =
                    send(to, chunk.second.data() + sent, chunk.second.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
        }
        shutdown(to, SHUT_WR);
    });
    char buffer[65536];
    ssize_t n;
    while ((n = recv(from, buffer, sizeof buffer, 0)) > 0) {
        std::lock_guard<std::mutex> lock(mutex);
        chunks.emplace_back(Clock::now() + delay, std::string(buffer, static_cast<size_t>(n)));
        queued.notify_one();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        queued.notify_one();
    }
    writer.join();
}

} // namespace detail

class LatencyProxy {
public:
    LatencyProxy(int targetPort, std::chrono::milliseconds delay) {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(listener, 16) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            std::exit(1);
        FPort = ntohs(addr.sin_port);
        FPid = fork();
        if (FPid == 0) {
            for (;;) {
                const int client = accept(listener, nullptr, nullptr);
                if (client < 0) continue;
                std::thread([client, targetPort, delay] {
                    const int server = ConnectLoopback(targetPort);
                    if (server >= 0) {
                        std::thread back([&] { detail::Pump(server, client, delay); });
                        detail::Pump(client, server, delay);
                        back.join();
                        close(server);
                    }
                    close(client);
                }).detach();
            }
        }
        close(listener);
    }
    ~LatencyProxy() {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    LatencyProxy(const LatencyProxy&) = delete;
    LatencyProxy& operator=(const LatencyProxy&) = delete;

    int Port() const { return FPort; }

private:
    int FPort = 0;
    pid_t FPid = 0;
};

} // namespace bench
