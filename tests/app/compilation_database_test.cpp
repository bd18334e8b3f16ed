// -G: the compile commands a build would run, written as
// compile_commands.json and read back with a JSON parser; on Linux each
// entry is given to clang to show that its arguments find the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "local_build_fixture.h"
#include "support/json_reader.h"

namespace app::test {
namespace {

namespace fs = std::filesystem;
using testing_support::JsonValue;

class CompilationDatabase : public LocalBuild {
 protected:
  void CopyIn(const fs::path& from, const std::string& name) const {
    fs::copy_file(from, Directory() / name, fs::copy_options::overwrite_existing);
  }

  // Runs bramle with `arguments`, which must succeed without running or
  // echoing anything, and gives the entries' sources (file names) and
  // arguments (joined with '|'), having checked every entry's form.
  std::vector<std::pair<std::string, std::string>> Entries(const std::vector<std::string>& arguments) {
    const auto result = Run(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    const auto document = testing_support::JsonReader::Parse(Read("compile_commands.json"));
    EXPECT_TRUE(document && document->kind == JsonValue::Kind::Array);
    if (!document) return {};
    std::vector<std::pair<std::string, std::string>> entries;
    for (const JsonValue& entry : document->items) {
      const JsonValue* directory = entry.Member("directory");
      const JsonValue* file = entry.Member("file");
      const JsonValue* words = entry.Member("arguments");
      EXPECT_TRUE(directory && file && words && words->kind == JsonValue::Kind::Array);
      if (!directory || !file || !words) return {};
      EXPECT_TRUE(fs::equivalent(fs::u8path(directory->text), Directory())) << directory->text;
      EXPECT_TRUE(fs::u8path(file->text).is_absolute()) << file->text;
      EXPECT_TRUE(fs::equivalent(fs::u8path(file->text).parent_path(), Directory())) << file->text;
      std::string joined;
      for (const JsonValue& word : words->items) joined += (joined.empty() ? "" : "|") + word.text;
      entries.emplace_back(fs::u8path(file->text).filename().string(), joined);
      SyntaxCheck(directory->text, words->items);
    }
    return entries;
  }

  // clang checks the source with the entry's arguments (cl's through its
  // cl driver): it exits 0 only when it finds and reads the file.
  void SyntaxCheck(const std::string& directory, const std::vector<JsonValue>& words) const {
    if (kWindows || !clang_) return;
    const bool cl = words[0].text == "cl";
    std::string line = cl ? "clang --driver-mode=cl /Zs" : "clang -fsyntax-only";
    for (size_t i = 1; i < words.size(); ++i) line += " '" + words[i].text + "'";  // no quote among them
    const auto result = testing_support::RunInDirectory(line, fs::u8path(directory));
    EXPECT_EQ(result.exitCode, 0) << line << "\n" << result.err;
  }

  const bool clang_ = !kWindows && testing_support::RunInDirectory("clang --version", Directory()).exitCode == 0;
};

// The example project: the three compiles, not the archive or the link;
// no response file is written and nothing is built.
TEST_F(CompilationDatabase, ExampleProjectGivesItsThreeCompiles) {
  for (const char* name : {"Makefile", "main.c", "greet.c", "count.c", "greet.h"}) {
    CopyIn(fs::path(BRAMLE_SOURCE_DIR) / "examples" / name, name);
  }
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"main.c", "cc|-O2|-Wall|-c|main.c|-o|main.o"},
      {"greet.c", "cc|-O2|-Wall|-c|greet.c|-o|greet.o"},
      {"count.c", "cc|-O2|-Wall|-c|count.c|-o|count.o"},
  };
  EXPECT_EQ(Entries({"-G"}), expected);
  EXPECT_NE(Read("compile_commands.json").find("\"output\": \"main.o\""), std::string::npos);
  for (const char* made : {"main.o", "hello", "link.rsp", "members.rsp"}) EXPECT_FALSE(Exists(made)) << made;
  // Built, nothing is out of date; -A lists every command again.
  for (const char* made : {"main.o", "greet.o", "count.o", "libgreet.a", "hello"}) WriteFile(made);
  EXPECT_TRUE(Entries({"-G"}).empty());
  EXPECT_EQ(Entries({"-G", "-A", "hello"}).size(), 3u);
}

// A real NMAKE makefile (bzip2's) over stubbed sources: cl lines from its
// inference rule and from two commands of its own.
TEST_F(CompilationDatabase, CorpusMakefileWithStubbedSources) {
  const fs::path corpus = fs::path(BRAMLE_SOURCE_DIR) / ".." / "shared" / "corpus" / "nmake" / "bzip2-makefile.msc";
  if (!fs::exists(corpus)) GTEST_SKIP() << "the makefile corpus is not beside the project";
  CopyIn(corpus, "makefile.msc");
  const char* const objects[] = {"blocksort", "huffman", "crctable", "randtable", "compress", "decompress", "bzlib"};
  const std::string flags = "cl|-DWIN32|-DBZ_LCCWIN32|-MD|-Ox|-D_FILE_OFFSET_BITS=64|-nologo|";
  std::vector<std::pair<std::string, std::string>> expected;
  for (const char* object : objects) {
    WriteFile(std::string(object) + ".c", "");
    expected.emplace_back(std::string(object) + ".c", flags + "-c|" + object + ".c|/Fe" + object + ".obj");
  }
  WriteFile("libbz2.def");
  expected.emplace_back("bzip2.c", flags + "/Febzip2|bzip2.c|bz2-1.lib|setargv.obj|bzip2.res");
  expected.emplace_back("bzip2recover.c", flags + "/Febzip2recover|bzip2recover.c|bzip2recover.res");
  for (const char* source : {"bzip2.c", "bzip2recover.c"}) WriteFile(source, "");
  EXPECT_EQ(Entries({"-G", "-F", "makefile.msc"}), expected);
}

}  // namespace
}  // namespace app::test
