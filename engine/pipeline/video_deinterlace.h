// Deinterlacing of one picture into another, frame by frame with no delay: the rows of the top
// field are kept, each row of the bottom field is rebuilt from its four neighbours and itself
// with the vertical weights (-1 4 2 4 -1) / 8.
#pragma once

#include "base/av_ptr.h"

namespace quorbel {

// Deinterlaces `source` into `target`, a picture of the same format and size with memory of its
// own. Works on planar formats with one byte per sample (YUV 4:2:0, 4:2:2, 4:4:4, grey ...);
// false for any other format, with `target` left as it was.
bool Deinterlace(const AVFrame& source, AVFrame& target);

}  // namespace quorbel
