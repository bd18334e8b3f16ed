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
#include "support/text_helpers.h"

namespace engine {
namespace {

// A command line with its inline file, and per entry: the source, the
// output, the arguments joined with '|'.
struct LineCase {
  std::string text;
  std::vector<std::vector<std::string>> entries;
  InlineKind kind = InlineKind::None;
  std::string inlineName = "";
  std::string inlineContent = "";
};

// The example project's compiles are held by the compilation database test.
TEST(CompileCommandTest, EntriesPerSourceGivenToACompiler) {
  const LineCase cases[] = {
      // Any folder, any letter case, ".exe" or not; one entry per source.
      {"/usr/bin/gcc -O -c a.c b.CPP",
       {{"a.c", "", "/usr/bin/gcc|-O|-c|a.c|b.CPP"}, {"b.CPP", "", "/usr/bin/gcc|-O|-c|a.c|b.CPP"}}},
      // cl's options: /Fo naming a folder, /Tc naming a source of any name.
      {"CL.EXE /c /Foobj/ x.cpp /Tcy.txt",
       {{"x.cpp", "obj/x.obj", "CL.EXE|/c|/Foobj/|x.cpp|/Tcy.txt"},
        {"y.txt", "obj/y.obj", "CL.EXE|/c|/Foobj/|x.cpp|/Tcy.txt"}}},
      {"clang-cl /c /Fo:z.obj z.cxx", {{"z.cxx", "z.obj", "clang-cl|/c|/Fo:z.obj|z.cxx"}}},
      // A response file from an inline file is read in place.
      {"clang++ @", {{"r.cc", "r.o", "clang++|-c|r.cc|-o|r.o"}}, InlineKind::Temporary, "", "-c\nr.cc -o r.o\n"},
      {"c++ -c @", {{"s.c", "", "c++|-c|s.c"}}, InlineKind::Named, "args.rsp", "s.c\n"},
      // Any other named inline file is an argument by its name.
      {"g++ -c ", {{"gen.cc", "", "g++|-c|gen.cc"}}, InlineKind::Named, "gen.cc", "int x;\n"},
      // Values of options are no sources.
      {"gcc -x c -include pre.c -MF dep.c -c m.c", {{"m.c", "", "gcc|-x|c|-include|pre.c|-MF|dep.c|-c|m.c"}}},
      // Linking, other programs, lines without a source.
      {"cc -o hello main.o libgreet.a", {}},
      {"ar rcs lib.a a.c", {}},
      {"rc /fo x.res x.c", {}},
      {"clang -c", {}},
      {"", {}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.text);
    CommandLine line;
    line.SetCommandLine(c.text, c.inlineName, c.inlineContent, c.kind);
    const std::vector<CompileCommand> entries = CompileCommandsOf(line);
    ASSERT_EQ(entries.size(), c.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].file, platform::FullPath(c.entries[i][0]));
      EXPECT_EQ(entries[i].output, c.entries[i][1]);
      EXPECT_EQ(testing_support::Join(entries[i].arguments, "|"), c.entries[i][2]);
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
