// Runs the examples of docs/guide.md and compares what bramle prints with
// the text the guide shows, so that the guide cannot drift from the program.
//
// The markup, HTML comments that a rendered guide does not show:
//   <!-- example [linux|windows|both] [files: NAME ...] -->
//     binds the next ```make block (written as "Makefile" in a fresh folder,
//     beside the empty files NAME ..., '/' or '\' separating folders) and the next
//     ```console block. In that block a line "$ bramle ARGUMENTS" runs
//     bramle (the arguments split at blanks); the lines up to the next "$ "
//     line are what it prints: standard output, then standard error. An
//     example runs on the build it names (default: linux).
//   <!-- fragment: REASON -->
//     marks the next ```make or ```console block as a piece that does not
//     run on its own.
// Every ```make and ```console block carries one of the two, or the test
// fails. In the output shown, the folder reads /home/me/proj (C:\proj on
// Windows), the temporary folder /tmp, and a temporary file's number <hex>;
// a last line without a line end is shown as a line.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/path.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace {

using testing_support::Narrow;
using testing_support::ScratchDirectory;
using testing_support::Words;

constexpr bool kWindows = platform::kPathSeparator == '\\';

struct BramleRun {
  std::vector<std::string> arguments;
  std::string expected;
};

struct Example {
  int line = 0;  // where its markup stands in the guide
  std::string platforms;
  std::vector<std::string> files;
  std::string makefile;
  std::vector<BramleRun> runs;
};

struct Guide {
  std::vector<Example> examples;
  std::vector<std::string> faults;  // markup the test cannot follow
};

// The example's settings from the words of its comment: "<!--" "example"
// [PLATFORMS] ["files:" NAME ...] "-->".
Example ParseExampleComment(const std::vector<std::string>& words, int line) {
  Example example{line, "linux"};
  const auto files = std::find(words.begin() + 2, words.end() - 1, "files:");
  if (files - words.begin() > 2) example.platforms = words[2];
  if (files != words.end() - 1) example.files.assign(files + 1, words.end() - 1);
  return example;
}

std::vector<BramleRun> ParseConsole(const std::vector<std::string>& lines) {
  std::vector<BramleRun> runs;
  for (const std::string& line : lines) {
    if (line.rfind("$ ", 0) == 0) {
      std::vector<std::string> words = Words(line.substr(2));
      words.erase(words.begin());  // "bramle"
      runs.push_back({words, ""});
    } else if (!runs.empty()) {
      runs.back().expected += line + "\n";
    }
  }
  return runs;
}

Guide ReadGuide(const std::string& text) {
  Guide guide;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  enum class Pending { kNone, kExample, kFragment } pending = Pending::kNone;
  Example example;
  bool wantsConsole = false;
  while (std::getline(in, line)) {
    ++number;
    if (line.rfind("<!-- example", 0) == 0) {
      if (wantsConsole) guide.faults.push_back("line " + std::to_string(example.line) + ": no console block");
      example = ParseExampleComment(Words(line), number);
      pending = Pending::kExample;
      continue;
    }
    if (line.rfind("<!-- fragment:", 0) == 0) {
      pending = Pending::kFragment;
      continue;
    }
    if (line.rfind("```", 0) != 0 || line.size() == 3) continue;
    const std::string language = line.substr(3);
    std::vector<std::string> block;
    while (std::getline(in, line) && line != "```") {
      ++number;
      block.push_back(line);
    }
    ++number;
    if (language != "make" && language != "console") continue;
    if (pending == Pending::kFragment) {
      pending = Pending::kNone;
    } else if (language == "make" && pending == Pending::kExample && !wantsConsole) {
      for (const std::string& text : block) example.makefile += text + "\n";
      wantsConsole = true;
    } else if (language == "console" && wantsConsole) {
      example.runs = ParseConsole(block);
      if (example.runs.empty()) guide.faults.push_back("line " + std::to_string(number) + ": no bramle run");
      guide.examples.push_back(example);
      wantsConsole = false;
      pending = Pending::kNone;
    } else {
      guide.faults.push_back("line " + std::to_string(number - block.size() - 1) + ": a " + language +
                             " block without markup");
    }
  }
  if (wantsConsole) guide.faults.push_back("line " + std::to_string(example.line) + ": no console block");
  return guide;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
}

// What bramle printed, with the run's own folders as the guide shows them.
std::string AsShown(std::string text, const ScratchDirectory& folder) {
  const std::string temporary = platform::GetEnvironmentVariableText("TMPDIR").value_or("/tmp");
  const std::string scratch = folder.path().string();
  for (const auto& [path, shown] : {std::pair{scratch, std::string(kWindows ? "C:\\proj" : "/home/me/proj")},
                                    std::pair{temporary, std::string(kWindows ? "C:\\temp" : "/tmp")}}) {
    ReplaceAll(text, kWindows ? testing_support::WinePath(path) : path, shown);
  }
  return std::regex_replace(text, std::regex("min[0-9a-fA-F]+\\.inl"), "min<hex>.inl");
}

TEST(Guide, EveryExampleShowsWhatBramlePrints) {
  const std::string text = testing_support::ReadWholeFile(BRAMLE_SOURCE_DIR "/docs/guide.md");
  ASSERT_FALSE(text.empty());
  const Guide guide = ReadGuide(text);
  for (const std::string& fault : guide.faults) ADD_FAILURE() << "docs/guide.md " << fault;
  const std::string here = kWindows ? "windows" : "linux";
  int ran = 0;
  std::vector<int> elsewhere;
  for (const Example& example : guide.examples) {
    SCOPED_TRACE("docs/guide.md line " + std::to_string(example.line));
    EXPECT_TRUE(example.platforms == "linux" || example.platforms == "windows" || example.platforms == "both")
        << example.platforms;
    if (example.platforms != here && example.platforms != "both") {
      elsewhere.push_back(example.line);
      continue;
    }
    ++ran;
    ScratchDirectory folder;
    folder.Write("Makefile", Narrow(example.makefile));
    for (std::string file : example.files) {
      std::replace(file.begin(), file.end(), '/', '\\');
      folder.Write(file, "");
    }
    for (const BramleRun& run : example.runs) {
      const auto result = testing_support::RunBramle(run.arguments, folder.path());
      std::string shown = AsShown(result.out + result.err, folder);
      if (!shown.empty() && shown.back() != '\n') shown += '\n';
      EXPECT_EQ(shown, Narrow(run.expected))
          << "bramle " << testing::PrintToString(run.arguments);
    }
  }
  EXPECT_GT(ran, 0);
  // Said, not skipped silently: the examples of the other build.
  std::string lines;
  for (int line : elsewhere) lines += " " + std::to_string(line);
  if (!elsewhere.empty()) std::cout << "examples for the other build, not run here, at lines" << lines << "\n";
}

}  // namespace
