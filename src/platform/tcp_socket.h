// A TCP connection whose sending and receiving run on threads of their own
// behind byte buffers: the owner appends whole messages and takes whole
// lines, and may wait for either without polling.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/socket_base.h"

namespace platform {

class TcpSocket : public SocketBase {
 public:
  // Receiving ends when this many bytes are buffered without a line end.
  static constexpr std::size_t kMaxLineBytes = 16 << 20;
  // Receiving pauses while this many bytes of whole lines wait to be
  // taken, and Send waits while this many wait to be sent: a side faster
  // than the other holds back instead of buffering everything (so, as with
  // any socket, a peer's sending stops in the end while the owner takes no
  // lines). Small enough to stay in the processor's cache.
  static constexpr std::size_t kBufferedLimit = 256 << 10;

  TcpSocket();
  // Closes first: the threads end before the buffers go.
  ~TcpSocket() override;

  // A stream socket; 0, or 1 when socket() fails. State 2.
  int OpenSocket();
  // 0 / 1.
  int Listen(int backlog);
  // Blocks until a peer connects. 0 with `into` connected (state 5, the
  // peer's dotted address as its address text, no thread started); 1 when
  // accept fails (also when this socket is closed meanwhile).
  int Accept(TcpSocket& into);

  // Only in state 2 (else 1): state 4, starts the connect thread and
  // returns 0 at once. The thread ends in state 5 (receive and send threads
  // running), 6 or 7.
  int Connect(const std::string& host, int port);
  // Waits while the state is 4 (timeout -1: none) and returns the state.
  int WaitConnected(int timeoutMs = -1);

  // Queues the bytes for the send thread (also before it runs, while
  // connecting); when nothing is queued, what the system takes without
  // blocking is handed to it directly. While kBufferedLimit bytes are
  // queued and the send thread runs, waits for it to take them. 0; 1 when
  // not connected and not forced (the bytes are then dropped). After a
  // failed send or a close the bytes are dropped too.
  int Send(std::string_view bytes, bool force = true);
  // Waits until every queued byte has been handed to the system (true), the
  // send thread is not running or the timeout (-1: none) has passed.
  // CloseSocket drops what is still queued: a last message is waited for
  // here first.
  bool WaitSent(int timeoutMs);
  // A line ends only at CR LF; a lone CR or LF stays inside it. Returns the
  // number of bytes removed (line, CR and LF), or -1 when no whole line is
  // buffered.
  int TakeLine(std::string& line);
  // Waits until a whole line is buffered (true), receiving has ended (or
  // has not started: an accepted socket before StartReceiving, a connect
  // still in progress), Wake() or the timeout (-1: none). Where the system
  // lets a wait on the socket be woken, a reader waiting for the answer to
  // what it sent receives it itself while the receive thread only watches,
  // which saves handing the line over from one thread to the other.
  bool WaitLine(int timeoutMs);

  // Start the send thread unless it runs.
  void StartSending();

  Ipv4Address PeerAddress() const { return peerAddress_; }

  // Whether the system's TCP connection table can be read.
  bool HasTcpTable() const;
  // Binds to any address on the first port from 2000 up that the TCP table
  // shows free; 3 when none is found, else Bind's result.
  int BindFreePort();

 protected:
  void ReceiveLoop(SocketHandle handle) override;
  void StopOwnThreads() override;
  void ResetBuffers() override;
  bool HasReceivedLocked() override;
  void WakeLocked() override;

 private:
  void ConnectLoop(SocketHandle handle, std::string host, int port);
  void SendLoop(SocketHandle handle);
  // mutex_ held, by the holder of the receive side: where the next receive
  // may write kReceiveBlock bytes.
  char* ReceiveRoomLocked();
  // mutex_ held (through `lock`), where readers receive: watches the
  // socket without taking its bytes. True when the receive thread may take
  // them now; false when a reader took the receive side or the bytes.
  bool WatchLocked(std::unique_lock<std::mutex>& lock, SocketHandle handle);
  // mutex_ held: the position of the first CR LF, or npos; kept until the
  // line is taken.
  std::size_t FindLineEndLocked();
  // mutex_ held: whether receiving pauses for the reader.
  bool ReceiveFullLocked();
  // The connect thread's last word: the state, unless closing.
  void FinishConnect(int state);

  // Receive side, under mutex_: the bytes from receiveStart_ to
  // receiveEnd_ are not yet taken; no line end lies before searchFrom_;
  // lineEnd_ is the first one (its CR) when it has been found. Only the
  // holder of the receive side (the receive thread or a waiting reader, one
  // at a time, so that bytes stay in order) moves the buffer and writes
  // beyond receiveEnd_, there without the lock.
  std::vector<char> received_;
  std::size_t receiveStart_ = 0;
  std::size_t receiveEnd_ = 0;
  std::size_t searchFrom_ = 0;
  std::size_t lineEnd_ = std::string::npos;
  bool receivePaused_ = false;  // the receive thread waits for room
  enum class Receiver { None, Thread, Reader };
  Receiver receiving_ = Receiver::None;  // who holds the receive side
  bool threadWatching_ = false;  // the receive thread watches the socket
  std::uint64_t readerReceives_ = 0;  // receives made by readers
  int readersWaiting_ = 0;  // readers waiting to take the receive side
  bool readerSawEnd_ = false;  // a reader's receive found the end
  // Bytes were sent since the last line was taken: a reader waits for an
  // answer. Set under sendMutex_, cleared under mutex_.
  std::atomic<bool> sentSinceLine_{false};
  // Open where readers receive for themselves: they end a reader's wait
  // (Wake) and the receive thread's watch (a reader takes over).
  socket_calls::SocketWaker readerWaker_;
  socket_calls::SocketWaker threadWaker_;
  bool readersReceive_ = false;
  std::thread connectThread_;

  // Send side, under sendMutex_ alone.
  std::mutex sendMutex_;
  std::condition_variable sendEvent_;  // bytes queued or stop: the send thread
  std::condition_variable sentEvent_;  // queue taken or drained, thread ended
  std::string pending_;
  bool inFlight_ = false;  // the send thread holds taken bytes
  bool stopSending_ = false;
  SocketHandle sendHandle_ = kNoSocket;  // the send thread's, while it runs
  SocketThread sender_{sendMutex_};
};

}  // namespace platform
