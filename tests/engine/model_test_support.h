// Helpers that fill a model the way dependency lines do, and a scratch
// directory that is the current directory for one test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/rule_lines.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"
#include "support/timed_files.h"

namespace engine::test {

inline std::string Numbered(const char* prefix, int number) { return prefix + std::to_string(number); }

inline std::unique_ptr<CommandList> Commands(const std::vector<std::string>& texts) {
  auto list = std::make_unique<CommandList>();
  for (const std::string& text : texts) {
    CommandLine line;
    line.SetCommandLine(text, "", "", InlineKind::None);
    list->Append(line);
  }
  return list;
}

// One dependency line; names are written Windows-style.
inline void Line(TargetModel& model, const std::string& target, const std::string& dependents,
                 const std::vector<std::string>& commands = {}) {
  model.AddDependencyBlock({testing_support::NativePath(target), testing_support::NativePath(dependents),
                            Commands(commands)});
}

// Dependency lines written "target: dependents = command".
inline void Lines(TargetModel& model, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const size_t colon = line.find(':');
    const size_t equals = line.find(" = ");
    // Blanks around the dependents are read past like any others.
    const size_t length = equals == std::string::npos ? equals : equals - colon - 1;
    Line(model, line.substr(0, colon), line.substr(colon + 1, length),
         equals == std::string::npos ? std::vector<std::string>{} : std::vector<std::string>{line.substr(equals + 3)});
  }
}

using testing_support::Join;

inline std::vector<std::string> Names(const std::vector<TargetNode*>& nodes) {
  std::vector<std::string> names;
  for (const TargetNode* node : nodes) names.push_back(node->name);
  return names;
}

// "roots: R1 R2 | N1(dependents){commands} | N2 ..." over the nodes in
// pre-order; a node without a command list shows no braces.
inline std::string Describe(const TargetModel& model) {
  std::string text = "roots: " + Join(Names(model.Roots()), " ");
  for (const TargetNode* node : model.NodesInPreOrder()) {
    text += " | " + node->name;
    if (!node->dependents.empty()) text += "(" + Join(Names(node->dependents.ToVector()), " ") + ")";
    if (node->commands) {
      std::vector<std::string> texts;
      for (const CommandLine& line : node->commands->Lines()) texts.push_back(line.text);
      text += "{" + Join(texts, ";") + "}";
    }
  }
  return text;
}

inline RuleTable DefaultRules() {
  RuleTable rules;
  makefile::AddDefaultSuffixes(rules);
  return rules;
}

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  // Creates (or rewrites) `name`, written Windows-style, `age` seconds old.
  void MakeFile(const std::string& name, int age) const { testing_support::WriteAged(scratch_, name, age, "x"); }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(scratch_.path() / testing_support::NativePath(name));
  }
  const testing_support::ScratchDirectory& Scratch() const { return scratch_; }

 private:
  testing_support::ScratchDirectory scratch_;
  std::filesystem::path previous_;
};

}  // namespace engine::test
