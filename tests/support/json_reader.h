// A strict reader for the JSON that bramle writes: objects, arrays and
// strings (numbers, true, false and null are refused), so that a test can
// check a written document parses and look inside it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

struct JsonValue {
  enum class Kind { String, Array, Object } kind = Kind::String;
  std::string text;                                        // a string's value, UTF-8
  std::vector<JsonValue> items;                            // an array's
  std::vector<std::pair<std::string, JsonValue>> members;  // an object's, in order

  // The member named `name`; nullptr when there is none.
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
    JsonReader reader(text);
    JsonValue value;
    if (!reader.Value(value)) return std::nullopt;
    reader.SkipBlanks();
    if (reader.at_ != text.size()) return std::nullopt;
    return value;
  }

 private:
  explicit JsonReader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) ++at_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }

  bool Value(JsonValue& value) {
    SkipBlanks();
    if (at_ >= text_.size()) return false;
    if (text_[at_] == '"') {
      value.kind = JsonValue::Kind::String;
      return String(value.text);
    }
    const bool array = text_[at_] == '[';
    if (!array && text_[at_] != '{') return false;
    value.kind = array ? JsonValue::Kind::Array : JsonValue::Kind::Object;
    ++at_;
    if (Take(array ? ']' : '}')) return true;
    do {
      JsonValue item;
      std::string key;
      if (!array && (!Take('"') || !String(key, false) || !Take(':'))) return false;
      if (!Value(item)) return false;
      if (array) {
        value.items.push_back(std::move(item));
      } else {
        value.members.emplace_back(std::move(key), std::move(item));
      }
    } while (Take(','));
    return Take(array ? ']' : '}');
  }

  // A string from its opening quote (or just after it) to its closing one.
  bool String(std::string& text, bool atQuote = true) {
    if (atQuote) ++at_;
    while (at_ < text_.size() && text_[at_] != '"') {
      const char c = text_[at_++];
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        text.push_back(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char escape = text_[at_++];
      const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
      if (simple.find(escape) != std::string_view::npos) {
        text.push_back(meaning[simple.find(escape)]);
      } else if (escape == 'u' && at_ + 4 <= text_.size() &&
                 text_.substr(at_, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
        const unsigned code = std::stoul(std::string(text_.substr(at_, 4)), nullptr, 16);
        at_ += 4;
        if (code >= 0x80) return false;  // bramle escapes only control characters
        text.push_back(static_cast<char>(code));
      } else {
        return false;
      }
    }
    return at_++ < text_.size();
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace testing_support
