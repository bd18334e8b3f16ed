#include "platform/file_search.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string_view>

namespace platform {
namespace {

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

// Length of the UTF-8 character that starts with `lead` ('?' matches one
// character, not one byte).
std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// '*' matches any run of characters, '?' exactly one; everything else
// matches itself. Backtracks only to the last '*', which keeps the match
// at most proportional to the product of the two lengths.
bool Matches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starPattern = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = ++p;
      starName = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLength(static_cast<unsigned char>(name[n]));
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern;
      n = starName += CharacterLength(static_cast<unsigned char>(name[starName]));
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size() && n == name.size();
}

}  // namespace

bool AnyFileMatches(const std::string& pattern) {
  struct stat status;
  if (!HasWildcard(pattern)) return !pattern.empty() && stat(pattern.c_str(), &status) == 0;

  const std::size_t slash = pattern.rfind('/');
  std::string directory = ".";
  std::string_view name = pattern;
  if (slash != std::string::npos) {
    directory.assign(pattern, 0, slash == 0 ? 1 : slash);
    name.remove_prefix(slash + 1);
  }
  if (HasWildcard(directory)) return false;

  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return false;
  bool found = false;
  while (!found) {
    const dirent* entry = readdir(listing);
    if (entry == nullptr) break;
    const std::string_view entryName = entry->d_name;
    found = entryName != "." && entryName != ".." && Matches(name, entryName);
  }
  closedir(listing);
  return found;
}

}  // namespace platform
