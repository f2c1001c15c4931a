// Option text on a job, as AddJob and SetJobOutput apply it: the text before the first NUL byte
// configures the input, which is then opened; the rest configures the output, which is then
// created (its file stays empty and is removed with the job).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "job/custom_ffmpeg.h"
#include "options/option_parser.h"
#include "quorbel/fixtures.h"
#include "quorbel/library_binding.h"
#include "setup/file_setup.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

std::string& InputPath() {
  static std::string path;
  return path;
}

// Options that load code or name other files are not the parser's business: a fuzzer that
// writes "vhook=libc.so.6" would load a library into the process.
bool LoadsCode(std::string_view text) {
  return text.find("vhook") != std::string_view::npos;
}

void Apply(quorbel::TCustomFFmpeg& job, const std::string& text) {
  try {
    quorbel::ParseOptionText(job, text);
  } catch (const std::exception&) {
    // Rejected options are the expected outcome for most inputs.
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorbel::fuzz::SilenceLibraries();
  quorbel::binding::LoadLibraries(true);
  // One small file with video and audio, made once, for every input to open.
  const std::string dir = quorbel::fuzz::ScratchDir() + "/media";
  std::filesystem::create_directories(dir);
  quorbel::fixtures::Generate(quorbel::fixtures::Fixture::kAviMpeg4Mp3, dir);
  InputPath() = dir + "/" + quorbel::fixtures::Info(quorbel::fixtures::Fixture::kAviMpeg4Mp3).fileName;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (LoadsCode(bytes)) return -1;
  const size_t split = bytes.find('\0');
  const std::string inputText(bytes.substr(0, split));
  const std::string outputText(split == std::string_view::npos ? std::string_view()
                                                               : bytes.substr(split + 1));

  const int libraryLevel = av_log_get_level();
  {
    quorbel::TCustomFFmpeg job;
    Apply(job, inputText);
    if (quorbel::OpenInput(job, InputPath())) {
      Apply(job, outputText);
      try {
        quorbel::CreateOutput(job, quorbel::fuzz::ScratchDir() + "/out.mkv");
        (void)quorbel::CheckInputs(job);
      } catch (const std::exception&) {
        // A setup step may refuse what the options asked for.
      }
    }
    job.ReleaseOptionState();
  }
  // "v" and "debug" change the libraries' level for the whole process.
  av_log_set_level(libraryLevel);
  return 0;
}
