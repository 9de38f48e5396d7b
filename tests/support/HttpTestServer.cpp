#include "HttpTestServer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {
std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

std::string HttpRequest::Header(const std::string& name) const {
    for (const auto& [k, v] : headers)
        if (Lower(k) == Lower(name)) return v;
    return "";
}

HttpReply HttpReply::Text(int status, std::string body, std::string reason) {
    HttpReply r;
    r.status = status;
    r.reason = reason.empty() ? (status == 200 ? "OK" : "Status") : reason;
    r.body = std::move(body);
    return r;
}

HttpTestServer::HttpTestServer(Handler handler) : FHandler(std::move(handler)) {
    FListen = BindLoopback(Reuse::Address, true, FPort);
    FAcceptThread = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStopping = true;
    }
    FStopped.notify_all();
    // A connection of our own wakes the accepting thread, which then sees
    // the flag; the same works on every system.
    SocketHandle wake = ConnectLoopback(FPort);
    FAcceptThread.join();
    if (wake != kNoSocket) CloseSocket(wake);
    {
        std::lock_guard<std::mutex> lock(FMutex);
        for (SocketHandle s : FOpenSockets)
            ShutdownSocket(s);
    }
    for (auto& t : FConnections)
        t.join();
    CloseSocket(FListen);
}

std::string HttpTestServer::Url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(FPort) + target;
}

std::vector<HttpRequest> HttpTestServer::Requests() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FRequests;
}

size_t HttpTestServer::RequestCount() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FRequests.size();
}

int HttpTestServer::ClosedPort() {
    int port = 0;
    // Bound but never listening: connections are refused.
    CloseSocket(BindLoopback(Reuse::None, false, port));
    return port;
}

bool HttpTestServer::WaitStop(std::chrono::milliseconds d) {
    std::unique_lock<std::mutex> lock(FMutex);
    return FStopped.wait_for(lock, d, [this] { return FStopping.load(); });
}

void HttpTestServer::AcceptLoop() {
    for (;;) {
        SocketHandle s = AcceptConnection(FListen);
        if (FStopping) {
            if (s != kNoSocket) CloseSocket(s);
            return;
        }
        if (s == kNoSocket) continue;
        std::lock_guard<std::mutex> lock(FMutex);
        FOpenSockets.push_back(s);
        FConnections.emplace_back([this, s] { Serve(s); });
    }
}

bool HttpTestServer::Send(SocketHandle socket, const std::string& data) {
    size_t off = 0;
    while (off < data.size()) {
        long n = SendSome(socket, data.data() + off, data.size() - off);
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

void HttpTestServer::Serve(SocketHandle fd) {
    std::string buffer;
    char chunk[65536];
    auto readMore = [&] {
        // Polled, because a shutdown does not wake a blocked receive everywhere
        // (Wine keeps it waiting for the client's idle connection).
        while (!WaitReadable(fd, 100))
            if (FStopping) return false;
        long n = ReceiveSome(fd, chunk, sizeof chunk);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    };
    for (;;) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos)
            if (!readMore()) goto done;
        {
            HttpRequest req;
            std::string head = buffer.substr(0, headEnd);
            buffer.erase(0, headEnd + 4);
            size_t lineEnd = head.find("\r\n");
            std::string requestLine = head.substr(0, lineEnd);
            size_t s1 = requestLine.find(' '), s2 = requestLine.rfind(' ');
            req.method = requestLine.substr(0, s1);
            req.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
            size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
            while (pos < head.size()) {
                size_t e = head.find("\r\n", pos);
                if (e == std::string::npos) e = head.size();
                std::string line = head.substr(pos, e - pos);
                size_t colon = line.find(':');
                if (colon != std::string::npos) {
                    std::string v = line.substr(colon + 1);
                    v.erase(0, v.find_first_not_of(' '));
                    req.headers.emplace_back(line.substr(0, colon), v);
                }
                pos = e + 2;
            }
            size_t length = 0;
            if (!req.Header("Content-Length").empty())
                length = std::stoul(req.Header("Content-Length"));
            while (buffer.size() < length)
                if (!readMore()) goto done;
            req.body = buffer.substr(0, length);
            buffer.erase(0, length);
            {
                std::lock_guard<std::mutex> lock(FMutex);
                FRequests.push_back(req);
            }

            HttpReply r = FHandler(req);
            if (r.delay.count() > 0 && WaitStop(r.delay)) goto done;
            std::string out = "HTTP/1.1 " + std::to_string(r.status) + " " + r.reason + "\r\n";
            for (const auto& [k, v] : r.headers)
                out += k + ": " + v + "\r\n";
            if (r.framing == HttpReply::Framing::Length)
                out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
            else if (r.framing == HttpReply::Framing::Chunked)
                out += "Transfer-Encoding: chunked\r\n";
            else
                out += "Connection: close\r\n";
            out += "\r\n";
            if (!Send(fd, out)) goto done;
            size_t limit = std::min(r.body.size(), std::min(r.stallAfter, r.dropAfter));
            for (size_t off = 0; off < limit;) {
                size_t n = std::min(r.pieceSize, limit - off);
                std::string piece = r.body.substr(off, n);
                if (r.framing == HttpReply::Framing::Chunked) {
                    char size[32];
                    std::snprintf(size, sizeof size, "%zx\r\n", n);
                    piece = size + piece + "\r\n";
                }
                if (!Send(fd, piece)) goto done;
                off += n;
                if (r.pieceDelay.count() > 0 && off < limit && WaitStop(r.pieceDelay)) goto done;
            }
            if (r.stallAfter != HttpReply::kAll && r.stallAfter < r.body.size()) {
                WaitStop(std::chrono::hours(1));
                goto done;
            }
            if (r.dropAfter != HttpReply::kAll && r.dropAfter < r.body.size()) goto done;
            if (r.framing == HttpReply::Framing::Chunked && !Send(fd, "0\r\n\r\n")) goto done;
            if (r.framing == HttpReply::Framing::Close) goto done;
            if (Lower(req.Header("Connection")) == "close") goto done;
        }
    }
done:
    ShutdownSocket(fd);
    std::lock_guard<std::mutex> lock(FMutex);
    FOpenSockets.erase(std::remove(FOpenSockets.begin(), FOpenSockets.end(), fd),
                       FOpenSockets.end());
    CloseSocket(fd);
}

} // namespace testsupport
