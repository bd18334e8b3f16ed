// The client's and the server's logs: plain text, one line per entry,
// appended across runs, readable (and writable) by other programs while
// open. Either log may be written from several threads.
#pragma once

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "exec/critical_section.h"
#include "platform/local_time.h"

namespace distributed {

// The local time an entry is stamped with.
using LogClock = std::function<std::tm()>;

// `text` as one line: each line end inside it (CR LF or a lone LF) becomes
// a blank, line ends at its end are dropped and any other CR is removed, so
// that an entry never spreads over two lines.
std::string OneLineText(std::string_view text);

// The time as entries show it: "HH:MM:SS".
std::string ClockText(const std::tm& time);

class LogFile {
 public:
  explicit LogFile(LogClock clock);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Nothing is written, and no file held open, while the log is off.
  void SetEnabled(bool enabled);
  // A relative name is taken from the working directory. A new name closes
  // the file open under the old one; the next entry opens the new one.
  void SetFileName(std::string fileName);

  // Opens the file unless the log is off or the file is open already.
  // False when the log is on and the file cannot be opened (entries are
  // then lost until an Open succeeds).
  bool Open();
  void Close();
  bool IsOpen();

 protected:
  // Writes "<time> - <body>" and a line end, opening the file first when
  // it is not open yet.
  void Append(std::string_view body);
  // Writes `bytes` as they are, likewise.
  void AppendRaw(std::string_view bytes);

 private:
  bool OpenLocked();
  void CloseLocked();

  exec::CriticalSection lock_;
  LogClock clock_;
  bool enabled_ = false;
  std::string fileName_;
  std::FILE* file_ = nullptr;
};

// The resident client's log; its entries name the server they concern.
class ClientLog : public LogFile {
 public:
  explicit ClientLog(LogClock clock = platform::LocalTimeNow) : LogFile(std::move(clock)) {}

  // "<time> - [<server name>][<server address>] <text>"
  void Entry(std::string_view text, std::string_view serverName, std::string_view serverAddress);
  // "<time> - [None][None] <text>", for entries about no server.
  void Entry(std::string_view text);
  // A command's output, as it came.
  void Output(std::string_view text) { AppendRaw(text); }
};

// The build server's log; its callers put the client into the text.
class ServerLog : public LogFile {
 public:
  explicit ServerLog(LogClock clock = platform::LocalTimeNow) : LogFile(std::move(clock)) {}

  // "<time> - <text>"
  void Entry(std::string_view text);
};

}  // namespace distributed
