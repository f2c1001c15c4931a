#include "pipeline/audio_output.h"

#include "pipeline/reencoding_guard.h"

namespace quorbel {

void EncodeAudio(TCustomFFmpeg&, AVFormatContext*, TOutputStreamState& ost, TInputStreamState&,
                 const uint8_t*, int) {
  ThrowReencodingUnavailable(ost.FileIndex, ost.StreamIndex);
}

void EncodeAudioRemainder(TCustomFFmpeg&, AVFormatContext*, TOutputStreamState& ost) {
  ThrowReencodingUnavailable(ost.FileIndex, ost.StreamIndex);
}

}  // namespace quorbel
