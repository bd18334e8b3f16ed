#include "engine/compile_command.h"

#include <array>
#include <string_view>

#include "engine/name_compare.h"
#include "engine/path_parts.h"
#include "exec/command_words.h"
#include "platform/directory.h"
#include "platform/path.h"

namespace engine {
namespace {

constexpr std::array<std::string_view, 8> kCompilers = {"cl",  "clang-cl", "cc",      "gcc",
                                                        "g++", "clang",    "clang++", "c++"};
// The compilers that also take options written with '/'.
constexpr std::array<std::string_view, 2> kSlashCompilers = {"cl", "clang-cl"};
constexpr std::array<std::string_view, 6> kSourceExtensions = {".c", ".cc", ".cpp", ".cxx", ".c++", ".cp"};
// GCC-style options whose value is the next argument and never a source.
constexpr std::array<std::string_view, 6> kOptionsWithValue = {"-o", "-MF", "-MT", "-MQ", "-include", "-x"};

template <size_t N>
bool IsNameOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
  for (std::string_view candidate : names) {
    if (EqualsIgnoringCase(name, candidate)) return true;
  }
  return false;
}

bool TakesValue(std::string_view option) {
  for (std::string_view candidate : kOptionsWithValue) {
    if (option == candidate) return true;
  }
  return false;
}

// The program's name without its folder and ".exe".
std::string_view ProgramName(std::string_view program) {
  std::string_view name = LastPathComponent(program);
  const size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name = name.substr(slash + 1);
  if (name.size() > 4 && EqualsIgnoringCase(name.substr(name.size() - 4), ".exe")) name.remove_suffix(4);
  return name;
}

bool IsSource(std::string_view argument) { return IsNameOneOf(SplitPath(argument).extension, kSourceExtensions); }

// The value of option `argument` when it starts with `/name` or `-name`.
bool SlashOption(std::string_view argument, std::string_view name, std::string_view& value) {
  if (argument.size() <= name.size() || (argument[0] != '/' && argument[0] != '-')) return false;
  if (argument.substr(1, name.size()) != name) return false;
  value = argument.substr(1 + name.size());
  return true;
}

// The arguments the program gets. A response file written from the inline
// file is read in place of its name; any other named inline file is
// passed by name, and a temporary one, which exists only while the command
// runs, has no argument here.
std::vector<std::string> ArgumentsOf(const CommandLine& line) {
  const platform::ProcessorFamily family = platform::kProcessorFamily;
  if (line.inlineKind != InlineKind::None && !line.text.empty() && line.text.back() == '@') {
    std::vector<std::string> arguments =
        exec::ProgramArguments(std::string_view(line.text).substr(0, line.text.size() - 1), family);
    for (std::string& argument : exec::ResponseFileArguments(line.inlineContent, family)) {
      arguments.push_back(std::move(argument));
    }
    return arguments;
  }
  if (line.inlineKind == InlineKind::Named) return exec::ProgramArguments(line.text + line.inlineFileName, family);
  return exec::ProgramArguments(line.text, family);
}

// Where the object of `source` goes when /Fo names a folder.
std::string ObjectIn(std::string_view folder, std::string_view source) {
  return std::string(folder).append(SplitPath(LastPathComponent(source)).base).append(".obj");
}

}  // namespace

std::vector<CompileCommand> CompileCommandsOf(const CommandLine& line) {
  std::vector<CompileCommand> entries;
  std::vector<std::string> arguments = ArgumentsOf(line);
  if (arguments.empty() || !IsNameOneOf(ProgramName(arguments[0]), kCompilers)) return entries;
  const bool slashOptions = IsNameOneOf(ProgramName(arguments[0]), kSlashCompilers);

  std::string output;
  std::vector<std::string> sources;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string_view value;
    if (TakesValue(argument) && i + 1 < arguments.size()) {
      if (argument == "-o") output = arguments[i + 1];
      ++i;
    } else if (slashOptions && SlashOption(argument, "Fo", value)) {
      if (!value.empty() && value[0] == ':') value.remove_prefix(1);  // "/Fo:name"
      output = value;
    } else if (slashOptions && (SlashOption(argument, "Tc", value) || SlashOption(argument, "Tp", value))) {
      sources.emplace_back(value);
    } else if (argument[0] != '-' && !(slashOptions && argument[0] == '/') && IsSource(argument)) {
      sources.push_back(argument);
    }
  }

  const bool outputIsFolder = !output.empty() && (output.back() == '/' || output.back() == platform::kPathSeparator);
  for (const std::string& source : sources) {
    CompileCommand entry;
    entry.file = platform::FullPath(source);
    entry.output = outputIsFolder ? ObjectIn(output, source) : output;
    entry.arguments = arguments;
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace engine
