#include "engine/name_token.h"

#include "platform/text.h"

namespace engine {
namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool IsLead(char c) { return platform::IsLeadByte(static_cast<unsigned char>(c)); }

// Position of the quote that closes a name opened at 0, or npos.
size_t FindClosingQuote(std::string_view text) {
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') return i;
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      ++i;
    } else if (IsLead(text[i])) {
      ++i;
    }
  }
  return std::string_view::npos;
}

std::string Unescape(std::string_view quoted) {
  std::string name;
  name.reserve(quoted.size());
  for (size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] == '\\' && i + 1 < quoted.size() && quoted[i + 1] == '"') {
      name.push_back('"');
      ++i;
    } else {
      if (IsLead(quoted[i]) && i + 1 < quoted.size()) name.push_back(quoted[i++]);
      name.push_back(quoted[i]);
    }
  }
  return name;
}

}  // namespace

std::string ReadNameToken(std::string_view& text) {
  size_t start = 0;
  while (start < text.size() && IsWhiteSpace(text[start])) ++start;
  text.remove_prefix(start);
  if (!text.empty() && text[0] == '"') {
    const size_t close = FindClosingQuote(text);
    if (close != std::string_view::npos) {
      std::string name = Unescape(text.substr(1, close - 1));
      text.remove_prefix(close + 1);
      return name;
    }
  }
  size_t end = 0;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t') {
    end += IsLead(text[end]) && end + 1 < text.size() ? 2 : 1;
  }
  std::string name(text.substr(0, end));
  text.remove_prefix(end);
  return name;
}

}  // namespace engine
