#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <vector>

#include "platform/socket_calls.h"

namespace platform::socket_calls {
namespace {

SOCKET Raw(SocketHandle handle) { return static_cast<SOCKET>(handle); }

sockaddr_in MakeAddress(Ipv4Address address, int port) {
  sockaddr_in record{};
  record.sin_family = AF_INET;
  record.sin_port = htons(static_cast<u_short>(port));
  record.sin_addr.s_addr = address;
  return record;
}

bool BoundRecord(SocketHandle handle, sockaddr_in& record) {
  int size = sizeof record;
  return getsockname(Raw(handle), reinterpret_cast<sockaddr*>(&record), &size) == 0;
}

SocketHandle Wrap(SOCKET raw) {
  if (raw == INVALID_SOCKET) return kNoSocket;
  // Children started with inherited pipes must not hold the connection.
  SetHandleInformation(reinterpret_cast<HANDLE>(raw), HANDLE_FLAG_INHERIT, 0);
  return static_cast<SocketHandle>(raw);
}

// The IP Helper library is optional: it is looked up once, at run time.
using GetTcpTableFunction = DWORD(WINAPI*)(PMIB_TCPTABLE, PULONG, BOOL);

GetTcpTableFunction TcpTableFunction() {
  static const GetTcpTableFunction function = [] {
    HMODULE library = LoadLibraryA("iphlpapi.dll");
    if (library == nullptr) return GetTcpTableFunction{};
    auto found = reinterpret_cast<GetTcpTableFunction>(reinterpret_cast<void*>(GetProcAddress(library, "GetTcpTable")));
    if (found == nullptr) FreeLibrary(library);
    return found;
  }();
  return function;
}

}  // namespace

namespace {

// Messages are short lines that wait for an answer: each goes out at once,
// not held back until the previous one is acknowledged.
void SendAtOnce(SOCKET raw) {
  const BOOL on = TRUE;
  setsockopt(raw, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

}  // namespace

SocketHandle Create(SocketKind kind) {
  const SOCKET raw = socket(AF_INET, kind == SocketKind::Stream ? SOCK_STREAM : SOCK_DGRAM, 0);
  if (raw != INVALID_SOCKET && kind == SocketKind::Stream) SendAtOnce(raw);
  return Wrap(raw);
}

void Shutdown(SocketHandle handle) { shutdown(Raw(handle), SD_BOTH); }

void Destroy(SocketHandle handle) { closesocket(Raw(handle)); }

// Shutting down leaves a datagram receive or a connect blocked; closing ends
// every call in progress on the socket.
const bool kOnlyDestroyWakes = true;

bool Bind(SocketHandle handle, Ipv4Address address, int port) {
  const sockaddr_in record = MakeAddress(address, port);
  return bind(Raw(handle), reinterpret_cast<const sockaddr*>(&record), sizeof record) == 0;
}

Ipv4Address LocalAddress(SocketHandle handle) {
  sockaddr_in record{};
  return BoundRecord(handle, record) ? record.sin_addr.s_addr : 0;
}

int LocalPort(SocketHandle handle) {
  sockaddr_in record{};
  return BoundRecord(handle, record) ? ntohs(record.sin_port) : 0;
}

bool Listen(SocketHandle handle, int backlog) { return listen(Raw(handle), backlog) == 0; }

SocketHandle Accept(SocketHandle handle, Ipv4Address& peer, int& peerPort) {
  sockaddr_in record{};
  int size = sizeof record;
  const SOCKET raw = accept(Raw(handle), reinterpret_cast<sockaddr*>(&record), &size);
  if (raw == INVALID_SOCKET) return kNoSocket;
  SendAtOnce(raw);
  peer = record.sin_addr.s_addr;
  peerPort = ntohs(record.sin_port);
  return Wrap(raw);
}

bool Connect(SocketHandle handle, Ipv4Address address, int port) {
  const sockaddr_in record = MakeAddress(address, port);
  return connect(Raw(handle), reinterpret_cast<const sockaddr*>(&record), sizeof record) == 0;
}

int Send(SocketHandle handle, const char* bytes, int size) { return send(Raw(handle), bytes, size, 0); }

// Winsock makes a whole socket non-blocking or none of it, and the receive
// thread blocks on the same socket: everything goes through the send thread.
int SendWithoutWaiting(SocketHandle, const char*, int) { return 0; }

int Receive(SocketHandle handle, char* buffer, int size) { return recv(Raw(handle), buffer, size, 0); }

bool OpenWaker(SocketWaker&) { return false; }

void CloseWaker(SocketWaker&) {}

void SignalWaker(const SocketWaker&) {}

bool WaitReadable(SocketHandle, const SocketWaker&, int) { return true; }

int ReceiveFrom(SocketHandle handle, char* buffer, int size, Ipv4Address& sender, int& senderPort) {
  sockaddr_in record{};
  int recordSize = sizeof record;
  const int count = recvfrom(Raw(handle), buffer, size, 0, reinterpret_cast<sockaddr*>(&record), &recordSize);
  sender = record.sin_addr.s_addr;
  senderPort = ntohs(record.sin_port);
  return count;
}

int SendTo(SocketHandle handle, Ipv4Address address, int port, const char* bytes, int size) {
  const sockaddr_in record = MakeAddress(address, port);
  return sendto(Raw(handle), bytes, size, 0, reinterpret_cast<const sockaddr*>(&record), sizeof record);
}

int EnableBroadcast(SocketHandle handle) {
  const BOOL on = TRUE;
  return setsockopt(Raw(handle), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
}

bool ParseDotted(const std::string& text, Ipv4Address& address) {
  const unsigned long parsed = inet_addr(text.c_str());
  if (parsed == INADDR_NONE) return false;
  address = parsed;
  return true;
}

Ipv4Address LookUp(const std::string& host) {
  if (host.empty()) return 0;
  // The result lives in storage of the calling thread.
  const hostent* found = gethostbyname(host.c_str());
  if (found == nullptr || found->h_addrtype != AF_INET || found->h_addr_list[0] == nullptr) return 0;
  Ipv4Address address = 0;
  memcpy(&address, found->h_addr_list[0], sizeof address);
  return address;
}

bool TcpTableAvailable() { return TcpTableFunction() != nullptr; }

bool ReadTcpTable(std::vector<int>& localPorts) {
  const GetTcpTableFunction getTcpTable = TcpTableFunction();
  if (getTcpTable == nullptr) return false;
  ULONG size = 0;
  getTcpTable(nullptr, &size, FALSE);
  // Connections come and go between the calls: a table grown meanwhile is
  // asked for again with the new size.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<DWORD> buffer(size / sizeof(DWORD) + sizeof(MIB_TCPROW));
    ULONG bufferSize = static_cast<ULONG>(buffer.size() * sizeof(DWORD));
    const auto table = reinterpret_cast<PMIB_TCPTABLE>(buffer.data());
    const DWORD result = getTcpTable(table, &bufferSize, TRUE);
    if (result == ERROR_INSUFFICIENT_BUFFER) {
      size = bufferSize;
      continue;
    }
    if (result != NO_ERROR) return false;
    for (DWORD row = 0; row < table->dwNumEntries; ++row) {
      // The port is the first two bytes of the field, in network order.
      const auto bytes = reinterpret_cast<const unsigned char*>(&table->table[row].dwLocalPort);
      localPorts.push_back(bytes[0] << 8 | bytes[1]);
    }
    return true;
  }
  return false;
}

}  // namespace platform::socket_calls
