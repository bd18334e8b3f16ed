#include "platform/datagram_port.h"

#include <array>

#include "platform/loop_context.h"

namespace platform {

struct DatagramPort::State : std::enable_shared_from_this<DatagramPort::State> {
  explicit State(asio::io_context& io) : socket(io) {}

  void Receive() {
    socket.async_receive_from(asio::buffer(buffer), sender,
                              [self = shared_from_this()](const asio::error_code& error, std::size_t count) {
                                if (!self->socket.is_open() || !self->received) return;
                                // A failed receive (a port unreachable report, a
                                // datagram too long for the buffer on Windows) is
                                // dropped and receiving goes on; any other failure
                                // ends it, so that a broken socket cannot spin.
                                // The callback may close the port: it runs from a
                                // copy of its own.
                                if (!error) {
                                  const Received told = self->received;
                                  told(std::string_view(self->buffer.data(), count),
                                       FromAsioAddress(self->sender.address()), self->sender.port());
                                }
                                const bool goesOn = !error || error == asio::error::connection_reset ||
                                                    error == asio::error::message_size;
                                if (goesOn && self->socket.is_open() && self->received) self->Receive();
                              });
  }

  asio::ip::udp::socket socket;
  asio::ip::udp::endpoint sender;
  std::array<char, 64 << 10> buffer;
  Received received;
};

DatagramPort::DatagramPort(EventLoop& loop) : state_(std::make_shared<State>(loop.GetContext().io)) {}

DatagramPort::~DatagramPort() { Close(); }

bool DatagramPort::Open(Ipv4Address address, int port, Received received) {
  Close();
  const SocketHandle handle = socket_calls::Create(SocketKind::Datagram);
  if (handle == kNoSocket) return false;
  asio::error_code error;
  if (!socket_calls::Bind(handle, address, port) || socket_calls::EnableBroadcast(handle) != 0) {
    socket_calls::Destroy(handle);
    return false;
  }
  state_->socket.assign(asio::ip::udp::v4(), static_cast<asio::ip::udp::socket::native_handle_type>(handle), error);
  if (error) {
    socket_calls::Destroy(handle);
    return false;
  }
  state_->received = std::move(received);
  state_->Receive();
  return true;
}

int DatagramPort::Port() const {
  asio::error_code error;
  const asio::ip::udp::endpoint own = state_->socket.local_endpoint(error);
  return error ? 0 : own.port();
}

bool DatagramPort::IsOpen() const { return state_->socket.is_open(); }

bool DatagramPort::SendTo(Ipv4Address address, int port, std::string_view bytes) {
  asio::error_code error;
  const asio::ip::udp::endpoint target(AsioAddress(address), static_cast<unsigned short>(port));
  const std::size_t sent = state_->socket.send_to(asio::buffer(bytes.data(), bytes.size()), target, 0, error);
  return !error && sent == bytes.size();
}

void DatagramPort::Close() {
  state_->received = nullptr;
  asio::error_code ignored;
  state_->socket.close(ignored);
}

}  // namespace platform
