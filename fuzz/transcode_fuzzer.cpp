// A whole short conversion of arbitrary bytes through the component, as an application runs one:
// AddJob, SetJobOutput, StartJobs(1), wait for the end, ClearJobs. The run is bounded by the
// options t (2 s of output) and fs (1 MB). The input is laid out as input_layout.h says.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <string>

#include "fuzz_support.h"
#include "input_layout.h"
#include "quorbel/transcoder.h"

namespace {

struct Output {
  const char* fileName;
  const char* options;
};
// Stream copy into containers that take most codecs, and into the ones the application writes;
// and re-encoding (decode, scale, resample, encode) at a small picture size to keep runs short.
constexpr Output kOutputs[] = {
    {"enc.avi", "s=64x48\nar=22050\nac=1\nsn"},           {"enc.mpg", "s=64x48\nr=25\nar=44100\nsn"},
    {"out.mkv", "vcodec=copy\nacodec=copy\nscodec=copy"}, {"out.nut", "vcodec=copy\nacodec=copy\nsn"},
    {"out.avi", "vcodec=copy\nacodec=copy\nsn"},          {"out.ts", "vcodec=copy\nacodec=copy\nsn"},
    {"out.mp4", "vcodec=copy\nacodec=copy\nsn"},          {"out.flv", "vcodec=copy\nacodec=copy\nsn"},
    {"out.asf", "vcodec=copy\nacodec=copy\nsn"},          {"out.mka", "vn\nacodec=copy\nsn"},
};

static_assert(std::size(kOutputs) == quorbel::fuzz::kTranscodeOutputCount);

class BatchEnd {
 public:
  void Signal() {
    const std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ended_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ended_ = false;  // guarded by mutex_
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorbel::fuzz::SilenceLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return -1;
  const char* extension = quorbel::fuzz::InputExtension(data[0]);
  const Output& output = kOutputs[quorbel::fuzz::OutputChoice(data[0], std::size(kOutputs))];
  const std::string input =
      quorbel::fuzz::WriteScratchFile(std::string("input") + extension, data + 1, size - 1);

  {
    quorbel::TTranscoder transcoder;
    transcoder.SetLogLevel(quorbel::llQuiet);
    if (!transcoder.LoadLibraries(".", true)) __builtin_trap();
    quorbel::fuzz::SilenceLibraries();
    BatchEnd end;
    transcoder.OnTerminate = [&end](int32_t index, bool, bool, const std::string&) {
      if (index < 0) end.Signal();
    };

    const int32_t job = transcoder.AddJob(input, nullptr);
    if (job >= 0) {
      quorbel::TOutputOptions options;
      options.RecordingTime = 2000;
      options.ExtOptions = std::string(output.options) + "\nfs=1000000";
      if (transcoder.SetJobOutput(job, quorbel::fuzz::ScratchDir() + "/" + output.fileName, &options)) {
        transcoder.StartJobs(1);
        end.Wait();
      }
    }
    transcoder.ClearJobs();
  }
  quorbel::fuzz::ClearScratchDir();
  return 0;
}
