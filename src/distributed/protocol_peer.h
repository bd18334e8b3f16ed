// A message reader bound to a socket of its own: reads message lines from
// it, waiting when asked, and waits for replies. What the client and the
// protocol tests talk through.
#pragma once

#include <string>
#include <string_view>

#include "distributed/message_reader.h"
#include "platform/tcp_socket.h"

namespace distributed {

// ReadMessageLine's results. A time-out and a lost connection both close
// the socket.
enum LineResult : int { kLineTaken = 0, kLineNone = 1, kLineTimedOut = 2, kLineLost = 3 };

class ProtocolPeer : public MessageReader {
 public:
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

  platform::TcpSocket& Socket() { return socket_; }

 private:
  platform::TcpSocket socket_;
  int readLimitMs_ = kNoReadLimit;
};

}  // namespace distributed
