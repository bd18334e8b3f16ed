// Past its memory bound the spool keeps every byte, in order, in a
// temporary file that goes with Clear; it hands them on in pieces that a
// console converts whole (each ends after a line feed or a whole character).
#include "engine/output_spool.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/code_page.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

TEST(OutputSpool, KeepsEveryByteInOrderInWholePieces) {
  const std::string wide = testing_support::Narrow("表");
  std::string text;
  while (text.size() < OutputSpool::kMemoryBound / 2) text += wide;
  text += "\r\n";
  for (int line = 0; text.size() < 3 * OutputSpool::kMemoryBound; ++line) text += std::to_string(line) + " line\n";
  testing_support::ScratchDirectory temporary;
  testing_support::ScopedVariable variable(platform::kPathSeparator == '/' ? "TMPDIR" : "TMP",
                                           temporary.path().string());
  OutputSpool spool;
  for (size_t at = 0; at < text.size(); at += 100000) {
    spool.AppendWith([&](std::string& out) { out.append(text, at, 100000); });
  }
  EXPECT_FALSE(std::filesystem::is_empty(temporary.path()));
  std::string back;
  const size_t firstLine = text.find('\n') + 1;
  for (const size_t count : {firstLine, text.size() - firstLine}) {
    spool.PassOn(count, [&](std::string_view piece) {
      EXPECT_LE(piece.size(), OutputSpool::kPieceBytes);
      EXPECT_EQ(platform::IncompleteCharacterBytes(piece), 0u);
      back += piece;
    });
  }
  EXPECT_TRUE(back == text) << back.size() << " bytes of " << text.size();
  spool.Clear();
  EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
}

}  // namespace
}  // namespace engine
