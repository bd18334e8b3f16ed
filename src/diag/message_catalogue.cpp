#include "diag/message_catalogue.h"

#include <cstdarg>
#include <cstdio>
#include <unordered_map>

#include "platform/text.h"

namespace diag {
namespace {

struct CatalogueEntry {
  unsigned number;
  const char* text;
};

constexpr CatalogueEntry kCatalogue[] = {
#define MESSAGE(name, number, text) {number, text},
#include "diag/message_table.inc"
#undef MESSAGE
};

// Converted once on first use: on Windows the texts are shown in the ANSI
// code page, like every other string of the program.
const std::unordered_map<unsigned, std::string>& NarrowCatalogue() {
  static const std::unordered_map<unsigned, std::string> narrow = [] {
    std::unordered_map<unsigned, std::string> table;
    for (const CatalogueEntry& entry : kCatalogue) table.emplace(entry.number, platform::NarrowFromUtf8(entry.text));
    return table;
  }();
  return narrow;
}

}  // namespace

const std::string& LoadMessage(unsigned number) {
  static const std::string empty;
  const auto& table = NarrowCatalogue();
  auto found = table.find(number);
  return found == table.end() ? empty : found->second;
}

const char* CatalogueTextUtf8(unsigned number) {
  for (const CatalogueEntry& entry : kCatalogue) {
    if (entry.number == number) return entry.text;
  }
  return "";
}

std::string FormatPrintf(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list measure;
  va_copy(measure, arguments);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
  }
  va_end(arguments);
  return text;
}

}  // namespace diag
