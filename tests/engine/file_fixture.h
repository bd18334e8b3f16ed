// A scratch directory that is the current directory for one test, with
// files whose modification times are set explicitly.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/bramle_process.h"

namespace engine::test {

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  // Creates (or rewrites) `name`, written Windows-style, with a modification
  // time `age` seconds before a fixed reference time.
  void MakeFile(const std::string& name, int age) const {
    const std::filesystem::path path = scratch_.path() / testing_support::NativePath(name);
    std::filesystem::create_directories(path.parent_path());
    scratch_.Write(testing_support::NativePath(name), "x");
    SetAge(name, age);
  }

  void SetAge(const std::string& name, int age) const {
    const std::filesystem::path path = scratch_.path() / testing_support::NativePath(name);
    std::filesystem::last_write_time(path, reference_ - std::chrono::seconds(age));
  }

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
  // Whole seconds, well in the past, so that ages compare exactly.
  const std::filesystem::file_time_type reference_ =
      std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now()) - std::chrono::hours(1);
};

}  // namespace engine::test
