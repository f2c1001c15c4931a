#include "pipeline/video_stats.h"

#include "pipeline/reencoding_guard.h"

namespace quorbel {

void WriteVideoStats(TCustomFFmpeg&, AVFormatContext*, TOutputStreamState& ost, int) {
  ThrowReencodingUnavailable(ost.FileIndex, ost.StreamIndex);
}

}  // namespace quorbel
