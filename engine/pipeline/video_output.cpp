#include "pipeline/video_output.h"

#include "pipeline/reencoding_guard.h"

namespace quorbel {

int EncodeVideo(TCustomFFmpeg&, AVFormatContext*, TOutputStreamState& ost, TInputStreamState&,
                const AVFrame&) {
  ThrowReencodingUnavailable(ost.FileIndex, ost.StreamIndex);
}

}  // namespace quorbel
