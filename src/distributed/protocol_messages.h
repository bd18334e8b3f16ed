// The messages server and clients exchange: one table of names, the text
// form of each message, and the reading of their arguments.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace distributed {

enum MessageKind : int {
  kMessageNone = 0,
  kMessageOk = 1,
  kMessageError = 2,
  kMessageBuildConnection = 3,
  kMessageBuildPhaseOpen = 4,
  kMessageBuildPhaseClose = 5,
  kMessageBuildPhaseCancel = 6,
  kMessageCommandExec = 7,
  kMessageBuildClientConnect = 8,
  kMessageBuildPhaseClientCancel = 9,
  kMessageCommandOut = 10,
  kMessageCommandExit = 11,
  kMessagePassiveConnect = 12,
  kMessageDebug = 13,
  kMessageTableEnd = 14,
};

struct MessageRow {
  int kind;
  int argumentCount;
  const char* name;
};

// Every row in table order, framed by the two empty rows. The rows of
// kMessageDebug and kMessagePassiveConnect are never registered; ERR's row
// says 1 argument, but it is registered with 2 (kErrorArguments).
std::span<const MessageRow> MessageTable();
// The row of `kind`; the empty end row when there is none.
const MessageRow& MessageRowOf(int kind);
inline constexpr int kErrorArguments = 2;

// Output channels as they travel.
enum OutputChannel : int { kChannelStdout = 0, kChannelStderr = 1 };

// The version number a server announces; clients accept up to this.
inline constexpr int kAnnounceVersion = 1;

// The reply to a garbled line.
inline constexpr std::string_view kGarbledReply = "ERR(1,11)\r\n";

// Whole lines, CR LF included.
std::string FormatOk();
std::string FormatError(int errorClass, std::string_view text);
std::string FormatBuildConnection(int port, std::string_view machineName);
std::string FormatBuildPhaseOpen(std::string_view machineName);
std::string FormatBuildPhaseClose();
std::string FormatBuildPhaseCancel();
std::string FormatCommandExec(std::string_view commandLine, int inlineKind, std::string_view inlineName,
                              std::string_view content);
std::string FormatBuildClientConnect(std::string_view machineName, int clockRate);
std::string FormatBuildPhaseClientCancel();
// One or more lines: a piece that plain form would alter is split where
// that helps, and what still cannot travel plain goes in exact form.
std::string FormatCommandOut(int channel, std::string_view piece);
std::string FormatCommandExit(int exitCode);

// How many bytes at the end of `output` a sender keeps back while the
// command still runs, so that the piece it sends now can travel plain: a
// final CR (its LF may come next) and a final run of backslashes. When the
// command has ended, everything goes.
std::size_t OutputToKeepBack(std::string_view output);

// The message of an announcement datagram: the text before its first
// CR LF. False when the datagram holds no CR LF.
bool DatagramLine(std::string_view datagram, std::string& line);

// An integer argument read as C's atol reads it, kept within 32 bits.
std::int32_t ArgumentNumber(std::string_view argument);

// The arguments of the messages whose texts have two forms, read back.
struct CommandExecArguments {
  std::string commandLine;
  std::int32_t inlineKind = 0;
  std::string inlineName;
  std::string content;
};
CommandExecArguments ReadCommandExec(const std::vector<std::string>& arguments);

struct CommandOutArguments {
  std::int32_t channel = 0;
  std::string text;
};
CommandOutArguments ReadCommandOut(const std::vector<std::string>& arguments);
// The text of a CommandOut appended to `text`: a collector reuses its
// memory instead of taking a new string per line.
void AppendCommandOutText(const std::vector<std::string>& arguments, std::string& text);

}  // namespace distributed
