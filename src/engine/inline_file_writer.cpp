#include "engine/inline_file_writer.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/path.h"
#include "platform/scratch_files.h"

namespace engine {
namespace {

constexpr int kNameAttempts = 1000;

// The text after "<<" holds the file's name, which ends at the first blank
// outside double quotes, and then the rest of the command line
// ("<<script.awk in > out"). Blanks before the name are skipped only where
// a name is wanted.
struct NamePart {
  std::string name;
  std::string rest;
};

NamePart SplitNamePart(const std::string& text, bool skipBlanks) {
  size_t begin = skipBlanks ? text.find_first_not_of(" \t") : 0;
  if (begin == std::string::npos) begin = text.size();
  size_t end = begin;
  bool quoted = false;
  while (end < text.size() && (quoted || (text[end] != ' ' && text[end] != '\t'))) {
    if (text[end] == '"') quoted = !quoted;
    ++end;
  }
  return {text.substr(begin, end - begin), text.substr(end)};
}

// A name in double quotes names the file without them, as the command
// line reads it.
std::string WithoutQuotes(const std::string& name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return name;
}

// A made-up name with blanks (a temporary directory under a user name such
// as "John Smith") reaches the command as one argument.
std::string AsArgument(const std::string& name) {
  if (name.find_first_of(" \t") == std::string::npos) return name;
  return std::string(1, '"').append(name).append(1, '"');
}

}  // namespace

std::string ClaimInlineFileName(const std::string& directory) {
  // Workers of a parallel build claim names at the same time.
  static std::atomic<unsigned> serial{
      static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count())};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char leaf[32];
    std::snprintf(leaf, sizeof leaf, "min%08x.inl", serial.fetch_add(1));
    std::string name = directory;
    if (!name.empty()) name.push_back(platform::kPathSeparator);
    name += leaf;
    switch (platform::CreateFileExclusively(name, "")) {
      case platform::CreateResult::Created: return name;
      case platform::CreateResult::Exists: continue;
      case platform::CreateResult::Failed: return std::string();
    }
  }
  return std::string();
}

bool WriteInlineText(const std::string& name, const std::string& content) {
  std::FILE* file = std::fopen(name.c_str(), "w");
  if (!file) return false;
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && written;
}

bool WriteInlineFile(CommandLine& line, std::string& failedName, const std::string& temporaryDirectory) {
  std::string fileName;
  if (line.inlineKind == InlineKind::Named) {
    // The name goes into the command as written; the file itself is named
    // without the blanks around it and the quotes, which the command line
    // drops too.
    fileName = WithoutQuotes(SplitNamePart(line.inlineFileName, true).name);
    if (fileName.empty()) return true;
  } else if (line.inlineKind == InlineKind::Temporary) {
    fileName = ClaimInlineFileName(temporaryDirectory);
    if (fileName.empty()) {
      failedName = temporaryDirectory;
      return false;
    }
  } else {
    return true;
  }
  if (!WriteInlineText(fileName, line.inlineContent)) {
    failedName = fileName;
    return false;
  }
  if (line.inlineKind == InlineKind::Named) {
    line.text += line.inlineFileName;
  } else {
    line.text += AsArgument(fileName) + SplitNamePart(line.inlineFileName, false).rest;
  }
  return true;
}

}  // namespace engine
