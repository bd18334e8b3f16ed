#include "distributed/program_path.h"

#include "engine/path_parts.h"

namespace distributed {

std::string StripProgramDirectory(std::string_view commandLine) {
  const size_t first = commandLine.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::string_view text = commandLine.substr(first);
  // The program part ends after its closing quote, or at the first blank.
  const size_t nameStart = text.front() == '"' ? 1 : 0;
  size_t end = nameStart == 1 ? text.find('"', 1) : text.find(' ');
  end = end == std::string_view::npos ? text.size() : end + nameStart;
  std::string stripped(text.substr(0, nameStart));
  stripped += engine::LastPathComponent(text.substr(nameStart, end - nameStart));
  stripped += text.substr(end);
  return stripped;
}

}  // namespace distributed
