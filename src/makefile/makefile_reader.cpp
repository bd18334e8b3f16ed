#include "makefile/makefile_reader.h"

#include "diag/notice.h"
#include "engine/path_parts.h"
#include "engine/target_model.h"
#include "makefile/directives.h"
#include "makefile/escapes.h"
#include "makefile/line_text.h"
#include "makefile/macro_expander.h"
#include "makefile/rule_lines.h"
#include "makefile/source_file.h"
#include "platform/directory.h"
#include "platform/path.h"

namespace makefile {
namespace {

// The directory part of a full path; a root keeps its separator, since
// "C:" or "" would not name it.
std::string DirectoryOf(const std::string& fullPath) {
  if (fullPath.empty()) return std::string();
  std::string directory = engine::SplitPath(fullPath).directory;
  if (directory.empty() || directory.back() == ':') directory.push_back(platform::kPathSeparator);
  return directory;
}

// A line continues on the next when its last character is '\'.
bool EndsWithContinuation(const std::string& line) {
  return !line.empty() && line.back() == '\\' && StartsCharacter(line, line.size() - 1);
}

// A '^' at the end that escapes nothing but the line break.
bool EndsWithLoneCaret(const std::string& line) {
  return !line.empty() && line.back() == kEscape && !IsEscaped(line, line.size() - 1);
}

}  // namespace

void MakefileReader::AppendCaretLine(const std::string& line) {
  std::string value = macros_->LookupMacro(caretMacro_).value_or(std::string());
  if (!value.empty() && value.back() == kEscape) value.pop_back();
  value.push_back('\n');
  value += Trim(line);
  macros_->DefineMacro(caretMacro_, value);
  if (!EndsWithLoneCaret(line)) caretMacro_.clear();
}

MakefileReader::MakefileReader(engine::TargetModel* targets, engine::RuleTable* rules, MacroTable* macros)
    : targets_(targets), rules_(rules), macros_(macros) {}

MakefileReader::~MakefileReader() = default;

int MakefileReader::OnMessage(const std::string& text) {
  diag::WriteNotice(text + "\n");
  return 0;
}

int MakefileReader::OnUndefinedMacro(const std::string&, std::string& value) {
  // NMAKE expands an undefined name to nothing without a word.
  if (!readAsNmake_) diag::WriteNotice("\n");
  value.clear();
  return 0;
}

bool MakefileReader::ReadMakefile(const std::string& name) {
  if (!targets_ || !rules_ || !macros_) {
    RecordError(kErrorInternal);
    return false;
  }
  const IncludeResult opened = PushInclude(name);
  if (opened != IncludeResult::kOpened) {
    RecordError(opened == IncludeResult::kUtf16 ? kErrorUtf16 : kErrorCannotOpen, name);
    return false;
  }
  // Everything later is relative to the makefile's directory. A failed
  // change leaves the directory as it was.
  const std::string directory = DirectoryOf(includeStack_.back()->fullPath());
  if (!directory.empty()) platform::SetWorkingDirectory(directory);

  ReadLines();
  if (targets_->HasRootCycle()) {
    RecordError(kErrorDependencyCycle, engine::DescribeCycle(targets_->FindRootCycle()));
    return false;
  }
  return !HasError();
}

void MakefileReader::ReadLines() {
  std::string line;
  for (;;) {
    if (pendingLine_.empty()) {
      if (ReadLogicalLine(line) != LineResult::kLine) return;
    } else {
      line.swap(pendingLine_);
      pendingLine_.clear();
    }
    if (line.find('=') != std::string::npos) {
      macros_->ParseMacroDefinition(line);
      caretMacro_ = EndsWithLoneCaret(line) ? MacroTable::DefinedName(line) : std::string();
      continue;
    }
    // NMAKE's value "NAME = ^" goes on over the lines below it, each after
    // a line break, for as long as they end in '^' too. Only lines that
    // would read as nothing else (no '=', no ':') are taken.
    if (!caretMacro_.empty() && !TrimLeft(line).empty() && FindUnescaped(line, ':', 0) == std::string::npos) {
      AppendCaretLine(line);
      continue;
    }
    caretMacro_.clear();
    const size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos && (line[first] == '.' || line[first] == '{')) {
      const HandlerResult result = HandleSuffixLine(*this, line);
      if (result == HandlerResult::kError) return;
      if (result != HandlerResult::kNotMine) continue;
    }
    const std::string_view rest = TrimLeft(line);
    if (rest.empty()) continue;
    if (HandleDependencyLine(*this, rest) == HandlerResult::kError) return;
  }
}

