#include "Sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

SocketHandle BindLoopback(Reuse reuse, bool listening, int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    if (fd >= 0 && reuse != Reuse::None)
        ::setsockopt(fd, SOL_SOCKET, reuse == Reuse::Port ? SO_REUSEPORT : SO_REUSEADDR, &one,
                     sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        (listening && ::listen(fd, 64) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot bind a loopback socket");
    }
    port = ntohs(addr.sin_port);
    return fd;
}

SocketHandle AcceptConnection(SocketHandle listener) {
    int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return kNoSocket;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

SocketHandle ConnectLoopback(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

long SendSome(SocketHandle socket, const char* data, size_t size) {
    return ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
}

long ReceiveSome(SocketHandle socket, char* data, size_t size) {
    return ::recv(static_cast<int>(socket), data, size, 0);
}

bool WaitReadable(SocketHandle socket, int milliseconds) {
    pollfd p{static_cast<int>(socket), POLLIN, 0};
    return ::poll(&p, 1, milliseconds) != 0;
}

void ShutdownSocket(SocketHandle socket) {
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void CloseSocket(SocketHandle socket) {
    ::close(static_cast<int>(socket));
}

} // namespace testsupport
