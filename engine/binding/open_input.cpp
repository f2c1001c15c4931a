#include "binding/open_input.h"

namespace quorbel {

namespace {

// Whether some demuxer claims the file, by its name or by its first bytes, as opening does.
bool SomeDemuxerClaims(const std::string& fileName) {
  AVProbeData byName{};
  byName.filename = fileName.c_str();
  int score = 0;
  if (av_probe_input_format2(&byName, 0, &score) != nullptr) return true;

  AVIOContext* bytes = nullptr;
  // Unreadable now: nothing to learn, keep the code the open returned.
  if (avio_open(&bytes, fileName.c_str(), AVIO_FLAG_READ) < 0) return true;
  const AVInputFormat* format = nullptr;
  const int result = av_probe_input_buffer2(bytes, &format, fileName.c_str(), nullptr, 0, 0);
  avio_closep(&bytes);
  return result >= 0 && format != nullptr;
}

}  // namespace

int OpenInputFile(InputFormatContextPtr& file, const std::string& fileName, const AVInputFormat* format,
                  AVDictionary** options) {
  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr) return AVERROR(ENOMEM);
  // A failed open frees the context.
  int result = avformat_open_input(&context, fileName.c_str(), format, options);
  if (result < 0) {
    if (result == AVERROR_INVALIDDATA && format == nullptr && !SomeDemuxerClaims(fileName)) {
      result = AVERROR_DEMUXER_NOT_FOUND;
    }
    return result;
  }
  file.reset(context);
  return result;
}

}  // namespace quorbel
