#include "platform/windows_arguments.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string>;

TEST(SplitWindowsArgumentsTest, TheCRuntimeRules) {
  const std::pair<const char*, Arguments> cases[] = {
      // Blanks separate and quotes group.
      {"  cc  -c\ta.c  ", {"cc", "-c", "a.c"}},
      {"cc \"a b\" x\"y z\"w", {"cc", "a b", "xy zw"}},
      {"cc \"\" x", {"cc", "", "x"}},
      // Backslashes count only before a quote.
      {"p a\\\"b", {"p", "a\"b"}},
      {"p a\\\\\"b c\"", {"p", "a\\b c"}},
      {"p a\\\\\\\"b", {"p", "a\\\"b"}},
      {"p C:\\dir\\file \\\\server\\share\\", {"p", "C:\\dir\\file", "\\\\server\\share\\"}},
      // A doubled quote inside quotes is a quote.
      {"p \"a\"\"b\"", {"p", "a\"b"}},
      // The program name takes no escapes.
      {"\"C:\\Program Files\\x.exe\" a", {"C:\\Program Files\\x.exe", "a"}},
      {"C:\\dir\\\"x y\" a", {"C:\\dir\\x y", "a"}},
      // An unbalanced quote runs to the end.
      {"p \"a b", {"p", "a b"}},
      {"\"p q", {"p q"}},
      {"", {}},
      {" \t ", {}},
  };
  for (const auto& [line, arguments] : cases) EXPECT_EQ(platform::SplitWindowsArguments(line), arguments) << line;
}

}  // namespace
