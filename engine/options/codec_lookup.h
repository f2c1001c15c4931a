// Resolving a codec name for a stream of a given kind.
#pragma once

#include <string>

#include "job/custom_ffmpeg.h"

namespace quorbel {

struct CodecChoice {
  AVCodecID id = AV_CODEC_ID_NONE;
  const AVCodec* codec = nullptr;  // the codec found by name; none for an empty name
};

// Looks name up as an encoder or a decoder of the given media type. An empty name succeeds with
// AV_CODEC_ID_NONE. Names the libraries no longer carry are translated first ("libfaac" and
// "mpeg4aac" -> "aac", "libamr_nb" -> "libopencore_amrnb"). On failure returns false and leaves
// "Unknown encoder 'x'" / "Invalid decoder type 'x'" (...) in job.LastErrorText.
bool LookupCodec(TCustomFFmpeg& job, const std::string& name, AVMediaType type, bool encoder,
                 CodecChoice& choice);

}  // namespace quorbel
