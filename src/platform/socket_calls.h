// The raw socket calls of the platform, one thin function each, so that the
// wrappers above them are written once. Every function is safe to call from
// any thread; none throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using Ipv4Address = std::uint32_t;  // network byte order, 0 = none
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

enum class SocketKind { Stream, Datagram };

// "a.b.c.d".
std::string DottedAddress(Ipv4Address address);

namespace socket_calls {

// Not inherited by child processes. kNoSocket on failure.
SocketHandle Create(SocketKind kind);
// Wakes the calls blocked on the socket where the system lets it.
void Shutdown(SocketHandle handle);
void Destroy(SocketHandle handle);
// Whether only Destroy wakes a call blocked on the socket (Windows: a
// receive on a datagram socket, a connect). Else the handle is destroyed
// only once no thread can use it any more.
extern const bool kOnlyDestroyWakes;

bool Bind(SocketHandle handle, Ipv4Address address, int port);
// The address and port the socket is bound to (0 when unknown).
Ipv4Address LocalAddress(SocketHandle handle);
int LocalPort(SocketHandle handle);
bool Listen(SocketHandle handle, int backlog);
SocketHandle Accept(SocketHandle handle, Ipv4Address& peer, int& peerPort);
bool Connect(SocketHandle handle, Ipv4Address address, int port);

// Bytes moved, 0 at the peer's end, negative on failure.
int Send(SocketHandle handle, const char* bytes, int size);
int Receive(SocketHandle handle, char* buffer, int size);
// Sends what the system takes at once without blocking: the bytes moved,
// 0 when none (the buffer is full, a failure, or a system without a
// per-call non-blocking send). The caller queues the rest.
int SendWithoutWaiting(SocketHandle handle, const char* bytes, int size);
// Something another thread can end a wait on a socket with (Linux: an
// eventfd). Windows has none, as its socket waits take sockets only:
// OpenWaker fails there, and readers leave receiving to the receive thread.
struct SocketWaker {
  std::intptr_t handle = -1;
};
bool OpenWaker(SocketWaker& waker);
void CloseWaker(SocketWaker& waker);
void SignalWaker(const SocketWaker& waker);
// Waits until a receive on `handle` returns at once (bytes, the peer's end
// or a failure: true), `waker` is signalled or the timeout (-1: none) has
// passed (false). Uses up the waker's signals. Windows: true at once, the
// receive waiting itself.
bool WaitReadable(SocketHandle handle, const SocketWaker& waker, int timeoutMs);
int ReceiveFrom(SocketHandle handle, char* buffer, int size, Ipv4Address& sender, int& senderPort);
int SendTo(SocketHandle handle, Ipv4Address address, int port, const char* bytes, int size);
// 0 or setsockopt's failure result.
int EnableBroadcast(SocketHandle handle);

// inet_addr: false for a text that is not a dotted address.
bool ParseDotted(const std::string& text, Ipv4Address& address);
// The first IPv4 address of a name lookup; 0 when none.
Ipv4Address LookUp(const std::string& host);

// The local ports of the system's TCP connections (rows in the table's
// order); false when the table cannot be read.
bool TcpTableAvailable();
bool ReadTcpTable(std::vector<int>& localPorts);

}  // namespace socket_calls
}  // namespace platform
