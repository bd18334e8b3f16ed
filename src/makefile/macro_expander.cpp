#include "makefile/macro_expander.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/special_macro_scanner.h"
#include "makefile/escapes.h"

namespace makefile {
namespace {

bool IsSpecialToken(engine::SpecialMacroKind kind) {
  return kind != engine::SpecialMacroKind::NotSpecial && kind != engine::SpecialMacroKind::EndOfScan;
}

// The text still to scan sits at the end of a buffer with free room in
// front, so that a value replacing a reference is put before the rest
// without moving it. Scanned text moves to the output once, which keeps the
// whole expansion linear in the size of what it produces.
class ExpansionText {
 public:
  explicit ExpansionText(std::string_view line) : buffer_(line) {}

  std::string_view Rest() const { return std::string_view(buffer_).substr(head_); }
  // Characters from the current place to the end of the line.
  size_t Remaining() const { return buffer_.size() - head_; }
  const std::string& Output() const { return output_; }

  void Emit(size_t count) {
    output_.append(buffer_, head_, count);
    head_ += count;
  }
  void Drop(size_t count) { head_ += count; }

  void Prepend(std::string_view value) {
    if (value.size() > head_) {
      const size_t rest = Remaining();
      const size_t room = std::max(value.size(), buffer_.size());
      std::string grown(room + rest, '\0');
      std::memcpy(grown.data() + room, buffer_.data() + head_, rest);
      buffer_.swap(grown);
      head_ = room;
    }
    head_ -= value.size();
    std::memcpy(buffer_.data() + head_, value.data(), value.size());
  }

  // True when the output ends in a '^' that escapes what follows.
  bool OutputEndsInEscape() const {
    return !output_.empty() && output_.back() == kEscape && StartsCharacter(output_, output_.size() - 1);
  }

  std::string Finish() {
    Emit(Remaining());
    return std::move(output_);
  }

 private:
  std::string buffer_;
  size_t head_ = 0;
  std::string output_;
};

// The values being scanned, innermost last. A value's text ends where
// `tail` characters of the line are left, a distance that stays fixed while
// text before it is scanned or replaced.
class ActiveValues {
 public:
  void LeaveEndedBefore(size_t remaining) {
    while (!stack_.empty() && stack_.back().tail >= remaining) Pop();
  }
  // A reference that runs past the end of a value ends that value.
  void LeaveEndedInside(size_t remaining) {
    while (!stack_.empty() && stack_.back().tail > remaining) Pop();
  }
  bool Contains(const std::string& name) const {
    if (stack_.size() > kScanLimit) return names_.count(name) != 0;
    for (const Value& value : stack_) {
      if (value.name == name) return true;
    }
    return false;
  }
  void Enter(const std::string& name, size_t tail) {
    stack_.push_back({name, tail});
    if (stack_.size() == kScanLimit + 1) {
      for (const Value& value : stack_) names_.insert(value.name);
    } else if (stack_.size() > kScanLimit) {
      names_.insert(name);
    }
  }

