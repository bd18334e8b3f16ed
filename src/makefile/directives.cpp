#include "makefile/directives.h"

#include <algorithm>
#include <string>
#include <vector>

#include "makefile/directive_syntax.h"
#include "makefile/escapes.h"
#include "makefile/eval_status.h"
#include "makefile/expression_evaluator.h"
#include "makefile/file_functions.h"
#include "makefile/line_text.h"
#include "makefile/makefile_reader.h"
#include "makefile/nmake_operands.h"
#include "makefile/read_time_command.h"
#include "platform/path.h"

namespace makefile {
namespace {

// The condition of IF and ELSEIF: 0 when it holds, 1 when not, 3 with the
// error recorded.
int EvaluateExpression(MakefileReader& reader, std::string expression) {
  if (!reader.ExpandMacros(expression)) return kConditionUnknown;
  ExpressionEvaluator evaluator;
  RegisterFileFunctions(evaluator, reader.ReadsAsNmake());
  std::string result;
  int status = evaluator.Evaluate(expression, result);
  if (status != kEvalSuccess) {
    // A condition the dialect cannot read may hold NMAKE's operands; their
    // values make it readable. Commands run only here, never for a
    // condition that reads without them.
    const NmakeOperands operands{&reader.macros(), RunReadTimeCommand};
    std::string construct;
    switch (ReplaceNmakeOperands(expression, operands, construct)) {
      case OperandsResult::kUnclosed:
        reader.RecordError(kErrorOperandNotClosed, construct);
        return kConditionUnknown;
      case OperandsResult::kReplaced:
        if (evaluator.Evaluate(expression, result) == kEvalSuccess) status = kEvalSuccess;
        break;
      case OperandsResult::kUnchanged:
        break;
    }
  }
  if (status != kEvalSuccess) {
    reader.RecordEvaluatorError(ReportedEvalStatus(status));
    return kConditionUnknown;
  }
  return ConditionHolds(result) ? kConditionActive : kConditionWaiting;
}

// The condition of the IFDEF forms: whether the macro of "$(NAME)", or of
// NMAKE's bare NAME, exists.
int EvaluateDefined(MakefileReader& reader, const std::string& argument, bool wantDefined) {
  const std::optional<std::string> name = TestedMacroName(argument);
  if (!name) {
    reader.RecordError(kErrorIfdefNeedsReference, "NAME");
    return kConditionUnknown;
  }
  const bool defined = reader.macros().LookupMacro(*name).has_value();
  return defined == wantDefined ? kConditionActive : kConditionWaiting;
}

int Evaluate(MakefileReader& reader, DirectiveKind kind, const std::string& argument) {
  switch (kind) {
    case DirectiveKind::kIf:
    case DirectiveKind::kElseIf:
      return EvaluateExpression(reader, argument);
    case DirectiveKind::kIfdef:
    case DirectiveKind::kElseIfdef:
      return EvaluateDefined(reader, argument, true);
    default:
      return EvaluateDefined(reader, argument, false);
  }
}

class ConditionalDirective {
 public:
  ConditionalDirective(MakefileReader& reader, DirectiveKind kind, const std::string& argument)
      : reader_(reader), stack_(reader.conditionals()), kind_(kind), argument_(argument) {}

  int Open() {
    const int top = stack_.empty() ? kConditionActive : stack_.back();
    switch (top) {
      case kConditionActive: return PushEvaluated();
      case kConditionWaiting:
      case kConditionDone: return Push(kConditionDone);
      default: return Corrupt();
    }
  }

  int ElseIf(int missingCode) {
    if (stack_.empty()) return Fail(missingCode);
    switch (Pop()) {
      case kConditionActive:
      case kConditionDone: return Push(kConditionDone);
      case kConditionWaiting: return PushEvaluated();
      default: return Corrupt();
    }
  }

