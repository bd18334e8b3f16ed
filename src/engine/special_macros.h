// Replacing $@ $* $** $? $< in a target's commands by the target's name,
// its dependents and what the file times say about them.
#pragma once

#include <string>
#include <string_view>

#include "engine/target_node.h"

namespace engine {

// `directory` relative to the current directory ("." + separator + "sub",
// ".." + separator + "other"; empty for the current directory itself),
// with a trailing separator when `withSeparator` is set and the result is
// not empty. A directory that cannot be made relative is given back as it
// is, with the separator added likewise.
std::string RelativeDirectory(const std::string& directory, bool withSeparator);

// `text` with every special-macro token replaced for `node`. File times are
// read once per call.
std::string ExpandSpecialMacros(const TargetNode& node, std::string_view text, bool buildAll);

// Expands the text, and the inline content, of every command of `node` in
// place.
void ExpandTargetCommands(TargetNode& node, bool buildAll);

}  // namespace engine
