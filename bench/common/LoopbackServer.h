#pragma once
// A cpp-httplib server on a loopback port of the system's choice, in a child
// process of its own so that it takes no time from the process measured.
#include <httplib.h>

#include <cstdlib>
#include <functional>
#include <sys/types.h>
#include <unistd.h>

namespace bench {

// `routes` sets the server's handlers up; the port it listens on is stored
// in `port`. Stop the child with SIGTERM and wait for it.
inline pid_t StartLoopbackServer(const std::function<void(httplib::Server&)>& routes, int& port) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        httplib::Server server;
        routes(server);
        int p = server.bind_to_any_port("127.0.0.1");
        if (write(fds[1], &p, sizeof p) != sizeof p) _exit(1);
        server.listen_after_bind();
        _exit(0);
    }
    close(fds[1]);
    if (read(fds[0], &port, sizeof port) != sizeof port) std::exit(1);
    close(fds[0]);
    return pid;
}

} // namespace bench
