// Load: rounds of 200 queued jobs (copies and re-encodings) run two at a time, each round stopped at a random
// point. After ClearJobs the process holds what it held before: the same threads and file descriptors, and
// (within a tolerance) the same heap.
#include <gtest/gtest.h>
#include <malloc.h>

#include <filesystem>
#include <random>

#include "hardening_test_util.h"

namespace quorbel::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Fixture;

constexpr int kJobs = 200;
constexpr int kRounds = 3;
// Every job allocates at least two containers with a 32 KiB byte-stream buffer each, so a leak
// of anything a job owns costs at least 200 x 32 KiB = 6.4 MiB per round. 1 MiB leaves room for
// the allocator's own bookkeeping and the libraries' tables built on first use, and still
// catches a leak of 6 KiB per job.
constexpr size_t kHeapToleranceBytes = 1024 * 1024;

struct Holdings {
  size_t fileDescriptors;
  size_t threads;
  size_t heapBytes;  // in use, over all of the allocator's arenas
};

Holdings Now() {
  return {CountEntries("/proc/self/fd"), CountEntries("/proc/self/task"), mallinfo2().uordblks};
}

class LoadTest : public ComponentRun {
 protected:
  // Every other job copies, the others decode, resample and encode.
  static std::string OutputName(int job) {
    return "load" + std::to_string(job) + (job % 2 == 0 ? ".wav" : ".mp2");
  }

  // One round: kJobs jobs, StartJobs(2), StopJobs once `stopAfter` jobs have ended.
  void Round(int stopAfter) {
    for (int n = 0; n < kJobs; ++n) {
      if (n % 2 == 0) {
        AddCopyJob(fixtures::Path(Fixture::kWavPcm), folder_.Path(OutputName(n)), "t=0.2");
      } else {
        AddConversion(fixtures::Path(Fixture::kWavPcm), folder_.Path(OutputName(n)), "t=0.2\nar=22050");
      }
    }
    EventRecorder events;
    events.Attach(component_);
    Steps ended;
    int endCount = 0;  // touched only in OnTerminate, under the component's critical section
    events.OnEachTerminate([&](int32_t index) {
      if (index >= 0) ended.Reach(++endCount);
    });
    component_.StartJobs(2);
    ended.Await(stopAfter);
    component_.StopJobs();
    events.AwaitBatchEnd();

    // Each job ended once, ran to its end or stopped, and the batch end came last.
    const std::vector<TerminateEvent> ends = events.Terminates();
    ASSERT_EQ(ends.size(), static_cast<size_t>(kJobs + 1));
    EXPECT_EQ(ends.back().index, -1);
    std::vector<int> count(kJobs, 0);
    for (size_t n = 0; n + 1 < ends.size(); ++n) {
      ASSERT_GE(ends[n].index, 0);
      ++count[static_cast<size_t>(ends[n].index)];
      EXPECT_FALSE(ends[n].exception) << ends[n].message;
    }
    EXPECT_EQ(count, std::vector<int>(kJobs, 1));
    component_.ClearJobs();
    component_.OnTerminate = nullptr;
    component_.OnLog = nullptr;
    for (int n = 0; n < kJobs; ++n) fs::remove(folder_.Path(OutputName(n)));
  }
};

TEST_F(LoadTest, RoundsOfTwoHundredJobsWithRandomStopsLeaveNoThreadFileOrMemoryBehind) {
  std::mt19937 random(2008);
  // The first round builds what the libraries and the allocator keep for the process's life.
  Round(kJobs / 2);
  const Holdings before = Now();
  for (int round = 0; round < kRounds; ++round) Round(1 + static_cast<int>(random() % (kJobs - 1)));
  const Holdings after = Now();

  EXPECT_EQ(after.fileDescriptors, before.fileDescriptors);
  EXPECT_EQ(after.threads, before.threads);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizers replace the allocator, which mallinfo2 does not see; LeakSanitizer checks
  // the heap at exit instead.
#else
  EXPECT_LE(after.heapBytes, before.heapBytes + kHeapToleranceBytes)
      << "heap in use grew from " << before.heapBytes << " to " << after.heapBytes << " bytes";
#endif
  std::printf(
      "holdings before / after %d rounds of %d jobs: fds %zu / %zu, threads %zu / %zu, heap %zu / %zu\n",
      kRounds, kJobs, before.fileDescriptors, after.fileDescriptors, before.threads, after.threads,
      before.heapBytes, after.heapBytes);
}

}  // namespace
}  // namespace quorbel::testing
