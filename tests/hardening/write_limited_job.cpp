// quorbel-write-limited-job INPUT OUTPUT LIMIT_BYTES [OPTIONS]: converts INPUT into OUTPUT with the
// option text OPTIONS (lines; default: copy every stream) under a file size limit of LIMIT_BYTES,
// as a disk that fills part-way, and prints the job's outcome:
//   finished F exception E
//   MESSAGE
//   log: each line that says an output was removed
//   output exists: 0|1
// The limit binds every file this process writes, so it is a process of its own.
#include <signal.h>
#include <sys/resource.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "quorbel/transcoder.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s INPUT OUTPUT LIMIT_BYTES [OPTIONS]\n", argv[0]);
    return 2;
  }
  // A write past the limit then fails with EFBIG instead of killing the process.
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{std::strtoul(argv[3], nullptr, 10), std::strtoul(argv[3], nullptr, 10)};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;

  std::mutex mutex;
  std::condition_variable ended;
  bool batchEnded = false;            // guarded by mutex
  std::string outcome;                // guarded by mutex
  std::vector<std::string> removals;  // guarded by mutex
  {
    quorbel::TTranscoder transcoder;
    if (!transcoder.LoadLibraries("", true)) return 4;
    transcoder.SetCodecThreads(1);  // as in the tests that start this process (ThreadSanitizer)
    transcoder.OnLog = [&](int32_t, quorbel::TLogLevel, const std::string& text) {
      const std::lock_guard lock(mutex);
      if (text.rfind("Removing", 0) == 0) removals.push_back(text);
    };
    transcoder.OnTerminate = [&](int32_t index, bool finished, bool exception, const std::string& message) {
      const std::lock_guard lock(mutex);
      if (index >= 0) {
        outcome = "finished " + std::to_string(finished) + " exception " + std::to_string(exception) + "\n" +
                  message;
      } else {
        batchEnded = true;
        ended.notify_all();
      }
    };
    const int32_t index = transcoder.AddJob(argv[1], nullptr);
    quorbel::TOutputOptions options;
    options.ExtOptions = argc == 5 ? argv[4] : "vcodec=copy\nacodec=copy";
    if (index < 0 || !transcoder.SetJobOutput(index, argv[2], &options)) {
      std::printf("setup failed: %s\n", transcoder.LastError().c_str());
      return 5;
    }
    transcoder.StartJobs(1);
    std::unique_lock lock(mutex);
    ended.wait(lock, [&] { return batchEnded; });
  }
  std::printf("%s\n", outcome.c_str());
  for (const std::string& line : removals) std::printf("log: %s\n", line.c_str());
  std::printf("output exists: %d\n", std::filesystem::exists(argv[2]) ? 1 : 0);
  return 0;
}
