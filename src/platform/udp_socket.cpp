#include "platform/udp_socket.h"

namespace platform {

UdpSocket::~UdpSocket() { CloseSocket(); }

int UdpSocket::OpenSocket() { return Open(SocketKind::Datagram); }

void UdpSocket::ResetBuffers() {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.clear();
}

int UdpSocket::EnableBroadcast() {
  const SocketHandle handle = handle_.load();
  return handle == kNoSocket ? -1 : socket_calls::EnableBroadcast(handle);
}

void UdpSocket::ReceiveLoop(SocketHandle handle) {
  // One byte more than allowed tells a long datagram from a full one on
  // systems that cut it to the buffer without an error.
  char block[kMaxDatagram + 1];
  while (!stopping_) {
    Datagram datagram;
    const int count = socket_calls::ReceiveFrom(handle, block, sizeof block, datagram.sender, datagram.senderPort);
    if (count <= 0 || count > kMaxDatagram) return;
    datagram.bytes.assign(block, static_cast<std::size_t>(count));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(datagram));
    }
    NotifyActivity();
  }
}

bool UdpSocket::HasReceivedLocked() { return !queue_.empty(); }

bool UdpSocket::TakeDatagram(Datagram& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queue_.empty()) return false;
  out = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

int UdpSocket::SendTo(Ipv4Address address, int port, std::string_view bytes) {
  return socket_calls::SendTo(handle_.load(), address, port, bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace platform
