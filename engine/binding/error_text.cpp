#include "binding/error_text.h"

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

namespace quorbel {

namespace {

// The text that follows the prefix.
const char* MessageAfterPrefix(int code) {
  switch (code) {
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND:
    case AVERROR(EILSEQ):  // the older libraries' "unknown format"
      return ": Unknown format";
    case AVERROR(EDOM):  // the older libraries' "number expected in the file name"
      return ": Incorrect image filename syntax.\r\n"
             "Use '%d' to specify the image number:\r\n"
             "  for img1.jpg, img2.jpg, ..., use 'img%d.jpg';\r\n"
             "  for img001.jpg, img002.jpg, ..., use 'img%03d.jpg'.";
    case AVERROR(EINVAL):
    case AVERROR_INVALIDDATA:
      return ": Error while parsing header";
    case AVERROR(ENOMEM):
      return ": memory allocation error occurred";
    case AVERROR(EIO):
    case AVERROR_EOF:  // a header or packet cut short: the file is truncated
    // A full disk, a quota or a file size limit ends a write like any other I/O failure.
    case AVERROR(ENOSPC):
    case AVERROR(EDQUOT):
    case AVERROR(EFBIG):
      return ": I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.";
    case AVERROR(ENOENT):
      return ": no such file or directory";
    default:
      return ": Error while opening file";
  }
}

}  // namespace

std::string LibraryErrorText(const std::string& prefix, int code) {
  return prefix + MessageAfterPrefix(code);
}

}  // namespace quorbel
