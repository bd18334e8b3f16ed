// Times loading a generated makefile of many targets into the model.
// Usage: reader_bench [targets] [directory]
//   Writes <directory>/big.mak (one text that GNU make reads as well) and
//   prints the load time of each of five rounds and their median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/load_makefile.h"

namespace {

// Macros, a suffix rule, an "all" line continued over many lines, and one
// target per object with its own command, the shape of a large project.
std::string GenerateMakefile(int targets) {
  std::string text;
  text += "CC = cl\nCFLAGS = /nologo /O2 /W3\nINCLUDES = /Iinclude /Ithird_party\n";
  text += ".SUFFIXES: .c .obj\n.c.obj:\n\t$(CC) /c $(CFLAGS) $(INCLUDES) $<\n\n";
  text += "all:";
  for (int i = 0; i < targets; ++i) {
    text += " obj" + std::to_string(i) + ".obj";
    if (i % 16 == 15) text += " \\\n ";
  }
  text += "\n\n";
  for (int i = 0; i < targets; ++i) {
    const std::string n = std::to_string(i);
    text += "obj" + n + ".obj: src" + n + ".c common.h # object " + n + "\n";
    text += "\t$(CC) /c $(CFLAGS) $(INCLUDES) /Foobj" + n + ".obj src" + n + ".c\n";
  }
  return text;
}

// One logical line of many references, continued over many physical lines:
// the case where per-line work that is not linear would show at once.
std::string GenerateLongLines(int references) {
  std::string text = "O = obj\nALL =";
  for (int i = 0; i < references; ++i) {
    text += " $(O)";
    if (i % 8 == 7) text += " \\\n";
  }
  text += "\nall: $(ALL)\n";
  return text;
}

double LoadSeconds(const std::string& path) {
  engine::TargetModel targets;
  engine::RuleTable rules;
  makefile::MacroTable macros;
  const auto start = std::chrono::steady_clock::now();
  const bool loaded = makefile::LoadMakefile(targets, rules, macros, path, false);
  const auto end = std::chrono::steady_clock::now();
  if (!loaded) std::exit(1);
  return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int targets = argc > 1 ? std::atoi(argv[1]) : 50000;
  // Loading changes the working directory: every path is made absolute first.
  const std::filesystem::path directory =
      std::filesystem::absolute(argc > 2 ? argv[2] : std::filesystem::temp_directory_path());
  std::filesystem::create_directories(directory);
  const std::filesystem::path file = directory / "big.mak";
  const std::string text = GenerateMakefile(targets);
  std::ofstream(file, std::ios::binary) << text;

  std::printf("makefile: %s, %d targets, %zu bytes\n", file.string().c_str(), targets, text.size());
  std::vector<double> rounds;
  for (int round = 0; round < 5; ++round) {
    rounds.push_back(LoadSeconds(file.string()));
    std::printf("load round %d: %.3f s\n", round + 1, rounds.back());
  }
  std::sort(rounds.begin(), rounds.end());
  std::printf("load median: %.3f s\n", rounds[rounds.size() / 2]);

  const int references = targets * 4;
  const std::filesystem::path longFile = directory / "long.mak";
  const std::string longText = GenerateLongLines(references);
  std::ofstream(longFile, std::ios::binary) << longText;
  std::printf("long line: %d references over %d lines, %zu bytes: %.3f s\n", references, references / 8,
              longText.size(), LoadSeconds(longFile.string()));
  return 0;
}
