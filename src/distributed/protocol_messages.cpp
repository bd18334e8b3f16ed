#include "distributed/protocol_messages.h"

#include <array>
#include <climits>

#include "distributed/protocol_text.h"

namespace distributed {
namespace {

constexpr std::array<MessageRow, 15> kTable = {{
    {kMessageNone, 0, ""},
    {kMessageOk, 0, "OK"},
    {kMessageError, 1, "ERR"},
    {kMessageBuildConnection, 4, "BuildConnection"},
    {kMessageBuildPhaseOpen, 1, "BuildPhaseOpen"},
    {kMessageBuildPhaseClose, 0, "BuildPhaseClose"},
    {kMessageBuildPhaseCancel, 0, "BuildPhaseCancel"},
    {kMessageCommandExec, 4, "CommandExec"},
    {kMessageBuildClientConnect, 2, "BuildClientConnect"},
    {kMessageBuildPhaseClientCancel, 0, "BuildPhaseClientCancel"},
    {kMessageCommandOut, 2, "CommandOut"},
    {kMessageCommandExit, 1, "CommandExit"},
    {kMessageDebug, 1, "_DebugMessage"},
    {kMessagePassiveConnect, 2, "__PassiveConnect"},
    {kMessageTableEnd, 0, ""},
}};

constexpr std::string_view kLineEnd = "\r\n";

// name(arguments...) CR LF, arguments already in their text forms.
std::string Line(int kind, std::initializer_list<std::string_view> arguments) {
  std::string line = MessageRowOf(kind).name;
  line.push_back('(');
  bool first = true;
  for (const std::string_view argument : arguments) {
    if (!first) line.push_back(',');
    line.append(argument);
    first = false;
  }
  line.push_back(')');
  line.append(kLineEnd);
  return line;
}

// Output is split after each CR LF that another LF follows: folded in one
// piece, that pair would end the message line.
std::size_t PlainSplit(std::string_view text) {
  const std::size_t at = text.find("\r\n\n");
  return at == std::string_view::npos ? text.size() : at + 2;
}

std::string Unescaped(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(text);
  quoted.push_back('"');
  return quoted;
}

std::string ReadText(std::string_view value, bool exact, bool folds) {
  return exact ? ReadExact(value) : ReadPlain(value, folds);
}

}  // namespace

std::span<const MessageRow> MessageTable() { return kTable; }

const MessageRow& MessageRowOf(int kind) {
  for (const MessageRow& row : kTable) {
    if (row.kind == kind) return row;
  }
  return kTable.back();
}

std::string FormatOk() { return Line(kMessageOk, {}); }

std::string FormatError(int errorClass, std::string_view text) {
  return Line(kMessageError, {std::to_string(errorClass), QuotePlain(text, false)});
}

std::string FormatBuildConnection(int port, std::string_view machineName) {
  return Line(kMessageBuildConnection,
              {"T", std::to_string(port), std::to_string(kAnnounceVersion), NameArgument(machineName)});
}

std::string FormatBuildPhaseOpen(std::string_view machineName) {
  return Line(kMessageBuildPhaseOpen, {NameArgument(machineName)});
}

std::string FormatBuildPhaseClose() { return Line(kMessageBuildPhaseClose, {}); }
std::string FormatBuildPhaseCancel() { return Line(kMessageBuildPhaseCancel, {}); }
std::string FormatBuildPhaseClientCancel() { return Line(kMessageBuildPhaseClientCancel, {}); }

// The inline name travels unescaped in plain form, as it always has.
std::string FormatCommandExec(std::string_view commandLine, int inlineKind, std::string_view inlineName,
                              std::string_view content) {
  const bool plain = TravelsPlain(commandLine, false) && TravelsPlain(content, true) &&
                     inlineName.find('"') == std::string_view::npos && TravelsPlain(inlineName, false);
  if (plain) {
    return Line(kMessageCommandExec, {QuotePlain(commandLine, false), std::to_string(inlineKind),
                                      Unescaped(inlineName), QuotePlain(content, true)});
  }
  return Line(kMessageCommandExec, {QuoteExact(commandLine), FormNumber(inlineKind, true), QuoteExact(inlineName),
                                    QuoteExact(content)});
}

std::string FormatBuildClientConnect(std::string_view machineName, int clockRate) {
  return Line(kMessageBuildClientConnect, {NameArgument(machineName), std::to_string(clockRate)});
}

// Plain form is written straight into the lines; a part that turns out not
// to travel plain is cut off again and written in exact form.
std::string FormatCommandOut(int channel, std::string_view piece) {
  const std::string_view name = MessageRowOf(kMessageCommandOut).name;
  const std::string number = FormNumber(channel, false);
  std::string lines;
  lines.reserve(piece.size() + piece.size() / 8 + 64);  // the room plain form writes into
  std::size_t from = 0;
  do {
    const std::string_view rest = piece.substr(from);
    const std::size_t start = lines.size();
    lines.append(name);
    lines.push_back('(');
    lines.append(number);
    lines.push_back(',');
    std::size_t split = rest.size();
    if (AppendPlain(lines, rest, true, &split)) {
      lines.push_back(')');
      lines.append(kLineEnd);
    } else {
      split = PlainSplit(rest);
      lines.resize(start);
      lines += Line(kMessageCommandOut, {FormNumber(channel, true), QuoteExact(rest.substr(0, split))});
    }
    from += split;
  } while (from < piece.size());
  return lines;
}

std::size_t OutputToKeepBack(std::string_view output) {
  if (!output.empty() && output.back() == '\r') return 1;
  const std::size_t last = output.find_last_not_of('\\');
  return last == std::string_view::npos ? output.size() : output.size() - 1 - last;
}

std::string FormatCommandExit(int exitCode) { return Line(kMessageCommandExit, {std::to_string(exitCode)}); }

bool DatagramLine(std::string_view datagram, std::string& line) {
  const std::size_t end = datagram.find(kLineEnd);
  if (end == std::string_view::npos) return false;
  line.assign(datagram.substr(0, end));
  return true;
}

std::int32_t ArgumentNumber(std::string_view argument) {
  std::size_t i = 0;
  while (i < argument.size() && (argument[i] == ' ' || (argument[i] >= '\t' && argument[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < argument.size() && (argument[i] == '+' || argument[i] == '-')) negative = argument[i++] == '-';
  long long value = 0;
  for (; i < argument.size() && argument[i] >= '0' && argument[i] <= '9'; ++i) {
    value = value * 10 + (argument[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<std::int32_t>(value);
}

CommandExecArguments ReadCommandExec(const std::vector<std::string>& arguments) {
  CommandExecArguments read;
  if (arguments.size() != 4) return read;
  const bool exact = IsExactFormNumber(arguments[1]);
  read.commandLine = ReadText(arguments[0], exact, false);
  read.inlineKind = ArgumentNumber(arguments[1]);
  read.inlineName = ReadText(arguments[2], exact, false);
  read.content = ReadText(arguments[3], exact, true);
  return read;
}

CommandOutArguments ReadCommandOut(const std::vector<std::string>& arguments) {
  CommandOutArguments read;
  if (arguments.size() != 2) return read;
  read.channel = ArgumentNumber(arguments[0]);
  AppendCommandOutText(arguments, read.text);
  return read;
}

void AppendCommandOutText(const std::vector<std::string>& arguments, std::string& text) {
  if (arguments.size() != 2) return;
  if (IsExactFormNumber(arguments[0])) {
    AppendReadExact(text, arguments[1]);
  } else {
    AppendReadPlain(text, arguments[1], true);
  }
}

}  // namespace distributed
