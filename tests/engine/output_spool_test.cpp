// Past its memory bound the spool keeps every byte in order (the -J tests
// see the file come and go) and hands them on in pieces that a console
// converts whole: each ends after a line feed or a whole character.
#include "engine/output_spool.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

TEST(OutputSpool, KeepsEveryByteInOrderInWholePieces) {
  std::string text;
  while (text.size() < OutputSpool::kMemoryBound / 2) text += testing_support::Narrow("表");
  for (int line = 0; text.size() < 3 * OutputSpool::kMemoryBound; ++line) text += "\r\n" + std::to_string(line);
  OutputSpool spool;
  for (size_t at = 0; at < text.size(); at += 100000) {
    spool.AppendWith([&](std::string& out) { out.append(text, at, 100000); });
  }
  std::string back;
  for (const size_t count : {text.find('\n') + 1, text.size()}) {
    spool.PassOn(count, [&](std::string_view piece) {
      EXPECT_LE(piece.size(), OutputSpool::kPieceBytes);
      EXPECT_EQ(platform::IncompleteCharacterBytes(piece), 0u);
      back += piece;
    });
  }
  EXPECT_TRUE(back == text) << back.size() << " bytes of " << text.size();
}

}  // namespace
}  // namespace engine
