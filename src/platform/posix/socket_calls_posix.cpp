#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "platform/free_port.h"
#include "platform/socket_calls.h"

namespace platform::socket_calls {
namespace {

int Fd(SocketHandle handle) { return static_cast<int>(handle); }

sockaddr_in MakeAddress(Ipv4Address address, int port) {
  sockaddr_in record{};
  record.sin_family = AF_INET;
  record.sin_port = htons(static_cast<std::uint16_t>(port));
  record.sin_addr.s_addr = address;
  return record;
}

// Repeats a call that a signal broke off.
template <typename Call>
auto Retrying(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
}

bool BoundRecord(SocketHandle handle, sockaddr_in& record) {
  socklen_t size = sizeof record;
  return getsockname(Fd(handle), reinterpret_cast<sockaddr*>(&record), &size) == 0;
}

bool ReadWhole(const char* path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

namespace {

// Messages are short lines that wait for an answer: each goes out at once,
// not held back until the previous one is acknowledged.
void SendAtOnce(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

SocketHandle Create(SocketKind kind) {
  const int type = kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM;
  const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  if (kind == SocketKind::Stream) SendAtOnce(fd);
  return fd;
}

void Shutdown(SocketHandle handle) { shutdown(Fd(handle), SHUT_RDWR); }

void Destroy(SocketHandle handle) { close(Fd(handle)); }

// A closed descriptor wakes nobody, and its number is soon given out again.
const bool kOnlyDestroyWakes = false;

bool Bind(SocketHandle handle, Ipv4Address address, int port) {
  int type = 0;
  socklen_t typeSize = sizeof type;
  if (getsockopt(Fd(handle), SOL_SOCKET, SO_TYPE, &type, &typeSize) == 0 && type == SOCK_STREAM) {
    // A restarted server gets its port back while old connections linger in
    // TIME_WAIT; two listeners on one port are still refused.
    const int on = 1;
    setsockopt(Fd(handle), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  }
  const sockaddr_in record = MakeAddress(address, port);
  return bind(Fd(handle), reinterpret_cast<const sockaddr*>(&record), sizeof record) == 0;
}

Ipv4Address LocalAddress(SocketHandle handle) {
  sockaddr_in record{};
  return BoundRecord(handle, record) ? record.sin_addr.s_addr : 0;
}

int LocalPort(SocketHandle handle) {
  sockaddr_in record{};
  return BoundRecord(handle, record) ? ntohs(record.sin_port) : 0;
}

bool Listen(SocketHandle handle, int backlog) { return listen(Fd(handle), backlog) == 0; }

SocketHandle Accept(SocketHandle handle, Ipv4Address& peer, int& peerPort) {
  sockaddr_in record{};
  socklen_t size = sizeof record;
  const int fd = Retrying([&] { return accept4(Fd(handle), reinterpret_cast<sockaddr*>(&record), &size, SOCK_CLOEXEC); });
  if (fd < 0) return kNoSocket;
  SendAtOnce(fd);
  peer = record.sin_addr.s_addr;
  peerPort = ntohs(record.sin_port);
  return fd;
}

bool Connect(SocketHandle handle, Ipv4Address address, int port) {
  const sockaddr_in record = MakeAddress(address, port);
  return connect(Fd(handle), reinterpret_cast<const sockaddr*>(&record), sizeof record) == 0;
}

int Send(SocketHandle handle, const char* bytes, int size) {
  return static_cast<int>(Retrying([&] { return send(Fd(handle), bytes, static_cast<std::size_t>(size), MSG_NOSIGNAL); }));
}

int SendWithoutWaiting(SocketHandle handle, const char* bytes, int size) {
  const auto sent = Retrying([&] { return send(Fd(handle), bytes, static_cast<std::size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT); });
  return sent > 0 ? static_cast<int>(sent) : 0;
}

int Receive(SocketHandle handle, char* buffer, int size) {
  return static_cast<int>(Retrying([&] { return recv(Fd(handle), buffer, static_cast<std::size_t>(size), 0); }));
}

bool OpenWaker(SocketWaker& waker) {
  waker.handle = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return waker.handle >= 0;
}

void CloseWaker(SocketWaker& waker) {
  if (waker.handle >= 0) close(static_cast<int>(waker.handle));
  waker.handle = -1;
}

void SignalWaker(const SocketWaker& waker) {
  const std::uint64_t one = 1;
  (void)!write(static_cast<int>(waker.handle), &one, sizeof one);
}

bool WaitReadable(SocketHandle handle, const SocketWaker& waker, int timeoutMs) {
  pollfd watched[2] = {{Fd(handle), POLLIN, 0}, {static_cast<int>(waker.handle), POLLIN, 0}};
  const int ready = Retrying([&] { return poll(watched, 2, timeoutMs); });
  if (watched[1].revents != 0) {
    std::uint64_t signals = 0;
    (void)!read(watched[1].fd, &signals, sizeof signals);
  }
  // A failed wait is left for the receive to report.
  return ready < 0 || watched[0].revents != 0;
}

int ReceiveFrom(SocketHandle handle, char* buffer, int size, Ipv4Address& sender, int& senderPort) {
  sockaddr_in record{};
  socklen_t recordSize = sizeof record;
  const auto count = Retrying([&] {
    return recvfrom(Fd(handle), buffer, static_cast<std::size_t>(size), 0, reinterpret_cast<sockaddr*>(&record), &recordSize);
  });
  sender = record.sin_addr.s_addr;
  senderPort = ntohs(record.sin_port);
  return static_cast<int>(count);
}

int SendTo(SocketHandle handle, Ipv4Address address, int port, const char* bytes, int size) {
  const sockaddr_in record = MakeAddress(address, port);
  return static_cast<int>(sendto(Fd(handle), bytes, static_cast<std::size_t>(size), MSG_NOSIGNAL,
                                 reinterpret_cast<const sockaddr*>(&record), sizeof record));
}

int EnableBroadcast(SocketHandle handle) {
  const int on = 1;
  return setsockopt(Fd(handle), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

bool ParseDotted(const std::string& text, Ipv4Address& address) {
  const in_addr_t parsed = inet_addr(text.c_str());
  if (parsed == INADDR_NONE) return false;
  address = parsed;
  return true;
}

Ipv4Address LookUp(const std::string& host) {
  if (host.empty()) return 0;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return 0;
  const Ipv4Address address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return address;
}

bool TcpTableAvailable() { return access("/proc/net/tcp", R_OK) == 0; }

bool ReadTcpTable(std::vector<int>& localPorts) {
  std::string text;
  if (!ReadWhole("/proc/net/tcp", text)) return false;
  AppendProcNetTcpPorts(text, localPorts);
  // Without IPv6 the second table is simply absent.
  if (ReadWhole("/proc/net/tcp6", text)) AppendProcNetTcpPorts(text, localPorts);
  return true;
}

}  // namespace platform::socket_calls
