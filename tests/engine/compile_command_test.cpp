// Which command lines compile which sources, and the JSON text of a
// compilation database. (The file as a whole is held by the local build's
// compilation database test.)
#include "engine/compile_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/json_text.h"
#include "platform/directory.h"
#include "platform/text.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

struct LineCase {
  std::string text;
  InlineKind kind;
  std::string inlineName;
  std::string inlineContent;
  // Per entry: the source, the output, the arguments joined with '|'.
  std::vector<std::vector<std::string>> entries;
};

TEST(CompileCommandTest, EntriesPerSourceGivenToACompiler) {
  const LineCase cases[] = {
      {"cc -O2 -Wall -c main.c -o \"main.o\"", InlineKind::None, "", "",
       {{"main.c", "main.o", "cc|-O2|-Wall|-c|main.c|-o|main.o"}}},
      // Any folder, any letter case, ".exe" or not; one entry per source.
      {"/usr/bin/gcc -O -c a.c b.CPP", InlineKind::None, "", "",
       {{"a.c", "", "/usr/bin/gcc|-O|-c|a.c|b.CPP"}, {"b.CPP", "", "/usr/bin/gcc|-O|-c|a.c|b.CPP"}}},
      // cl's options: /Fo naming a folder, /Tc naming a source of any name.
      {"CL.EXE /c /Foobj/ x.cpp /Tcy.txt", InlineKind::None, "", "",
       {{"x.cpp", "obj/x.obj", "CL.EXE|/c|/Foobj/|x.cpp|/Tcy.txt"},
        {"y.txt", "obj/y.obj", "CL.EXE|/c|/Foobj/|x.cpp|/Tcy.txt"}}},
      {"clang-cl /c /Fo:z.obj z.cxx", InlineKind::None, "", "", {{"z.cxx", "z.obj", "clang-cl|/c|/Fo:z.obj|z.cxx"}}},
      // A response file from an inline file is read in place.
      {"clang++ @", InlineKind::Temporary, "", "-c\nr.cc -o r.o\n", {{"r.cc", "r.o", "clang++|-c|r.cc|-o|r.o"}}},
      {"c++ -c @", InlineKind::Named, "args.rsp", "s.c\n", {{"s.c", "", "c++|-c|s.c"}}},
      // Any other named inline file is an argument by its name.
      {"g++ -c ", InlineKind::Named, "gen.cc", "int x;\n", {{"gen.cc", "", "g++|-c|gen.cc"}}},
      // Values of options are no sources.
      {"gcc -x c -include pre.c -MF dep.c -c m.c", InlineKind::None, "", "",
       {{"m.c", "", "gcc|-x|c|-include|pre.c|-MF|dep.c|-c|m.c"}}},
      // Linking, other programs, lines without a source.
      {"cc -o hello main.o libgreet.a", InlineKind::None, "", "", {}},
      {"ar rcs lib.a a.c", InlineKind::None, "", "", {}},
      {"rc /fo x.res x.c", InlineKind::None, "", "", {}},
      {"clang -c", InlineKind::None, "", "", {}},
      {"", InlineKind::None, "", "", {}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.text);
    CommandLine line;
    line.text = c.text;
    line.inlineKind = c.kind;
    line.inlineFileName = c.inlineName;
    line.inlineContent = c.inlineContent;
    const std::vector<CompileCommand> entries = CompileCommandsOf(line);
    ASSERT_EQ(entries.size(), c.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      std::string arguments;
      for (const std::string& argument : entries[i].arguments) arguments += (arguments.empty() ? "" : "|") + argument;
      EXPECT_EQ(entries[i].file, platform::FullPath(c.entries[i][0]));
      EXPECT_EQ(entries[i].output, c.entries[i][1]);
      EXPECT_EQ(arguments, c.entries[i][2]);
    }
  }
}

TEST(JsonTextTest, EscapesAndConvertsToUtf8) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"cc", "\"cc\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\n\r\t\x01\x1f ~", "\"\\n\\r\\t\\u0001\\u001f ~\""},
      {testing_support::Narrow("表示.c"), "\"表示.c\""},
      {"", "\"\""},
  };
  // A byte that is no UTF-8 character still gives a valid document.
  if (!platform::kHasLeadBytes) cases.emplace_back("a\xff", "\"a\xEF\xBF\xBD\"");
  for (const auto& [narrow, json] : cases) EXPECT_EQ(JsonString(narrow), json) << narrow;
}

}  // namespace
}  // namespace engine
