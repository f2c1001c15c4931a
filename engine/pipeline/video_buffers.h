// The video and subtitle paths' working memory of one job's run: made at first use, reused from
// frame to frame, released with the run state at the end of the run.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/av_ptr.h"
#include "pipeline/video_picture.h"
#include "quorbel/bitmap.h"

namespace quorbel {

// A DVB subtitle's clearing packet still to be written; times in the output stream's time base.
struct PendingSubtitleClear {
  int32_t fileIndex = 0;
  int32_t streamIndex = 0;
  int64_t shownAt = 0;  // the packet that shows the subtitle
  int64_t clearAt = 0;  // its end display time
};

struct VideoBuffers {
  // Frame hooks: the working copy of a decoded picture, in the decoder's pixel format.
  PictureBuffer HookBuffer;
  FramePtr HookPicture;
  // The custom hook: the picture in BGR24, the bitmap the handler draws on, the conversions.
  PictureBuffer RgbBuffer;
  FramePtr RgbPicture;
  std::unique_ptr<TBitmap> HookBitmap;
  SwsContextPtr ToRgbScaler;
  SwsContextPtr FromRgbScaler;

  // The frame handed to a video encoder; it holds references only during one EncodeVideo call.
  FramePtr EncoderInput;

  // Encoded subtitles (65,536 bytes once the first subtitle is encoded).
  std::vector<uint8_t> SubtitleBuffer;
  std::vector<PendingSubtitleClear> PendingClears;  // at most one per output stream
};

}  // namespace quorbel
