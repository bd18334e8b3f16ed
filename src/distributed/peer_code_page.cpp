#include "distributed/peer_code_page.h"

#include "platform/code_page.h"

namespace distributed {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kOpening = "CodePage(";
constexpr std::string_view kClosing = ")\r\n";

// Converting only when both pages are known and differ.
bool Converts(int serverCodePage) { return serverCodePage != 0 && serverCodePage != platform::NarrowCodePage(); }

}  // namespace

std::string FormatCodePageLine(int codePage) {
  return std::string(kOpening) + std::to_string(codePage) + std::string(kClosing);
}

int DatagramCodePage(std::string_view datagram) {
  const std::size_t end = datagram.find(kLineEnd);
  if (end == std::string_view::npos) return 0;
  std::string_view line = datagram.substr(end + kLineEnd.size());
  if (line.substr(0, kOpening.size()) != kOpening) return 0;
  line.remove_prefix(kOpening.size());
  int codePage = 0;
  std::size_t digits = 0;
  for (; digits < line.size() && digits < 5 && line[digits] >= '0' && line[digits] <= '9'; ++digits) {
    codePage = codePage * 10 + (line[digits] - '0');
  }
  return digits > 0 && line.substr(digits, kClosing.size()) == kClosing ? codePage : 0;
}

std::string TextFromServer(std::string_view text, int serverCodePage) {
  if (!Converts(serverCodePage)) return std::string(text);
  return platform::ConvertCodePage(text, serverCodePage, platform::NarrowCodePage());
}

std::string_view TextForServer(std::string_view text, int serverCodePage, std::string& converted) {
  if (!Converts(serverCodePage)) return text;
  converted = platform::ConvertCodePage(text, platform::NarrowCodePage(), serverCodePage);
  return converted;
}

std::size_t UnfinishedCharacterBytes(std::string_view output, int serverCodePage) {
  return Converts(serverCodePage) ? platform::IncompleteCharacterBytes(output) : 0;
}

}  // namespace distributed
