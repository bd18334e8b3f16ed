#include "platform/stream_connection.h"

#include <cstring>

#include "platform/stream_connection_state.h"

namespace platform {
namespace {

// What one receive may take at most.
constexpr std::size_t kReceiveBlock = 64 << 10;

}  // namespace

void StreamConnection::State::Read() {
  if (!open || reading) return;
  reading = true;
  // Bytes already given out go before the buffer grows; it grows (and is
  // cleared) only beyond the largest size it has had.
  if (start > 0) {
    std::memmove(received.data(), received.data() + start, end - start);
    searchFrom -= start;
    end -= start;
    start = 0;
  }
  if (received.size() < end + kReceiveBlock) received.resize(end + kReceiveBlock);
  socket.async_read_some(asio::buffer(received.data() + end, kReceiveBlock),
                         [self = shared_from_this()](const asio::error_code& error, std::size_t count) {
                           self->reading = false;
                           if (!self->open) return;
                           if (error || count == 0) {
                             self->End(true);
                             return;
                           }
                           self->end += count;
                           self->Received();
                         });
}

void StreamConnection::State::Received() {
  // The line callback may close the connection or drop its owner: this
  // state lives on through `keep`, and each pass checks `open`.
  const std::shared_ptr<State> keep = shared_from_this();
  while (open) {
    const std::size_t lineEnd = std::string_view(received.data(), end).find("\r\n", searchFrom);
    if (lineEnd == std::string_view::npos) break;
    const std::string_view line(received.data() + start, lineEnd - start);
    start = lineEnd + 2;
    searchFrom = start;
    const std::shared_ptr<const Events> told = events;
    if (told->line) told->line(line);
  }
  if (!open) return;
  // A CR at the end may be the first half of a line end.
  searchFrom = end > start ? end - 1 : start;
  if (end - start >= kMaxLineBytes) {
    End(true);
    return;
  }
  Read();
}

void StreamConnection::State::Write() {
  if (!open || writing || queue.empty()) return;
  writing = true;
  asio::async_write(socket, asio::buffer(queue.front()),
                    [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                      self->writing = false;
                      if (!self->open) return;
                      if (error) {
                        self->End(true);
                        return;
                      }
                      self->queuedBytes -= self->queue.front().size();
                      self->queue.pop_front();
                      if (!self->queue.empty()) {
                        self->Write();
                        return;
                      }
                      const std::shared_ptr<const Events> told = self->events;
                      if (told->drained) told->drained();
                    });
}

void StreamConnection::State::End(bool tell) {
  if (!open) return;
  open = false;
  asio::error_code ignored;
  socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket.close(ignored);
  queue.clear();
  queuedBytes = 0;
  received.clear();
  start = searchFrom = end = 0;
  const std::shared_ptr<const Events> told = std::move(events);
  events = std::make_shared<const Events>();
  if (tell && told->closed) told->closed();
}

StreamConnection::StreamConnection(EventLoop& loop)
    : state_(std::make_shared<State>(loop.GetContext().io)) {}

StreamConnection::StreamConnection(std::shared_ptr<State> state) : state_(std::move(state)) {}

StreamConnection::~StreamConnection() { Close(); }

void StreamConnection::SetEvents(Events events) {
  state_->events = std::make_shared<const Events>(std::move(events));
}

void StreamConnection::Connect(Ipv4Address address, int port) {
  const asio::ip::tcp::endpoint endpoint(AsioAddress(address), static_cast<unsigned short>(port));
  // The platform's own call makes the socket: not inherited by child
  // processes, lines sent at once.
  const SocketHandle handle = socket_calls::Create(SocketKind::Stream);
  asio::error_code error;
  if (handle != kNoSocket) {
    state_->socket.assign(asio::ip::tcp::v4(), static_cast<asio::ip::tcp::socket::native_handle_type>(handle), error);
    if (error) socket_calls::Destroy(handle);
  }
  if (handle == kNoSocket || error) {
    asio::post(state_->socket.get_executor(), [self = state_] {
      const std::shared_ptr<const Events> told = self->events;
      if (told->connected) told->connected(false);
    });
    return;
  }
  state_->socket.async_connect(endpoint, [self = state_](const asio::error_code& error) {
    if (!error) self->open = true;
    const std::shared_ptr<const Events> told = self->events;
    if (told->connected) told->connected(!error);
    if (!error) self->Read();
  });
}

void StreamConnection::StartReading() { state_->Read(); }

void StreamConnection::Send(std::string bytes) {
  if (!state_->open || bytes.empty()) return;
  state_->queuedBytes += bytes.size();
  state_->queue.push_back(std::move(bytes));
  state_->Write();
}

std::size_t StreamConnection::QueuedBytes() const { return state_->queuedBytes; }

void StreamConnection::Close() {
  if (state_->open) {
    state_->End(false);
  } else {
    // A connect in progress ends without telling.
    state_->events = std::make_shared<const Events>();
    asio::error_code ignored;
    state_->socket.close(ignored);
  }
}

bool StreamConnection::IsOpen() const { return state_->open; }

Ipv4Address StreamConnection::PeerAddress() const {
  asio::error_code error;
  const asio::ip::tcp::endpoint peer = state_->socket.remote_endpoint(error);
  return error ? 0 : FromAsioAddress(peer.address());
}

Ipv4Address StreamConnection::LocalAddress() const {
  asio::error_code error;
  const asio::ip::tcp::endpoint own = state_->socket.local_endpoint(error);
  return error ? 0 : FromAsioAddress(own.address());
}

}  // namespace platform
