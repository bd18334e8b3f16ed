#include "platform/text.h"

#include <windows.h>

namespace platform {

std::string NarrowFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  int wide_length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wide_length);
  int narrow_length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(narrow_length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_length, narrow.data(), narrow_length, nullptr, nullptr);
  return narrow;
}

std::string Utf8FromNarrow(std::string_view narrow) {
  if (narrow.empty()) return std::string();
  const int size = static_cast<int>(narrow.size());
  const int wide_length = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, wide.data(), wide_length);
  const int utf8_length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(utf8_length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), utf8_length, nullptr, nullptr);
  return utf8;
}

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

}  // namespace platform
