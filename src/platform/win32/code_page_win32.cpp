#include "platform/code_page.h"

#include <windows.h>

#include <algorithm>

namespace platform {
namespace {

// One run without line ends, through UTF-16; the system's replacement
// characters become '?' on the way out (UTF-8 takes no default character).
void AppendConverted(std::string& out, std::string_view run, UINT from, UINT to) {
  if (run.empty()) return;
  const int size = static_cast<int>(run.size());
  const int wideLength = MultiByteToWideChar(from, 0, run.data(), size, nullptr, 0);
  if (wideLength <= 0) {
    out.append(run.size(), '?');
    return;
  }
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, run.data(), size, wide.data(), wideLength);
  if (to == CP_UTF8) std::replace(wide.begin(), wide.end(), L'\xFFFD', L'?');
  const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = to == CP_UTF8 ? nullptr : "?";
  const int length = WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, fallback, nullptr);
  if (length <= 0) {
    out.append(run.size(), '?');
    return;
  }
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(length));
  WideCharToMultiByte(to, flags, wide.data(), wideLength, out.data() + at, length, fallback, nullptr);
}

}  // namespace

// Line by line: a broken double-byte character before a line end would
// otherwise take the CR or LF with it.
std::string ConvertCodePage(std::string_view text, int fromPage, int toPage) {
  const auto from = static_cast<UINT>(fromPage);
  const auto to = static_cast<UINT>(toPage);
  if (from == to || IsAsciiText(text) || !IsValidCodePage(from) || !IsValidCodePage(to)) return std::string(text);
  std::string converted;
  converted.reserve(text.size() + text.size() / 2);
  size_t start = 0;
  for (size_t end; (end = text.find_first_of("\r\n", start)) != std::string_view::npos; start = end + 1) {
    AppendConverted(converted, text.substr(start, end - start), from, to);
    converted.push_back(text[end]);
  }
  AppendConverted(converted, text.substr(start), from, to);
  return converted;
}

int NarrowCodePage() { return static_cast<int>(GetACP()); }

std::size_t IncompleteCharacterBytes(std::string_view text) {
  if (GetACP() == CP_UTF8) return IncompleteUtf8Bytes(text);
  // Lead and trail bytes pair off from the start.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && ++i == text.size()) return 1;
  }
  return 0;
}

}  // namespace platform
