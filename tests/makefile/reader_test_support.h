// A makefile reader over files in a scratch directory, with its hooks
// recorded instead of printed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/makefile_reader.h"
#include "makefile/rule_lines.h"
#include "support/bramle_process.h"

namespace reader_test {

class RecordingReader : public makefile::MakefileReader {
 public:
  using MakefileReader::MakefileReader;

  int OnMessage(const std::string& text) override {
    messages.push_back(text);
    return 0;
  }
  int OnUndefinedMacro(const std::string& name, std::string& value) override {
    undefined.push_back(name);
    value.clear();
    return failUndefined ? 1 : 0;
  }

  std::vector<std::string> messages;
  std::vector<std::string> undefined;
  bool failUndefined = false;
};

using Lines = std::vector<std::string>;

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() : previousDirectory_(std::filesystem::current_path()) {}
  // Reading changes the working directory.
  ~ReaderTest() override { std::filesystem::current_path(previousDirectory_); }

  void Write(const std::string& name, const std::string& content) { dir.Write(name, content); }

  bool Read(const std::string& content) {
    Write("Makefile", content);
    return ReadFile("Makefile");
  }

  // Each call reads with a fresh reader into the same model and macros.
  bool ReadFile(const std::string& name) {
    makefile::AddDefaultSuffixes(rules);
    reader_ = std::make_unique<RecordingReader>(&targets, &rules, &macros);
    reader_->failUndefined = failUndefined;
    return reader_->ReadMakefile((dir.path() / name).string());
  }

  const diag::ReaderError& Error() const { return reader_->error(); }
  const Lines& Messages() const { return reader_->messages; }
  const Lines& UndefinedNames() const { return reader_->undefined; }

  std::string Macro(const std::string& name) const {
    return macros.LookupMacro(name).value_or("<undefined>");
  }

  std::vector<std::string> Commands(const std::string& target) const {
    std::vector<std::string> texts;
    const engine::TargetNode* node = targets.FindTarget(target);
    if (!node || !node->commands) return texts;
    for (const engine::CommandLine& line : node->commands->Lines()) texts.push_back(line.text);
    return texts;
  }

  const engine::CommandLine* Command(const std::string& target, size_t index) const {
    const engine::TargetNode* node = targets.FindTarget(target);
    if (!node || !node->commands || index >= node->commands->Count()) return nullptr;
    return &node->commands->Line(index);
  }

  std::vector<std::string> Dependents(const std::string& target) const {
    std::vector<std::string> names;
    if (const engine::TargetNode* node = targets.FindTarget(target)) {
      for (const engine::TargetNode* dependent : node->dependents) names.push_back(dependent->name);
    }
    return names;
  }

  std::vector<std::string> RootNames() const {
    std::vector<std::string> names;
    for (const engine::TargetNode* root : targets.Roots()) names.push_back(root->name);
    return names;
  }

  testing_support::ScratchDirectory dir;
  engine::TargetModel targets;
  engine::RuleTable rules;
  makefile::MacroTable macros;
  bool failUndefined = false;

 private:
  std::unique_ptr<RecordingReader> reader_;
  std::filesystem::path previousDirectory_;
};

}  // namespace reader_test
