// Replaces $(NAME) references in a makefile line by their values.
#pragma once

#include <functional>
#include <string>

#include "makefile/macro_table.h"

namespace makefile {

enum class ExpandStatus {
  kDone,
  kUndefinedFailed,  // the handler for an undefined name failed
  kSelfReference,    // a value refers to itself, directly or through others
  kTooLong,          // the line grew past kMaxExpansionGrowth
};

// Asked for a name the table does not hold: gives 0 and the value to use,
// or non-zero to fail the expansion.
using UndefinedMacroHandler = std::function<int(const std::string& name, std::string& value)>;

// How much longer than the original an expanded line may grow.
inline constexpr size_t kMaxExpansionGrowth = size_t{64} << 20;

// Expands `line` in place. References do not nest, single-letter forms such
// as $X stay, and the tokens of the special macros ($@, $(@D), ...) are left
// for the commands. A value is scanned again from its second character, so a
// reference inside a value is expanded too. Each name that was undefined is
// defined with the handler's value. On failure `line` is unchanged and
// `offendingName` (when given) names the macro concerned. With
// `nmakeReading`, "$(NAME:old=new)" is NMAKE's substitution: the value of
// NAME with every "old" replaced by "new" (macros in "new" expanded, its
// escapes removed), where otherwise it names the macro "NAME:old=new"; and
// an undefined name stays undefined, as in NMAKE.
ExpandStatus ExpandMacroReferences(std::string& line, MacroTable& macros, const UndefinedMacroHandler& onUndefined,
                                   std::string* offendingName = nullptr, bool nmakeReading = false);

}  // namespace makefile
