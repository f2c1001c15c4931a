// Jobs are configured on several threads at once: the process-wide plug-in table and the codec
// lock must hold up.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "job/plugin_hooks.h"
#include "quorbel/fixtures.h"
#include "setup/file_setup.h"

namespace quorbel {
namespace {

TEST(Concurrency, ThreadsAddTheSamePluginModule) {
  constexpr int kThreads = 4;
  constexpr int kAdds = 50;
  std::vector<TPluginHookList> lists(kThreads);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kAdds; ++i)
        failures[t] += AddPluginHook(lists[t], {QUORBEL_TEST_HOOK_PROCESS_ONLY}) != 0;
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0);
    EXPECT_EQ(lists[t].size(), static_cast<size_t>(kAdds));
    ReleasePluginHooks(lists[t]);
  }
  const auto names = LoadedHookLibraryNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), QUORBEL_TEST_HOOK_PROCESS_ONLY), 1);
}

TEST(Concurrency, JobsOpenInputsAtTheSameTime) {
  const char* const files[] = {"mpeg4_mp3.avi", "h263_amrnb.3gp", "glass_wmv1_wmav2.wmv", "mjpeg_pcmu8.mov"};
  constexpr int kRounds = 3;
  std::vector<int> opened(std::size(files), 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < std::size(files); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        TCustomFFmpeg job;
        opened[t] += OpenInput(job, fixtures::SamplePath(files[t])) ? 1 : 0;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < std::size(files); ++t) EXPECT_EQ(opened[t], kRounds) << files[t];
}

}  // namespace
}  // namespace quorbel