  int Else() {
    if (stack_.empty()) return Fail(kErrorElseWithoutIf);
    switch (Pop()) {
      case kConditionActive: return Push(kConditionWaiting);
      case kConditionWaiting: return Push(kConditionActive);
      case kConditionDone: return Push(kConditionDone);
      default: return Corrupt();
    }
  }

  int EndIf() {
    if (stack_.empty()) return Fail(kErrorEndifWithoutIf);
    Pop();
    return stack_.empty() ? kConditionActive : stack_.back();
  }

 private:
  int Pop() {
    const int state = stack_.back();
    stack_.pop_back();
    return state;
  }
  int Push(int state) {
    stack_.push_back(state);
    return state;
  }
  int PushEvaluated() {
    const int state = Push(Evaluate(reader_, kind_, argument_));
    return state == kConditionUnknown ? kDirectiveFailed : state;
  }
  int Corrupt() {
    stack_.push_back(kConditionUnknown);
    return Fail(kErrorInternal);
  }
  int Fail(int code) {
    reader_.RecordError(code);
    return kDirectiveFailed;
  }

  MakefileReader& reader_;
  std::vector<int>& stack_;
  DirectiveKind kind_;
  const std::string& argument_;
};

// "C:\x", "\x" and "/x" do not depend on the folder they are read from.
bool IsAbsolutePath(std::string_view path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() >= 2 && path[1] == ':');
}

std::string JoinPath(std::string directory, const std::string& name) {
  if (!directory.empty() && directory.back() != platform::kPathSeparator) directory.push_back(platform::kPathSeparator);
  return directory + name;
}

// The folders of NMAKE's INCLUDE list, separated by ';'.
std::vector<std::string> SplitSearchList(std::string_view list) {
  std::vector<std::string> folders;
  while (!list.empty()) {
    const size_t end = std::min(list.find(';'), list.size());
    const std::string_view folder = Trim(list.substr(0, end));
    if (!folder.empty()) folders.emplace_back(folder);
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return folders;
}

// NMAKE's reading of an !INCLUDE the dialect does not open: macros in the
// name are expanded, and a relative name is looked for beside the including
// file and along the INCLUDE list. `notFound` is the error when no file
// opens: the dialect's own for its forms, else one that names the file.
int IncludeAsNmake(MakefileReader& reader, const std::string& written, bool searchIncludeList, int notFound) {
  std::string name = written;
  if (!reader.ExpandMacros(name)) return kDirectiveFailed;
  name = std::string(Trim(name));
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  std::vector<std::string> candidates;
  if (!name.empty()) candidates.push_back(name);
  if (WithNativeSeparators(name) != name) candidates.push_back(WithNativeSeparators(name));
  if (!name.empty() && !IsAbsolutePath(name)) {
    candidates.push_back(JoinPath(reader.CurrentFileDirectory(), WithNativeSeparators(name)));
    if (searchIncludeList) {
      for (const std::string& directory : SplitSearchList(reader.macros().LookupMacro("INCLUDE").value_or(""))) {
        candidates.push_back(JoinPath(directory, WithNativeSeparators(name)));
      }
    }
  }
  for (const std::string& candidate : candidates) {
    const IncludeResult result = reader.PushInclude(candidate);
    if (result == IncludeResult::kOpened) return kConditionActive;
    if (result != IncludeResult::kCannotOpen) {
      reader.RecordIncludeFailure(result, candidate);
      return kDirectiveFailed;
    }
  }
  if (notFound == kErrorIncludeFileNotFound) {
    reader.RecordError(notFound, name.empty() ? written : name);
  } else {
    reader.RecordError(notFound);
  }
  return kDirectiveFailed;
}

int Include(MakefileReader& reader, const std::string& argument) {
  const char opener = argument.empty() ? '\0' : argument[0];
  if (opener != '"' && opener != '<') {
    if (argument.empty()) {
      reader.RecordError(kErrorIncludeNotQuoted);
      return kDirectiveFailed;
    }
    return IncludeAsNmake(reader, argument, true, kErrorIncludeFileNotFound);
  }
  const char closer = opener == '"' ? '"' : '>';
  const size_t close = argument.find(closer, 1);
  if (close == std::string::npos) {
    reader.RecordError(opener == '"' ? kErrorIncludeNoClosingQuote : kErrorIncludeNoClosingBracket);
    return kDirectiveFailed;
  }
  std::string path = argument.substr(1, close - 1);
  // The INCLUDE macro is put in front as it stands: no separator is added
  // and it is no search list.
  if (opener == '<') path = reader.macros().LookupMacro("INCLUDE").value_or(std::string()) + path;
  const IncludeResult result = reader.PushInclude(path);
  if (result == IncludeResult::kCannotOpen && close > 1) {
    // The dialect's own forms keep their message when nothing opens.
    return IncludeAsNmake(reader, argument.substr(1, close - 1), opener == '<', kErrorIncludeNotFound);
  }
  if (result != IncludeResult::kOpened) {
    reader.RecordIncludeFailure(result, path);
    return kDirectiveFailed;
  }
  return kConditionActive;
}

// NMAKE's "![command]": the command between the brackets runs now; its exit
// code is not looked at.
int RunCommand(MakefileReader& reader, std::string argument) {
  if (!reader.ExpandMacros(argument)) return kDirectiveFailed;
  const size_t close = FindUnescaped(argument, ']', 1);
  if (close == std::string::npos) {
    reader.RecordError(kErrorOperandNotClosed, "!" + argument);
    return kDirectiveFailed;
  }
  RunReadTimeCommand(CommandText(std::string_view(argument).substr(1, close - 1)));
  return kConditionActive;
}

}  // namespace

int HandleDirective(MakefileReader& reader, std::string_view line, int state) {
  const std::string_view text = Trim(line);
  const DirectiveKeyword keyword = MatchDirectiveKeyword(text);
  std::string argument = RemoveEscapes(text);
  argument.erase(0, std::min(keyword.length, argument.size()));
  argument.erase(0, argument.size() - TrimLeft(argument).size());

  ConditionalDirective conditional(reader, keyword.kind, argument);
  switch (keyword.kind) {
    case DirectiveKind::kIf:
    case DirectiveKind::kIfdef:
    case DirectiveKind::kIfndef:
      return conditional.Open();
    case DirectiveKind::kElseIf:
      return conditional.ElseIf(kErrorElseIfWithoutIf);
    case DirectiveKind::kElseIfdef:
    case DirectiveKind::kElseIfndef:
      return conditional.ElseIf(kErrorElseIfdefWithoutIfdef);
    case DirectiveKind::kElse:
      return conditional.Else();
    case DirectiveKind::kEndif:
      return conditional.EndIf();
    default:
      break;
  }

  // The other directives do something only in an active part.
  if (state != kConditionActive) return state;
  switch (keyword.kind) {
    case DirectiveKind::kInclude:
      return Include(reader, argument);
    case DirectiveKind::kMessage:
      if (!reader.ExpandMacros(argument)) return kDirectiveFailed;
      reader.OnMessage(argument);
      return kConditionActive;
    case DirectiveKind::kError:
      if (!reader.ExpandMacros(argument)) return kDirectiveFailed;
      reader.RecordError(kErrorUser, argument);
      return kDirectiveFailed;
    case DirectiveKind::kUndef: {
      const std::optional<std::string> name = TestedMacroName(argument);
      if (!name) {
        reader.RecordError(kErrorUndefWithoutName);
        return kDirectiveFailed;
      }
      reader.macros().UndefineMacro(*name);
      return kConditionActive;
    }
    case DirectiveKind::kCmdSwitches:
      // NMAKE's option changes while reading: the options here are the
      // command line's alone.
      return kConditionActive;
    case DirectiveKind::kRunCommand:
      return RunCommand(reader, argument);
    default:
      reader.RecordError(kErrorUnknownDirective, std::string("!").append(text.substr(0, keyword.length)));
      return kDirectiveFailed;
  }
}

}  // namespace makefile