LineResult MakefileReader::ReadPhysicalLine(std::string& line) {
  while (!includeStack_.empty()) {
    if (includeStack_.back()->ReadLine(line)) {
      error_.lineText = line;
      return LineResult::kLine;
    }
    // The file has ended: reading goes on after the INCLUDE line below.
    includeStack_.pop_back();
    if (!includeStack_.empty()) error_.fileName = includeStack_.back()->fileName();
  }
  return LineResult::kEndOfInput;
}

LineResult MakefileReader::ReadLogicalLine(std::string& line) {
  // The buffers keep their room from line to line; nothing called from
  // here reads logical lines itself.
  std::string& logical = logicalLine_;
  std::string& physical = physicalLine_;
  logical.clear();
  for (;;) {
    const bool atEnd = ReadPhysicalLine(physical) == LineResult::kEndOfInput;
    if (atEnd) {
      // A continued last line is still handled.
      if (logical.empty()) return LineResult::kEndOfInput;
    } else {
      const bool emptyLine = physical.empty();
      const size_t comment = FindUnescaped(physical, '#', 0);
      if (comment != std::string::npos) physical.resize(comment);
      // Empty and comment-only lines are skipped, also inside a continued
      // line; NMAKE ends a continued line at an empty one.
      const bool endsContinuation = emptyLine && readAsNmake_ && !logical.empty();
      if (physical.empty() && !endsContinuation) continue;
      logical += physical;
      if (!endsContinuation && EndsWithContinuation(logical)) {
        const size_t last = logical.size() - 1;
        if (last >= 2 && logical[last - 1] == kEscape && StartsCharacter(logical, last - 1)) {
          logical.erase(last - 1, 1);  // "^\" is a plain backslash that ends the line
        } else {
          logical[last] = ' ';
          continue;
        }
      }
    }

    const int state = conditionals_.empty() ? 0 : conditionals_.back();
    if (logical[0] == '!') {
      if (HandleDirective(*this, std::string_view(logical).substr(1), state) == kDirectiveFailed) {
        return LineResult::kError;
      }
    } else if (state == 0) {
      if (!ExpandMacros(logical)) return LineResult::kError;
      line.swap(logical);
      return LineResult::kLine;
    }
    if (atEnd) return LineResult::kEndOfInput;
    logical.clear();
  }
}

IncludeResult MakefileReader::PushInclude(const std::string& path) {
  if (includeStack_.size() >= kMaxIncludeDepth) return IncludeResult::kTooDeep;
  std::unique_ptr<SourceFile> source = SourceFile::Open(path);
  if (!source) return IncludeResult::kCannotOpen;
  for (const std::unique_ptr<SourceFile>& open : includeStack_) {
    if (platform::SamePath(open->fullPath(), source->fullPath())) return IncludeResult::kAlreadyOpen;
  }
  if (source->IsUtf16()) return IncludeResult::kUtf16;
  error_.fileName = source->fileName();
  includeStack_.push_back(std::move(source));
  return IncludeResult::kOpened;
}

std::string MakefileReader::CurrentFileDirectory() const {
  return includeStack_.empty() ? std::string() : DirectoryOf(includeStack_.back()->fullPath());
}

bool MakefileReader::ExpandMacros(std::string& line) {
  std::string name;
  const ExpandStatus status = ExpandMacroReferences(
      line, *macros_, [this](const std::string& undefined, std::string& value) { return OnUndefinedMacro(undefined, value); },
      &name, readAsNmake_);
  switch (status) {
    case ExpandStatus::kDone:
      return true;
    case ExpandStatus::kUndefinedFailed:
      // A hook that failed without saying why.
      if (!HasError()) RecordError(kErrorInternal);
      return false;
    case ExpandStatus::kSelfReference:
      RecordError(kErrorMacroRefersToItself, name);
      return false;
    case ExpandStatus::kTooLong:
      // Expanding further would only use up memory.
      RecordError(kErrorOutOfMemory);
      return false;
  }
  return false;
}

void MakefileReader::RecordError(int code) { RecordError(code, std::string()); }

void MakefileReader::RecordError(int code, const std::string& argument) {
  error_.code = code;
  error_.subCode = 0;
  error_.argument = argument;
  error_.lineNumber = includeStack_.empty() ? 0 : includeStack_.back()->lineNumber();
}

void MakefileReader::RecordEvaluatorError(int subCode) {
  RecordError(kErrorExpression);
  error_.subCode = subCode;
}

void MakefileReader::RecordIncludeFailure(IncludeResult result, const std::string& path) {
  switch (result) {
    case IncludeResult::kCannotOpen:
      RecordError(kErrorIncludeNotFound);
      break;
    case IncludeResult::kAlreadyOpen:
      RecordError(kErrorIncludesItself, path);
      break;
    case IncludeResult::kUtf16:
      RecordError(kErrorUtf16, path);
      break;
    default:
      // Too many files open at once: this one is not opened.
      RecordError(kErrorCannotOpen, path);
      break;
  }
}

}  // namespace makefile
