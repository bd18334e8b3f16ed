// What both sides of a connection read messages with: the message names a
// side accepts, registered on its own expression evaluator, and the sorting
// of a line as a message or as the reply to one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "distributed/protocol_messages.h"
#include "makefile/expression_evaluator.h"

namespace distributed {

enum class ReplyOutcome { Ok = 0, Garbled = 1, Error = 2, Unexpected = 3, NoReply = 4 };

// ParseMessage's results.
enum ParseResult : int { kParseAccepted = 0, kParseGarbled = 1, kParseOtherKind = 2 };

// No time limit on reading.
inline constexpr int kNoReadLimit = -1;
// The client's limit; the server's comes from its settings.
inline constexpr int kClientReadLimitMs = 100 * 1000;
int ServerReadLimitMs(bool timeoutOn, int timeoutMinutes);

class MessageReader {
 public:
  // Registers OK and ERR.
  MessageReader();
  virtual ~MessageReader() = default;
  MessageReader(const MessageReader&) = delete;
  MessageReader& operator=(const MessageReader&) = delete;

  // Evaluates `line` (without its CR LF) as one message. kParseGarbled when
  // it is no registered message; kParseOtherKind when it is one but not of
  // `expectedKind` (0 accepts any kind). `value` is the evaluation's value,
  // 0 from every handler.
  int ParseMessage(std::string_view line, int expectedKind, std::int32_t& value);
  // Sorts `line` as a reply to a message that expects OK.
  ReplyOutcome ClassifyReply(std::string_view line);

  int LastKind() const { return lastKind_; }
  std::int32_t ErrorClass() const { return errorClass_; }
  const std::string& ErrorText() const { return errorText_; }

 protected:
  // Called with the message's arguments after the last kind is set.
  using MessageHandler = std::function<void(const std::vector<std::string>& arguments)>;

  // Registers the name of `kind` from the message table with its argument
  // count. 0, or 1 for a kind outside the table, without a name, or one no
  // side accepts (kMessageDebug, kMessagePassiveConnect).
  int RegisterMessage(int kind, MessageHandler handler);

 private:
  struct Registration {
    MessageReader* reader = nullptr;
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

  makefile::ExpressionEvaluator evaluator_;
  std::array<Registration, kMessageTableEnd> registrations_{};
  std::vector<std::string> callArguments_;
  int lastKind_ = kMessageNone;
  std::int32_t errorClass_ = 0;
  std::string errorText_;
};

}  // namespace distributed
