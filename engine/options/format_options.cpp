#include "base/text.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

// The old image-sequence name is read as "image2".
std::string ResolveFormatName(TCustomFFmpeg& job, const std::string& name) {
  if (name != "pgmyuv") return name;
  job.settings.imageSequenceCompat = true;
  job.Log(1, "pgmyuv format is deprecated, use image2");
  return "image2";
}

}  // namespace

void SetInputFormat(TCustomFFmpeg& job, const std::string& name) {
  if (name.empty()) return;
  const std::string resolved = ResolveFormatName(job, name);
  job.settings.forcedInputFormat = av_find_input_format(resolved.c_str());
  if (job.settings.forcedInputFormat == nullptr) {
    throw FFMpegException(StrPrintf("Unknown input format: %s", resolved.c_str()));
  }
}

void SetOutputFormat(TCustomFFmpeg& job, const std::string& name) {
  if (name.empty()) return;
  const std::string resolved = ResolveFormatName(job, name);
  job.settings.forcedOutputFormat = av_guess_format(resolved.c_str(), nullptr, nullptr);
  if (job.settings.forcedOutputFormat == nullptr) {
    throw FFMpegException(StrPrintf("Unknown output format: %s", resolved.c_str()));
  }
}

void SetInputOutputFormat(TCustomFFmpeg& job, const std::string& name) {
  if (name.empty()) return;
  const std::string resolved = ResolveFormatName(job, name);
  job.settings.forcedInputFormat = av_find_input_format(resolved.c_str());
  job.settings.forcedOutputFormat = av_guess_format(resolved.c_str(), nullptr, nullptr);
  if (job.settings.forcedInputFormat == nullptr && job.settings.forcedOutputFormat == nullptr) {
    throw FFMpegException(StrPrintf("Unknown input or output format: %s", resolved.c_str()));
  }
}

}  // namespace quorbel
