#include "engine/json_text.h"

#include <cstdio>

#include "platform/text.h"

namespace engine {

std::string JsonString(std::string_view narrow) {
  const std::string utf8 = platform::Utf8FromNarrow(narrow);
  std::string json;
  json.reserve(utf8.size() + 2);
  json.push_back('"');
  for (const char c : utf8) {
    switch (c) {
      case '"': json += "\\\""; break;
      case '\\': json += "\\\\"; break;
      case '\n': json += "\\n"; break;
      case '\r': json += "\\r"; break;
      case '\t': json += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          json += escaped;
        } else {
          json.push_back(c);
        }
    }
  }
  json.push_back('"');
  return json;
}

}  // namespace engine
