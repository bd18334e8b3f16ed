// The common base of both sides of a connection: the message names it
// accepts, registered on its own expression evaluator, the reading of
// message lines from its socket and the waiting for replies.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "distributed/protocol_messages.h"
#include "makefile/expression_evaluator.h"
#include "platform/tcp_socket.h"

namespace distributed {

enum class ReplyOutcome { Ok = 0, Garbled = 1, Error = 2, Unexpected = 3, NoReply = 4 };

// ParseMessage's results.
enum ParseResult : int { kParseAccepted = 0, kParseGarbled = 1, kParseOtherKind = 2 };

// ReadMessageLine's results. A time-out and a lost connection both close
// the socket.
enum LineResult : int { kLineTaken = 0, kLineNone = 1, kLineTimedOut = 2, kLineLost = 3 };

// No time limit on reading.
inline constexpr int kNoReadLimit = -1;
// The client's limit; the server's comes from its settings.
inline constexpr int kClientReadLimitMs = 100 * 1000;
int ServerReadLimitMs(bool timeoutOn, int timeoutMinutes);

class ProtocolPeer {
 public:
  // Registers OK and ERR.
  ProtocolPeer();
  virtual ~ProtocolPeer() = default;
  ProtocolPeer(const ProtocolPeer&) = delete;
  ProtocolPeer& operator=(const ProtocolPeer&) = delete;

  // Evaluates `line` (without its CR LF) as one message. kParseGarbled when
  // it is no registered message; kParseOtherKind when it is one but not of
  // `expectedKind` (0 accepts any kind). `value` is the evaluation's value,
  // 0 from every handler.
  int ParseMessage(const std::string& line, int expectedKind, std::int32_t& value);

  // Takes one line from the socket. Without `wait`, kLineNone at once when
  // no whole line is buffered. With it, waits for a line; kLineNone then
  // means Wake() ended the wait. Lines already buffered are taken even
  // after the peer has closed.
  int ReadMessageLine(bool wait, std::string& line);

  // Reads one line with waiting and sorts it as a reply to a message that
  // expects OK. NoReply when the connection ended or the time ran out (the
  // socket is then closed), and when Wake() ended the wait (it stays open).
  ReplyOutcome WaitReply();

  // Appends a whole line to the socket's send buffer; the send thread
  // writes it. 0, or 1 when the socket is not connected.
  int SendLine(std::string_view line);

  // Milliseconds, or kNoReadLimit.
  void SetReadLimit(int milliseconds) { readLimitMs_ = milliseconds; }

  int LastKind() const { return lastKind_; }
  std::int32_t ErrorClass() const { return errorClass_; }
  const std::string& ErrorText() const { return errorText_; }

  platform::TcpSocket& Socket() { return socket_; }

 protected:
  // Called with the message's arguments after the last kind is set.
  using MessageHandler = std::function<void(const std::vector<std::string>& arguments)>;

  // Registers the name of `kind` from the message table with its argument
  // count. 0, or 1 for a kind outside the table, without a name, or one no
  // side accepts (kMessageDebug, kMessagePassiveConnect).
  int RegisterMessage(int kind, MessageHandler handler);

 private:
  struct Registration {
    ProtocolPeer* peer = nullptr;
    int kind = kMessageNone;
    std::string_view name;
    int argumentCount = 0;
    MessageHandler handler;
  };
  static std::int32_t Dispatch(const std::vector<std::string>& arguments, void* registration);
  int RegisterName(int kind, int argumentCount, MessageHandler handler);
  // The usual shape of a message, read without the evaluator (see the
  // definition); null when `line` has another shape, which the evaluator
  // then reads. The arguments go to callArguments_.
  Registration* ReadPlainCall(std::string_view line);

  platform::TcpSocket socket_;
  makefile::ExpressionEvaluator evaluator_;
  std::array<Registration, kMessageTableEnd> registrations_{};
  std::vector<std::string> callArguments_;
  int lastKind_ = kMessageNone;
  std::int32_t errorClass_ = 0;
  std::string errorText_;
  int readLimitMs_ = kNoReadLimit;
};

}  // namespace distributed
