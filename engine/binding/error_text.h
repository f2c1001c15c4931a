// The engine's messages for error codes of the media libraries.
#pragma once

#include <string>

namespace quorbel {

// The fixed English text for a negative library error code, led by `prefix` (a file name, or
// the name of the failing operation):
//   AVERROR_DEMUXER_NOT_FOUND, AVERROR_MUXER_NOT_FOUND, AVERROR(EILSEQ)  "%s: Unknown format"
//   AVERROR(EDOM), which callers use for a file name without an image-number pattern
//                                                 "%s: Incorrect image filename syntax. ..."
//   AVERROR(EINVAL), AVERROR_INVALIDDATA           "%s: Error while parsing header"
//   AVERROR(ENOMEM)                                "%s: memory allocation error occurred"
//   AVERROR(EIO), AVERROR_EOF                      "%s: I/O error occurred ..."
//   AVERROR(ENOENT)                                "%s: no such file or directory"
//   anything else                                  "%s: Error while opening file"
std::string LibraryErrorText(const std::string& prefix, int code);

}  // namespace quorbel
