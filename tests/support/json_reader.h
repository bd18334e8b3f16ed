// A strict reader for the JSON bramle writes: objects, arrays, strings and
// whole numbers (the literals are refused), so that a test can check that a
// document parses and look inside it.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

struct JsonValue {
  enum class Kind { String, Number, Array, Object } kind = Kind::String;
  std::string text;                                        // a string's value, UTF-8; a number's digits
  std::vector<JsonValue> items;                            // an array's
  std::vector<std::pair<std::string, JsonValue>> members;  // an object's

  const JsonValue* Member(std::string_view name) const {
    for (const auto& [key, value] : members) {
      if (key == name) return &value;
    }
    return nullptr;
  }
};

class JsonReader {
 public:
  // The document in `text`; nullopt when it is not well formed.
  static std::optional<JsonValue> Parse(std::string_view text) {
    JsonReader reader{text};
    JsonValue value;
    if (!reader.Value(value) || reader.Take('\0')) return std::nullopt;
    return value;
  }

 private:
  explicit JsonReader(std::string_view text) : text_(text) {}

  // Skips blanks; takes `c` when it comes next (any character for '\0').
  bool Take(char c) {
    while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) ++at_;
    if (at_ >= text_.size() || (c != '\0' && text_[at_] != c)) return false;
    ++at_;
    return true;
  }

  bool Value(JsonValue& value) {
    if (Take('"')) return String(value.text);
    if (Number(value.text)) {
      value.kind = JsonValue::Kind::Number;
      return true;
    }
    const bool array = Take('[');
    if (!array && !Take('{')) return false;
    value.kind = array ? JsonValue::Kind::Array : JsonValue::Kind::Object;
    const char close = array ? ']' : '}';
    if (Take(close)) return true;
    do {
      JsonValue item;
      std::string key;
      if (!array && (!Take('"') || !String(key) || !Take(':'))) return false;
      if (!Value(item)) return false;
      if (array) value.items.push_back(std::move(item));
      if (!array) value.members.emplace_back(std::move(key), std::move(item));
    } while (Take(','));
    return Take(close);
  }

  // A whole number, kept as its text.
  bool Number(std::string& text) {
    size_t end = at_ + (text_.substr(at_, 1) == "-");
    const size_t digits = end;
    while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') ++end;
    if (end == digits) return false;
    text = text_.substr(at_, end - at_);
    at_ = end;
    return true;
  }

  // The rest of a string whose opening quote is taken.
  bool String(std::string& text) {
    const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
    while (at_ < text_.size() && text_[at_] != '"') {
      const char c = text_[at_++];
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        text.push_back(c);
      } else if (at_ < text_.size() && simple.find(text_[at_]) != std::string_view::npos) {
        text.push_back(meaning[simple.find(text_[at_++])]);
      } else if (text_.substr(at_, 5).size() == 5 && text_[at_] == 'u' && text_.substr(at_ + 1, 2) == "00" &&
                 text_.substr(at_ + 3, 2).find_first_not_of("0123456789abcdef") == std::string_view::npos) {
        // bramle escapes only control characters this way.
        text.push_back(static_cast<char>(std::stoi(std::string(text_.substr(at_ + 3, 2)), nullptr, 16)));
        at_ += 5;
      } else {
        return false;
      }
    }
    return at_++ < text_.size();
  }

  std::string_view text_;
  size_t at_ = 0;
};

// A -Z trace in brief: the run's "outcome exit-code", the lanes' names by
// number, and each command's "target|command|exit-code" (sorted, as the
// lane that ran it may vary). An empty run when it is not such a trace.
struct TraceSummary {
  std::string run;
  std::vector<std::string> lanes;
  std::vector<std::string> commands;
};

inline TraceSummary SummariseTrace(std::string_view text) {
  TraceSummary summary;
  const auto document = JsonReader::Parse(text);
  const JsonValue* events = document ? document->Member("traceEvents") : nullptr;
  for (const JsonValue& event : events ? events->items : std::vector<JsonValue>{}) {
    const JsonValue* tid = event.Member("tid");
    const JsonValue* args = event.Member("args");
    const std::string phase = event.Member("ph") ? event.Member("ph")->text : "";
    if (!args || (phase == "X") != (event.Member("ts") && event.Member("dur") && tid)) return {};
    const auto arg = [args](const char* name) { return args->Member(name) ? args->Member(name)->text : "?"; };
    const size_t lane = tid ? std::stoul(tid->text) : 0;
    if (phase == "M" && tid) summary.lanes.resize(std::max(summary.lanes.size(), lane + 1));
    if (phase == "M" && tid) summary.lanes[lane] = arg("name");
    if (phase == "X" && lane == 0) summary.run = arg("outcome") + " " + arg("exit code");
    if (phase == "X" && lane != 0 && lane < summary.lanes.size()) {
      summary.commands.push_back(arg("target") + "|" + arg("command") + "|" + arg("exit code"));
    } else if (phase == "X" && lane != 0) {
      return {};  // a lane without a name
    }
  }
  std::sort(summary.commands.begin(), summary.commands.end());
  return summary;
}

}  // namespace testing_support
