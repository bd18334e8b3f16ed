#include "exec/environment_list.h"

#include "platform/environment.h"
#include "platform/environment_edit.h"

namespace exec {

void EnvironmentList::Snapshot() {
  entries_.clear();
  for (const auto& [name, value] : platform::EnvironmentEntries()) entries_.push_back(name + "=" + value);
}

void EnvironmentList::Set(std::string_view assignment) {
  // set "NAME=VALUE" takes the text between the first and the last quote.
  if (assignment.size() >= 2 && assignment.front() == '"') {
    size_t closing = assignment.rfind('"');
    if (closing > 0) assignment = assignment.substr(1, closing - 1);
  }
  size_t equals = assignment.find('=');
  if (equals == std::string_view::npos || equals == 0) return;
  std::string_view name = assignment.substr(0, equals);
  const bool removing = equals + 1 == assignment.size();
  for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
    std::string_view entryName = std::string_view(*entry).substr(0, entry->find('='));
    if (!platform::SameEnvironmentName(entryName, name)) continue;
    if (removing) {
      entries_.erase(entry);
    } else {
      *entry = std::string(assignment);
    }
    return;
  }
  if (!removing) entries_.emplace_back(assignment);
}

int RunSetCommand(std::string_view argumentText, EnvironmentList& environment) {
  environment.Set(argumentText);
  return 0;
}

}  // namespace exec
