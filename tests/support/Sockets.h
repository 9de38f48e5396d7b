#pragma once
// The few socket calls the test servers make, over the system's own sockets.
#include <cstddef>
#include <cstdint>

namespace testsupport {

using SocketHandle = intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Address: reuse a port in TIME_WAIT; Port: several sockets share one port
// (where the system has it).
enum class Reuse { None, Address, Port };

// A TCP socket bound to a loopback port of the system's choice, listening
// when asked. Returns the socket and sets port; throws when it cannot.
SocketHandle BindLoopback(Reuse reuse, bool listening, int& port);
// The next connection (with Nagle's delay off), or kNoSocket.
SocketHandle AcceptConnection(SocketHandle listener);
// A connection to a loopback port, or kNoSocket.
SocketHandle ConnectLoopback(int port);
// Bytes sent or received, 0 at the end, negative on failure. Sending to a
// closed peer fails instead of ending the process.
long SendSome(SocketHandle socket, const char* data, size_t size);
long ReceiveSome(SocketHandle socket, char* data, size_t size);
// True when bytes (or the end) can be received within the time.
bool WaitReadable(SocketHandle socket, int milliseconds);
// Ends both directions, so that a thread blocked on the socket returns.
void ShutdownSocket(SocketHandle socket);
void CloseSocket(SocketHandle socket);

} // namespace testsupport
