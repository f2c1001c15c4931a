#include "job/job_files.h"

#include <filesystem>
#include <system_error>

namespace quorbel {

void OutputFormatContextDeleter::operator()(AVFormatContext* context) const {
  if (context->oformat == nullptr || (context->oformat->flags & AVFMT_NOFILE) == 0) avio_closep(&context->pb);
  avformat_free_context(context);
}

void CloseOutputFile(OutputFile& file) {
  file.streams.clear();
  file.context.reset();
  file.muxerOptions.reset();
  // A file that never received a byte (no header written) is no use to anyone, and one cut off
  // by a failed run would pass for a whole conversion.
  std::error_code error;
  const std::filesystem::path path(file.fileName);
  if (!file.fileName.empty() && std::filesystem::is_regular_file(path, error) &&
      (file.incomplete || (std::filesystem::file_size(path, error) == 0 && !error))) {
    std::filesystem::remove(path, error);
  }
}

}  // namespace quorbel
