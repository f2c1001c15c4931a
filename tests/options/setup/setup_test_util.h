// Real-world samples and a scratch folder for the file setup tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "quorbel/fixtures.h"

namespace quorbel::testing {

inline std::string Sample(const std::string& name) {
  return fixtures::SamplePath(name);
}

// A fresh folder per test, removed afterwards.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorbel-setup-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  std::filesystem::path folder_;
};

}  // namespace quorbel::testing
