#include "pipeline/video_prepare.h"

#include "base/text.h"
#include "quorbel/exceptions.h"

namespace quorbel {

AVFrame* PrepareVideoFrame(TCustomFFmpeg&, TInputStreamState& ist, AVFrame*) {
  throw FFMpegException(
      StrPrintf("Re-encoding is not available yet: input stream #%d.%d is decoded for encoding",
                ist.FileIndex, ist.StreamIndex));
}

}  // namespace quorbel
