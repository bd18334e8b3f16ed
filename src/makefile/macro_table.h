// Named texts from the command line, the environment and the makefile. A
// later definition replaces an earlier one; names are case-sensitive.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace makefile {

class MacroTable {
 public:
  void DefineMacro(const std::string& name, const std::string& value);

  // Defines `name` when it is new and gives 1; otherwise replaces the value
  // only when `replace` is set, and gives 0.
  int SetMacro(const std::string& name, const std::string& value, bool replace);

  // Forgets `name` (NMAKE's !UNDEF); nothing when it is not defined.
  void UndefineMacro(const std::string& name) { macros_.erase(name); }

  std::optional<std::string> LookupMacro(const std::string& name) const;

  // The value in the table, without a copy; null when `name` is not
  // defined. It stays valid until the macro is defined again.
  const std::string* FindMacro(const std::string& name) const;

  // The name a definition "NAME = value" defines.
  static std::string DefinedName(const std::string& text);

  // "NAME = value": true when `text` holds an '=' and was defined.
  bool ParseMacroDefinition(const std::string& text);

  // Copies the process environment in, over earlier definitions.
  void ImportEnvironment();

  // In the table's own order, for the -P report.
  const std::map<std::string, std::string>& Entries() const { return macros_; }

 private:
  std::map<std::string, std::string> macros_;
};

}  // namespace makefile
