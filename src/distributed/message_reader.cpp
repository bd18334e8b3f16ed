#include "distributed/message_reader.h"

#include <cstring>

#include "makefile/expression_tokenizer.h"

namespace distributed {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsPlainWordByte(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '.'; }

}  // namespace

int ServerReadLimitMs(bool timeoutOn, int timeoutMinutes) {
  if (!timeoutOn) return kNoReadLimit;
  constexpr long long kMaxMs = 0x7FFFFFFF;
  const long long ms = static_cast<long long>(timeoutMinutes < 0 ? 0 : timeoutMinutes) * 60 * 1000;
  return static_cast<int>(ms < kMaxMs ? ms : kMaxMs);
}

MessageReader::MessageReader() {
  RegisterMessage(kMessageOk, [](const std::vector<std::string>&) {});
  RegisterName(kMessageError, kErrorArguments, [this](const std::vector<std::string>& arguments) {
    errorClass_ = ArgumentNumber(arguments[0]);
    errorText_ = arguments[1];
  });
}

int MessageReader::RegisterMessage(int kind, MessageHandler handler) {
  return RegisterName(kind, MessageRowOf(kind).argumentCount, std::move(handler));
}

int MessageReader::RegisterName(int kind, int argumentCount, MessageHandler handler) {
  const MessageRow& row = MessageRowOf(kind);
  const bool neverAccepted = kind == kMessageDebug || kind == kMessagePassiveConnect;
  if (row.kind != kind || *row.name == '\0' || neverAccepted || !handler) return 1;
  Registration& registration = registrations_[static_cast<std::size_t>(kind)];
  registration = Registration{this, kind, row.name, argumentCount, std::move(handler)};
  return evaluator_.RegisterFunction(Dispatch, row.name, argumentCount, &registration);
}

std::int32_t MessageReader::Dispatch(const std::vector<std::string>& arguments, void* data) {
  Registration& registration = *static_cast<Registration*>(data);
  registration.reader->lastKind_ = registration.kind;
  registration.handler(arguments);
  return 0;
}

// A registered name of letters at the very start, '(' and the arguments:
// string literals (read by the evaluator's own rule) and words of letters,
// digits and dots, each followed directly by ',' or, after the last, by the
// ')' that ends the line; as many as the name takes, and no NUL byte. The
// evaluator reads such a line as one call of that name with the same
// argument texts. Any other line (blanks, operators, nesting, a wrong count)
// is left to it, oddities included.
MessageReader::Registration* MessageReader::ReadPlainCall(std::string_view line) {
  if (line.empty() || line.back() != ')' || std::memchr(line.data(), '\0', line.size()) != nullptr) return nullptr;
  std::size_t i = 0;
  while (i < line.size() && IsLetter(line[i])) ++i;
  if (i == 0 || i == line.size() || line[i] != '(') return nullptr;
  const std::string_view name = line.substr(0, i);
  Registration* registration = nullptr;
  for (Registration& candidate : registrations_) {
    if (candidate.handler && name == candidate.name) registration = &candidate;
  }
  if (registration == nullptr) return nullptr;
  const auto count = static_cast<std::size_t>(registration->argumentCount);
  if (callArguments_.size() < count) callArguments_.resize(count);
  ++i;  // after '('
  std::size_t read = 0;
  if (line[i] != ')') {
    for (;; ++i) {
      if (read == count) return nullptr;
      std::string& argument = callArguments_[read++];
      if (line[i] == '"') {
        i = makefile::ReadStringLiteral(line, i, argument);
        if (i == std::string_view::npos) return nullptr;
      } else {
        const std::size_t start = i;
        while (i < line.size() && IsPlainWordByte(line[i])) ++i;
        if (i == start) return nullptr;
        argument.assign(line.substr(start, i - start));
      }
      if (i + 1 == line.size()) break;  // the final ')'
      if (line[i] != ',') return nullptr;
    }
  } else if (i + 1 != line.size()) {
    return nullptr;
  }
  if (read != count) return nullptr;
  callArguments_.resize(count);
  return registration;
}

int MessageReader::ParseMessage(std::string_view line, int expectedKind, std::int32_t& value) {
  lastKind_ = kMessageNone;
  value = 0;
  if (Registration* registration = ReadPlainCall(line)) {
    // As the evaluator does: a handler that throws makes the line garbled.
    try {
      value = Dispatch(callArguments_, registration);
    } catch (...) {
      return kParseGarbled;
    }
  } else {
    std::string result;
    if (evaluator_.Evaluate(std::string(line), result) != makefile::kEvalSuccess) return kParseGarbled;
    value = ArgumentNumber(result);
  }
  // A bare word or number evaluates without calling any handler.
  if (lastKind_ == kMessageNone) return kParseGarbled;
  return expectedKind == kMessageNone || expectedKind == lastKind_ ? kParseAccepted : kParseOtherKind;
}

ReplyOutcome MessageReader::ClassifyReply(std::string_view line) {
  std::int32_t value = 0;
  switch (ParseMessage(line, kMessageOk, value)) {
    case kParseAccepted: return ReplyOutcome::Ok;
    case kParseGarbled: return ReplyOutcome::Garbled;
    default: break;
  }
  switch (ParseMessage(line, kMessageError, value)) {
    case kParseAccepted: return ReplyOutcome::Error;
    case kParseGarbled: return ReplyOutcome::Garbled;
    default: return ReplyOutcome::Unexpected;
  }
}

}  // namespace distributed
