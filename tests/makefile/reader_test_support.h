// A makefile reader over files in a scratch directory, with its hooks
// recorded instead of printed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/model_test_support.h"
#include "makefile/makefile_reader.h"
#include "makefile/rule_lines.h"
#include "support/bramle_process.h"

namespace reader_test {

using engine::test::Join;
using engine::test::Names;

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

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() : previousDirectory_(std::filesystem::current_path()) {}
  // Reading changes the working directory.
  ~ReaderTest() override { std::filesystem::current_path(previousDirectory_); }

  void Write(const std::string& name, const std::string& content) { dir.Write(name, content); }

  // Reads `name` with a fresh reader into a fresh model; the fixture's
  // macros stand for the command line.
  bool Read(const std::string& name = "Makefile") {
    model_ = std::make_unique<engine::TargetModel>();
    ruleTable_ = std::make_unique<engine::RuleTable>();
    table = macros;
    makefile::AddDefaultSuffixes(*ruleTable_);
    reader_ = std::make_unique<RecordingReader>(model_.get(), ruleTable_.get(), &table);
    reader_->failUndefined = failUndefined;
    reader_->ReadAsNmake(readAsNmake);
    return reader_->ReadMakefile((dir.path() / name).string());
  }

  const diag::ReaderError& Error() const { return reader_->error(); }

  // Reads `text` as the makefile and describes the result in the form of
  // `expected`: items separated by '|', each "error" (the reader error as
  // "error CODE[.SUB] line N[: ARGUMENT]") or "KEY=value" with KEY a macro
  // name, ">T" (the commands of T), ":T" (its dependents), "roots",
  // "messages", "undefined", "suffixes", "rules", "file" or "text" (of the
  // error).
  std::string Outcome(const std::string& text, const std::string& expected) {
    Write("Makefile", text);
    const bool read = Read();
    const diag::ReaderError& error = reader_->error();
    std::string errorText = "error " + std::to_string(error.code) +
                            (error.subCode ? "." + std::to_string(error.subCode) : "") + " line " +
                            std::to_string(error.lineNumber) + (error.argument.empty() ? "" : ": " + error.argument);
    std::string actual = read || expected.rfind("error", 0) == 0 ? "" : errorText + "|";
    for (size_t start = 0, end = 0; start <= expected.size(); start = end + 1) {
      end = std::min(expected.find('|', start), expected.size());
      const std::string item = expected.substr(start, end - start);
      const std::string key = item.substr(0, item.find('='));
      const engine::TargetNode* node = key.size() > 1 ? model_->FindTarget(key.substr(1)) : nullptr;
      if (item.rfind("error ", 0) == 0) {
        actual += read ? "no error" : errorText;
      } else if (key == "roots" || key == "messages" || key == "undefined") {
        actual += key + "=" + (key == "roots"      ? Join(Names(model_->Roots()), " ")
                               : key == "messages" ? Join(reader_->messages, ";")
                                                   : Join(reader_->undefined, ";"));
      } else if (key == "file" || key == "text") {
        actual += key + "=" + (key == "file" ? error.fileName : error.lineText);
      } else if (key == "suffixes" || key == "rules") {
        actual += key + "=" + (key == "suffixes" ? DescribeSuffixes(*ruleTable_) : DescribeRules(*ruleTable_));
      } else if (key[0] == ':' || key[0] == '>') {
        actual += key + "=" + (!node            ? "<none>"
                               : key[0] == ':' ? Join(Names(node->dependents.ToVector()), " ")
                                               : DescribeCommands(node->commands.get()));
      } else {
        actual += key + "=" + table.LookupMacro(key).value_or("<undefined>");
      }
      if (end < expected.size()) actual += "|";
    }
    return actual;
  }

  void ExpectReads(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [text, expected] : cases) EXPECT_EQ(Outcome(text, expected), expected) << text;
  }

  // Each line as "@-text" (its flags) and, with an inline file,
  // " <<T[name]{content}" (T temporary, N named).
  static std::string DescribeCommands(const engine::CommandList* commands) {
    std::vector<std::string> lines;
    if (commands) {
      for (const engine::CommandLine& line : commands->Lines()) {
        std::string text = std::string(line.Silent() ? "@" : "") + (line.IgnoreError() ? "-" : "") + line.text;
        if (line.inlineKind != engine::InlineKind::None) {
          text += std::string(" <<") + (line.inlineKind == engine::InlineKind::Named ? "N[" : "T[") +
                  line.inlineFileName + "]{" + line.inlineContent + "}";
        }
        lines.push_back(text);
      }
    }
    return Join(lines, ";");
  }
  // Each suffix as "text/order".
  static std::string DescribeSuffixes(const engine::RuleTable& rules) {
    std::vector<std::string> texts;
    for (const auto& entry : rules.Suffixes()) texts.push_back(entry->text + "/" + std::to_string(entry->order));
    return Join(texts, " ");
  }
  // Each rule as "KEY {from dir}from -> {to dir}to: commands".
  static std::string DescribeRules(const engine::RuleTable& rules) {
    std::vector<std::string> texts;
    for (const auto& [key, list] : rules.Rules()) {
      for (const auto& rule : list) {
        texts.push_back(key + " {" + rule->fromDirectory + "}" + rule->from->text + " -> {" + rule->toDirectory + "}" +
                        rule->toSuffix + ": " + DescribeCommands(rule->commands.get()));
      }
    }
    return Join(texts, " + ");
  }

  testing_support::ScratchDirectory dir;
  makefile::MacroTable macros;  // the command line's
  makefile::MacroTable table;   // as the last read left them
  bool failUndefined = false;
  bool readAsNmake = false;  // -M

 private:
  std::unique_ptr<engine::TargetModel> model_;
  std::unique_ptr<engine::RuleTable> ruleTable_;
  std::unique_ptr<RecordingReader> reader_;
  std::filesystem::path previousDirectory_;
};

}  // namespace reader_test
