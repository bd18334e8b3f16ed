#include "exec/batch_file.h"

#include <atomic>

#include "platform/path.h"
#include "platform/processor_family.h"
#include "platform/scratch_files.h"

namespace exec {
namespace {

constexpr BatchDialect kCmd = {
    ".bat",
    "\r\n",
    "@ECHO OFF",
    "SET BACKVAR=%ERRORLEVEL%",
    "erase {marker}",
    "SET ERRORLEVEL=%BACKVAR%",
    // Leaves ERRORLEVEL at 0, so that each command starts from a clean one.
    "@ECHO {token}-%1 %ERRORLEVEL%\r\n@ECHO {token}-%1>&2\r\n@EXIT /B 0\r\n",
    "@ECHO OFF& CALL {sync} R",
    // The batch file is started without CALL: a batch file that the command
    // itself starts without CALL takes its place and never returns to it,
    // but control still comes back to this typed line, with its status.
    "SET ERRORLEVEL=& CALL {sync} B& {batch} <NUL & CALL {sync} E",
    "exit",
    false,
};

constexpr BatchDialect kShell = {
    ".sh",
    "\n",
    "",
    "BACKVAR=$?",
    "rm -f {marker}",
    "return $BACKVAR",
    "",
    "bramle_sync() { bramle_status=$?; echo \"{token}-$1 $bramle_status\"; echo \"{token}-$1\" >&2; "
    "return $bramle_status; }; bramle_sync R",
    "bramle_sync B; . {batch} </dev/null; bramle_sync E",
    "exit",
    true,
};

// Numbers go on from the last one claimed in this process, so a run does
// not test its own earlier names again.
std::atomic<unsigned> nextNumber{1};

constexpr unsigned kMaxAttempts = 100000;

}  // namespace

const BatchDialect& CmdDialect() { return kCmd; }
const BatchDialect& ShellDialect() { return kShell; }
const BatchDialect& NativeDialect() {
  return platform::kProcessorFamily == platform::ProcessorFamily::Cmd ? kCmd : kShell;
}

std::string QuotePath(const std::string& path, const BatchDialect& dialect) {
  if (dialect.singleQuotes) {
    std::string quoted = "'";
    for (char c : path) {
      if (c == '\'') {
        quoted += "'\\''";
      } else {
        quoted.push_back(c);
      }
    }
    return quoted + "'";
  }
  if (path.find_first_of(" \t&()[]{}^=;!'+,`~") == std::string::npos) return path;
  return "\"" + path + "\"";
}

std::string FillTemplate(std::string_view text, std::string_view batch, std::string_view marker,
                         std::string_view sync, std::string_view token) {
  struct Hole {
    std::string_view name;
    std::string_view value;
  };
  const Hole holes[] = {{"{batch}", batch}, {"{marker}", marker}, {"{sync}", sync}, {"{token}", token}};
  std::string filled;
  size_t i = 0;
  while (i < text.size()) {
    bool replaced = false;
    if (text[i] == '{') {
      for (const Hole& hole : holes) {
        if (text.substr(i, hole.name.size()) == hole.name) {
          filled += hole.value;
          i += hole.name.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) filled.push_back(text[i++]);
  }
  return filled;
}

std::string ClaimScratchFile(const std::string& directory, std::string_view extension,
                             const std::function<std::string(const std::string& base)>& contentFor) {
  for (unsigned attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::string base = directory + platform::kPathSeparator + "mk" + std::to_string(nextNumber.fetch_add(1));
    switch (platform::CreateFileExclusively(base + std::string(extension), contentFor(base))) {
      case platform::CreateResult::Created:
        return base;
      case platform::CreateResult::Exists:
        continue;
      case platform::CreateResult::Failed:
        return std::string();
    }
  }
  return std::string();
}

bool WriteBatch(std::string& command, std::string& baseName, const BatchDialect& dialect,
                const std::string& directory) {
  const std::string lineEnd(dialect.lineEnd);
  auto contentFor = [&](const std::string& base) {
    std::string content;
    if (!dialect.header.empty()) content += std::string(dialect.header) + lineEnd;
    content += command + lineEnd;
    content += std::string(dialect.saveStatus) + lineEnd;
    const std::string marker = QuotePath(base + std::string(kMarkerExtension), dialect);
    content += FillTemplate(dialect.eraseMarker, "", marker, "", "") + lineEnd;
    content += dialect.restoreStatus;
    return content;
  };
  // The marker must be as new as the batch file: a name whose marker is
  // taken is given up and the next one tried.
  for (unsigned attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::string base = ClaimScratchFile(directory, dialect.extension, contentFor);
    if (base.empty()) return false;
    const std::string batch = base + std::string(dialect.extension);
    switch (platform::CreateFileExclusively(base + std::string(kMarkerExtension), "")) {
      case platform::CreateResult::Created:
        command = batch;
        baseName = base;
        return true;
      case platform::CreateResult::Exists:
        platform::RemoveFile(batch);
        continue;
      case platform::CreateResult::Failed:
        platform::RemoveFile(batch);
        return false;
    }
  }
  return false;
}

bool WriteBatch(std::string& command, std::string& baseName) {
  return WriteBatch(command, baseName, NativeDialect(), platform::TemporaryDirectory());
}

}  // namespace exec
