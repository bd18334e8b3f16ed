#include "platform/posix/wildcard_posix.h"

#include <dirent.h>

namespace platform {
namespace {

std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

// Backtracks only to the last '*', which keeps a match at most proportional
// to the product of the two lengths.
bool MatchesWildcard(std::string_view pattern, std::string_view name) {
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

bool FindMatchingEntry(const std::string& pattern, const std::function<bool(const std::string& path)>& accept) {
  const std::size_t slash = pattern.rfind('/');
  std::string directory = ".";
  std::string_view leaf = pattern;
  if (slash != std::string::npos) {
    directory.assign(pattern, 0, slash == 0 ? 1 : slash);
    leaf.remove_prefix(slash + 1);
  }
  if (HasWildcard(directory)) return false;

  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return false;
  bool accepted = false;
  while (!accepted) {
    const dirent* entry = readdir(listing);
    if (entry == nullptr) break;
    const std::string_view entryName = entry->d_name;
    if (entryName == "." || entryName == ".." || !MatchesWildcard(leaf, entryName)) continue;
    accepted = accept(directory + "/" + std::string(entryName));
  }
  closedir(listing);
  return accepted;
}

}  // namespace platform
