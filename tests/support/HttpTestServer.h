#pragma once
// A small HTTP/1.1 server on loopback for tests, over plain sockets so that
// a test can script what real servers do wrong: stall, drop the connection,
// answer slowly, send no length or chunks.
#include "Sockets.h"
#include <atomic>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

struct HttpRequest {
    std::string method;
    std::string target; // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string Header(const std::string& name) const; // case-insensitive; "" when absent
};

struct HttpReply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    enum class Framing { Length, Chunked, Close } framing = Framing::Length;
    std::chrono::milliseconds delay{0}; // before anything is sent
    static constexpr size_t kAll = static_cast<size_t>(-1);
    size_t stallAfter = kAll;                // send this many body bytes, then send nothing more
    size_t dropAfter = kAll;                 // send this many body bytes, then close the connection
    size_t pieceSize = 64 * 1024;            // body written in pieces of this size
    std::chrono::milliseconds pieceDelay{0}; // pause between pieces

    static HttpReply Text(int status, std::string body, std::string reason = "");
};

class HttpTestServer {
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;
    explicit HttpTestServer(Handler handler);
    ~HttpTestServer(); // stops: stalled replies end, connections close
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int Port() const { return FPort; }
    std::string Url(const std::string& target) const; // "http://127.0.0.1:<port>" + target
    std::vector<HttpRequest> Requests();
    size_t RequestCount();

    // A loopback port where nothing listens (connections are refused).
    static int ClosedPort();

private:
    void AcceptLoop();
    void Serve(SocketHandle socket);
    bool Send(SocketHandle socket, const std::string& data);
    bool WaitStop(std::chrono::milliseconds d);

    Handler FHandler;
    SocketHandle FListen = kNoSocket;
    int FPort = 0;
    std::atomic<bool> FStopping{false};
    std::condition_variable FStopped;
    std::thread FAcceptThread;
    std::mutex FMutex;
    std::vector<std::thread> FConnections;
    std::vector<SocketHandle> FOpenSockets;
    std::vector<HttpRequest> FRequests;
};

} // namespace testsupport
