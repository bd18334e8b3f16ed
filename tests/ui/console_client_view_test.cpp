#include "ui/console/console_client_view.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleClientViewTest, LineNamesTheClientAndTheServerItWorksFor) {
  const struct {
    const char* address;
    const char* server;
    const char* line;
  } cases[] = {
      {"10.0.0.5", "SRV 10.0.0.1", "09:05:07 [PC01 10.0.0.5] <SRV 10.0.0.1> text\n"},
      {"10.0.0.5", "", "09:05:07 [PC01 10.0.0.5] text\n"},
      {"", "", "09:05:07 [PC01] text\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ConsoleClientView::FormatLine("09:05:07", "PC01", c.address, c.server, "text"), c.line);
  }
}

}  // namespace
