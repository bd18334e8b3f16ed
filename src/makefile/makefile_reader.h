// Reads a makefile and the files it includes into logical lines and hands
// each to the part of the makefile language that owns it. The first error
// stops the reading and stays in the ReaderError.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "diag/reader_error.h"
#include "makefile/macro_table.h"
#include "makefile/reader_error_codes.h"

namespace engine {
class TargetModel;
class RuleTable;
}  // namespace engine

namespace makefile {

class SourceFile;

enum class LineResult { kLine, kEndOfInput, kError };

enum class IncludeResult {
  kOpened,
  kCannotOpen,
  kAlreadyOpen,  // the file is being read already: it would include itself
  kTooDeep,      // more than kMaxIncludeDepth files open at once
  kUtf16,        // UTF-16 text, which is not read
};

inline constexpr size_t kMaxIncludeDepth = 256;

class MakefileReader {
 public:
  MakefileReader(engine::TargetModel* targets, engine::RuleTable* rules, MacroTable* macros);
  virtual ~MakefileReader();
  MakefileReader(const MakefileReader&) = delete;
  MakefileReader& operator=(const MakefileReader&) = delete;

  // The text of a MESSAGE directive; by default it goes out as a notice
  // with a line feed. Gives 0.
  virtual int OnMessage(const std::string& text);
  // Asked for a macro name that is not defined. By default writes one empty
  // line as a notice and gives 0 with an empty value; non-zero makes
  // the expansion fail.
  virtual int OnUndefinedMacro(const std::string& name, std::string& value);

  // Reads `name` and everything it includes; false with the error recorded.
  // The working directory becomes the makefile's directory.
  bool ReadMakefile(const std::string& name);

  // One non-empty logical line of an active part, macros expanded.
  // Directives are handled on the way.
  LineResult ReadLogicalLine(std::string& line);
  // The next physical line as written; never kError.
  LineResult ReadPhysicalLine(std::string& line);

  IncludeResult PushInclude(const std::string& path);
  // The folder of the file being read; empty when none is open.
  std::string CurrentFileDirectory() const;

  // Expands macro references; false with the error recorded.
  bool ExpandMacros(std::string& line);

  void RecordError(int code);
  void RecordError(int code, const std::string& argument);
  void RecordEvaluatorError(int subCode);
  // Records why PushInclude did not open `path` for an INCLUDE directive.
  void RecordIncludeFailure(IncludeResult result, const std::string& path);
  bool HasError() const { return error_.code != 0; }
  const diag::ReaderError& error() const { return error_; }

  MacroTable& macros() { return *macros_; }
  engine::TargetModel& targets() { return *targets_; }
  engine::RuleTable& rules() { return *rules_; }

  // Where NMAKE reads a line otherwise without either giving an error, read
  // it as NMAKE does: an empty line ends a line continued with '\',
  // "$(NAME:old=new)" substitutes, an undefined name expands to nothing
  // silently and stays undefined, and where '/' separates paths, EXIST()
  // also looks for a path written with '\' with '/' instead.
  void ReadAsNmake(bool on) { readAsNmake_ = on; }
  bool ReadsAsNmake() const { return readAsNmake_; }

  // NMAKE's ".IGNORE:": every command read after it ignores its failure.
  void IgnoreAllFailures() { ignoreAllFailures_ = true; }
  bool IgnoresAllFailures() const { return ignoreAllFailures_; }

  // A logical line read but not yet handled; empty when none.
  std::string& pendingLine() { return pendingLine_; }
  // States of the open conditionals, innermost last; shared by all files.
  std::vector<int>& conditionals() { return conditionals_; }

 private:
  void ReadLines();
  // Adds a line to the value of caretMacro_, after a line break.
  void AppendCaretLine(const std::string& line);

  engine::TargetModel* targets_;
  engine::RuleTable* rules_;
  MacroTable* macros_;
  diag::ReaderError error_;
  std::vector<std::unique_ptr<SourceFile>> includeStack_;
  std::vector<int> conditionals_;
  std::string pendingLine_;
  bool ignoreAllFailures_ = false;
  bool readAsNmake_ = false;
  std::string caretMacro_;  // a macro whose value line ended in a lone '^'
  std::string logicalLine_;   // ReadLogicalLine's working buffers
  std::string physicalLine_;
};

}  // namespace makefile
