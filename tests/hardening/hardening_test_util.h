// What the fault and load tests share: a component on the real pipeline with its events
// recorded, copy jobs on the generated fixtures, and counts of what the process holds.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "component_test_util.h"
#include "read_back.h"

namespace quorbel::testing {

// Entries of a /proc/self folder: open file descriptors ("fd") or threads ("task").
inline size_t CountEntries(const char* folder) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

class ComponentRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(component_.LoadLibraries("", true)) << component_.LastError();
    // The codecs' own threads synchronise inside the uninstrumented libraries, where
    // ThreadSanitizer cannot see it: one thread per codec keeps its reports to this code.
    component_.SetCodecThreads(1);
    events_.Attach(component_);
  }

  // A job converting `input` into `output` with the option text `options`; its index.
  int32_t AddConversion(const std::string& input, const std::string& output, const std::string& options) {
    const int32_t index = component_.AddJob(input, nullptr);
    EXPECT_GE(index, 0) << component_.LastError();
    if (index < 0) return index;
    TOutputOptions outputOptions;
    outputOptions.ExtOptions = options;
    EXPECT_TRUE(component_.SetJobOutput(index, output, &outputOptions)) << component_.LastError();
    return index;
  }

  // A job copying every stream of `input` into `output`, with `more` options; its index.
  int32_t AddCopyJob(const std::string& input, const std::string& output, const std::string& more = "") {
    return AddConversion(input, output, "vcodec=copy\nacodec=copy\n" + more);
  }

  // The job's end event; fails the test when there is not exactly one.
  TerminateEvent EndOf(int32_t index) {
    TerminateEvent found{-2, false, false, "", {}};
    int count = 0;
    for (const TerminateEvent& event : events_.Terminates()) {
      if (event.index == index) {
        found = event;
        ++count;
      }
    }
    EXPECT_EQ(count, 1) << "end events of job " << index;
    return found;
  }

  ScratchFolder folder_;
  EventRecorder events_;
  InspectableTranscoder component_;
};

}  // namespace quorbel::testing
