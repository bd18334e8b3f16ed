#include "platform/stream_listener.h"

#include "platform/stream_connection_state.h"

namespace platform {
namespace {

// After a failed accept that the peer did not cause (no descriptors left),
// accepting waits this long, so that a lasting failure does not spin.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);

}  // namespace

struct StreamListener::State : std::enable_shared_from_this<StreamListener::State> {
  explicit State(asio::io_context& context) : io(context), acceptor(context), pause(context) {}

  void Accept() {
    auto next = std::make_shared<StreamConnection::State>(io);
    acceptor.async_accept(next->socket, [self = shared_from_this(), next](const asio::error_code& error) {
      if (!self->acceptor.is_open() || !self->accepted) return;
      if (!error) {
        next->open = true;
        // Messages are short lines that wait for an answer: each goes out
        // at once.
        asio::error_code ignored;
        next->socket.set_option(asio::ip::tcp::no_delay(true), ignored);
        self->accepted(std::make_unique<StreamConnection>(next));
      }
      // A failed accept (the peer gave up meanwhile, no descriptors left
      // for a moment) does not end listening.
      if (!self->acceptor.is_open()) return;
      if (!error || error == asio::error::connection_aborted || error == asio::error::connection_reset) {
        self->Accept();
        return;
      }
      self->pause.expires_after(kAcceptPause);
      self->pause.async_wait([self](const asio::error_code&) {
        if (self->acceptor.is_open() && self->accepted) self->Accept();
      });
    });
  }

  asio::io_context& io;
  asio::ip::tcp::acceptor acceptor;
  asio::steady_timer pause;
  std::function<void(std::unique_ptr<StreamConnection>)> accepted;
};

StreamListener::StreamListener(EventLoop& loop) : state_(std::make_shared<State>(loop.GetContext().io)) {}

StreamListener::~StreamListener() { Close(); }

bool StreamListener::Listen(Ipv4Address address, int port) {
  // The platform's own socket calls make and bind it: no inheritance by
  // child processes, and the address reuse each system wants.
  const SocketHandle handle = socket_calls::Create(SocketKind::Stream);
  if (handle == kNoSocket) return false;
  asio::error_code error;
  if (!socket_calls::Bind(handle, address, port)) {
    socket_calls::Destroy(handle);
    return false;
  }
  asio::ip::tcp::acceptor& acceptor = state_->acceptor;
  acceptor.assign(asio::ip::tcp::v4(), static_cast<asio::ip::tcp::acceptor::native_handle_type>(handle), error);
  if (error) {
    socket_calls::Destroy(handle);
    return false;
  }
  acceptor.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    acceptor.close(error);
    return false;
  }
  return true;
}

int StreamListener::Port() const {
  asio::error_code error;
  const asio::ip::tcp::endpoint own = state_->acceptor.local_endpoint(error);
  return error ? 0 : own.port();
}

void StreamListener::StartAccepting(std::function<void(std::unique_ptr<StreamConnection>)> accepted) {
  state_->accepted = std::move(accepted);
  state_->Accept();
}

void StreamListener::Close() {
  state_->accepted = nullptr;
  state_->pause.cancel();
  asio::error_code ignored;
  state_->acceptor.close(ignored);
}

}  // namespace platform
