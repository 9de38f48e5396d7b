#include "Sockets.h"

#include <stdexcept>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace testsupport {
namespace {

void Startup() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("WSAStartup failed");
}

SOCKET AsSocket(SocketHandle s) {
    return static_cast<SOCKET>(s);
}

} // namespace

SocketHandle BindLoopback(Reuse reuse, bool listening, int& port) {
    Startup();
    SOCKET s =
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    // Windows has no shared ports; SO_REUSEADDR there lets a second socket
    // take the port, which is what the sharing tests look for.
    BOOL one = TRUE;
    if (s != INVALID_SOCKET && reuse == Reuse::Port)
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (s == INVALID_SOCKET || ::bind(s, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        (listening && ::listen(s, 64) != 0) ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (s != INVALID_SOCKET) ::closesocket(s);
        throw std::runtime_error("cannot bind a loopback socket");
    }
    port = ntohs(addr.sin_port);
    return static_cast<SocketHandle>(s);
}

SocketHandle AcceptConnection(SocketHandle listener) {
    SOCKET s = ::accept(AsSocket(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET) return kNoSocket;
    BOOL one = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return static_cast<SocketHandle>(s);
}

SocketHandle ConnectLoopback(int port) {
    Startup();
    SOCKET s =
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<u_short>(port));
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::closesocket(s);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(s);
}

long SendSome(SocketHandle socket, const char* data, size_t size) {
    return ::send(AsSocket(socket), data, static_cast<int>(std::min<size_t>(size, 1 << 30)), 0);
}

long ReceiveSome(SocketHandle socket, char* data, size_t size) {
    return ::recv(AsSocket(socket), data, static_cast<int>(std::min<size_t>(size, 1 << 30)), 0);
}

bool WaitReadable(SocketHandle socket, int milliseconds) {
    WSAPOLLFD p{AsSocket(socket), POLLRDNORM, 0};
    return ::WSAPoll(&p, 1, milliseconds) != 0;
}

void ShutdownSocket(SocketHandle socket) {
    ::shutdown(AsSocket(socket), SD_BOTH);
}

void CloseSocket(SocketHandle socket) {
    ::closesocket(AsSocket(socket));
}

} // namespace testsupport
