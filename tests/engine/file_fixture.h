// A scratch directory that is the current directory for one test, with
// files whose modification times are set explicitly.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/bramle_process.h"
#include "support/timed_files.h"

namespace engine::test {

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  // Creates (or rewrites) `name`, written Windows-style, `age` seconds old.
  void MakeFile(const std::string& name, int age) const { testing_support::WriteAged(scratch_, name, age, "x"); }

  std::filesystem::file_time_type ModifiedTime(const std::string& name) const {
    return std::filesystem::last_write_time(scratch_.path() / testing_support::NativePath(name));
  }

  bool Exists(const std::string& name) const {
    return std::filesystem::exists(scratch_.path() / testing_support::NativePath(name));
  }

  const testing_support::ScratchDirectory& Scratch() const { return scratch_; }

 private:
  testing_support::ScratchDirectory scratch_;
  std::filesystem::path previous_;
};

}  // namespace engine::test
