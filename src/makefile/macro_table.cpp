#include "makefile/macro_table.h"

#include <algorithm>

#include "platform/environment.h"

namespace makefile {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

void MacroTable::DefineMacro(const std::string& name, const std::string& value) { macros_[name] = value; }

int MacroTable::SetMacro(const std::string& name, const std::string& value, bool replace) {
  auto [position, inserted] = macros_.try_emplace(name, value);
  if (inserted) return 1;
  if (replace) position->second = value;
  return 0;
}

std::optional<std::string> MacroTable::LookupMacro(const std::string& name) const {
  const std::string* value = FindMacro(name);
  if (!value) return std::nullopt;
  return *value;
}

const std::string* MacroTable::FindMacro(const std::string& name) const {
  const auto found = macros_.find(name);
  return found == macros_.end() ? nullptr : &found->second;
}

std::string MacroTable::DefinedName(const std::string& text) {
  // Leading blanks stay part of the name; only trailing ones go.
  size_t nameEnd = std::min(text.find('='), text.size());
  while (nameEnd > 0 && IsBlank(text[nameEnd - 1])) --nameEnd;
  return text.substr(0, nameEnd);
}

bool MacroTable::ParseMacroDefinition(const std::string& text) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  size_t valueBegin = equals + 1;
  size_t valueEnd = text.size();
  while (valueBegin < valueEnd && IsBlank(text[valueBegin])) ++valueBegin;
  while (valueEnd > valueBegin && IsBlank(text[valueEnd - 1])) --valueEnd;
  DefineMacro(DefinedName(text), text.substr(valueBegin, valueEnd - valueBegin));
  return true;
}

void MacroTable::ImportEnvironment() {
  // The whole value is imported, however long: a fixed buffer would drop
  // long PATH-like variables silently.
  for (const auto& [name, value] : platform::EnvironmentEntries()) {
    if (name.empty() || value.empty()) continue;
    SetMacro(name, value, true);
  }
}

}  // namespace makefile
