#include "pipeline/subtitle_output.h"

#include "pipeline/reencoding_guard.h"

namespace quorbel {

void EncodeSubtitle(TCustomFFmpeg&, AVFormatContext*, TOutputStreamState& ost, TInputStreamState&,
                    const AVSubtitle&, int64_t) {
  ThrowReencodingUnavailable(ost.FileIndex, ost.StreamIndex);
}

}  // namespace quorbel
