#include "makefile/directives.h"

#include <string>

#include "makefile/directive_syntax.h"
#include "makefile/escapes.h"
#include "makefile/eval_status.h"
#include "makefile/expression_evaluator.h"
#include "makefile/file_functions.h"
#include "makefile/line_text.h"
#include "makefile/makefile_reader.h"

namespace makefile {
namespace {

// The condition of IF and ELSEIF: 0 when it holds, 1 when not, 3 with the
// error recorded.
int EvaluateExpression(MakefileReader& reader, std::string expression) {
  if (!reader.ExpandMacros(expression)) return kConditionUnknown;
  ExpressionEvaluator evaluator;
  RegisterFileFunctions(evaluator);
  std::string result;
  const int status = evaluator.Evaluate(expression, result);
  if (status != kEvalSuccess) {
    reader.RecordEvaluatorError(ReportedEvalStatus(status));
    return kConditionUnknown;
  }
  return ConditionHolds(result) ? kConditionActive : kConditionWaiting;
}

// The condition of the IFDEF forms: whether the macro of "$(NAME)" exists.
int EvaluateDefined(MakefileReader& reader, const std::string& argument, bool wantDefined) {
  const std::optional<std::string> name = ReferencedMacroName(argument);
  if (!name) {
    // Only the reference form "$(NAME)" names a macro here: the message
    // shows the form with what was written, or with NAME where that would
    // not read as a name.
    const std::string_view written = Trim(argument);
    const bool plain = !written.empty() && written.find('$') == std::string_view::npos;
    reader.RecordError(kErrorIfdefNeedsReference, plain ? std::string(written) : std::string("NAME"));
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

int Include(MakefileReader& reader, const std::string& argument) {
  const char opener = argument.empty() ? '\0' : argument[0];
  if (opener != '"' && opener != '<') {
    reader.RecordError(kErrorIncludeNotQuoted);
    return kDirectiveFailed;
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
  if (result != IncludeResult::kOpened) {
    reader.RecordIncludeFailure(result, path);
    return kDirectiveFailed;
  }
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
    default:
      reader.RecordError(kErrorUnknownDirective, std::string("!").append(text.substr(0, keyword.length)));
      return kDirectiveFailed;
  }
}

}  // namespace makefile