 private:
  // Values are seldom nested deeply: up to this depth a scan of the stack
  // is cheaper than a set, which only deep nesting needs.
  static constexpr size_t kScanLimit = 16;
  struct Value {
    std::string name;
    size_t tail;
  };
  void Pop() {
    if (stack_.size() == kScanLimit + 1) {
      names_.clear();
    } else if (stack_.size() > kScanLimit) {
      names_.erase(stack_.back().name);
    }
    stack_.pop_back();
  }
  std::vector<Value> stack_;
  std::unordered_set<std::string> names_;  // the names of a deep stack
};

// The first unescaped '$' of the rest, taking the character already
// written before it into account.
size_t FindReferenceStart(const ExpansionText& text) {
  const std::string_view rest = text.Rest();
  const size_t found = FindUnescaped(rest, '$', 0);
  if (found == 0 && text.OutputEndsInEscape()) return FindUnescaped(rest, '$', 1);
  return found;
}

// "NAME:old=new" split into its parts.
struct Substitution {
  std::string name;
  std::string from;
  std::string to;
};

bool SplitSubstitution(const std::string& reference, Substitution& substitution) {
  const size_t colon = reference.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  const size_t equals = reference.find('=', colon + 1);
  if (equals == std::string::npos || equals == colon + 1) return false;
  substitution.name = reference.substr(0, colon);
  substitution.from = RemoveEscapes(std::string_view(reference).substr(colon + 1, equals - colon - 1));
  substitution.to = RemoveEscapes(std::string_view(reference).substr(equals + 1));
  return true;
}

std::string ReplaceAll(std::string_view value, const std::string& from, const std::string& to) {
  std::string result;
  size_t start = 0;
  for (size_t found; (found = value.find(from, start)) != std::string_view::npos; start = found + from.size()) {
    result.append(value, start, found - start);
    result += to;
  }
  result.append(value, start);
  return result;
}

}  // namespace

ExpandStatus ExpandMacroReferences(std::string& line, MacroTable& macros, const UndefinedMacroHandler& onUndefined,
                                   std::string* offendingName, bool nmakeReading) {
  // A line without a '$' holds neither a reference nor a special macro.
  if (line.find('$') == std::string::npos) return ExpandStatus::kDone;
  ExpansionText text(line);
  ActiveValues active;
  const size_t limit = line.size() + kMaxExpansionGrowth;
  for (;;) {
    // Special-macro tokens stay for the commands.
    for (;;) {
      const engine::SpecialMacroToken token = engine::ScanSpecialMacro(text.Rest());
      if (!IsSpecialToken(token.kind)) break;
      text.Emit(token.start + token.length);
    }
    const size_t dollar = FindReferenceStart(text);
    if (dollar == std::string_view::npos) break;
    const std::string_view rest = text.Rest();
    if (dollar + 1 >= rest.size() || rest[dollar + 1] != '(') {
      text.Emit(dollar + 1);
      continue;
    }
    active.LeaveEndedBefore(text.Remaining() - dollar);
    text.Emit(dollar);
    text.Drop(2);
    // An unclosed reference or "$()" ends the expansion; the "$(" stays
    // deleted and the rest is kept as it is.
    const size_t close = FindUnescaped(text.Rest(), ')', 0);
    if (close == std::string_view::npos || close == 0) break;

    std::string name(text.Rest().substr(0, close));
    Substitution substitution;
    const bool substituting = nmakeReading && SplitSubstitution(name, substitution);
    if (substituting) {
      name = substitution.name;
      const ExpandStatus inner =
          ExpandMacroReferences(substitution.to, macros, onUndefined, offendingName, nmakeReading);
      if (inner != ExpandStatus::kDone) return inner;
    }
    // A defined value is used where the table keeps it: the table does not
    // change while it is put into the line.
    std::string undefinedValue;
    std::string_view value;
    if (const std::string* known = macros.FindMacro(name)) {
      value = *known;
    } else {
      if (onUndefined(name, undefinedValue) != 0) {
        if (offendingName) *offendingName = name;
        return ExpandStatus::kUndefinedFailed;
      }
      if (!nmakeReading) macros.SetMacro(name, undefinedValue, true);
      value = undefinedValue;
    }
    std::string substituted;
    if (substituting) {
      substituted = ReplaceAll(value, substitution.from, substitution.to);
      value = substituted;
    }
    text.Drop(close + 1);
    active.LeaveEndedInside(text.Remaining());
    if (active.Contains(name)) {
      if (offendingName) *offendingName = name;
      return ExpandStatus::kSelfReference;
    }
    if (text.Output().size() + text.Remaining() + value.size() > limit) {
      if (offendingName) *offendingName = name;
      return ExpandStatus::kTooLong;
    }
    active.Enter(name, text.Remaining());
    text.Prepend(value);
    // The scan goes on inside the value from its second character; a value
    // that starts with a reference therefore does not expand that one.
    if (!value.empty()) text.Emit(CharacterLength(value, 0));
  }
  line = text.Finish();
  return ExpandStatus::kDone;
}

}  // namespace makefile
