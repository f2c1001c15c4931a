// The video output path: frame-rate control (drop and duplicate), crop, rescale and pad to the
// encoder's picture, encoding.
//
// Not built yet: the entry point throws (see reencoding_guard.h). What the dispatcher already
// does for it: picture is the prepared frame (PrepareVideoFrame) in the source decoder's size
// and pixel format, ist.Pts its time in us. Setup has decided ost.VideoCrop/VideoPad/
// VideoResample with their bands, allocated ost.TempPicture and created ost.Scaler. Frames are
// encoded through EncodeFrame (encoder_output.h), which writes the packets, counts VideoBytes
// and appends pass-1 statistics to ost.PassLogFile; call job.WaitWhilePaused() before each
// duplicated frame and stop duplicating once job.StopRequested is set.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Returns the size in bytes of the last encoded frame written in this call, 0 when none.
int EncodeVideo(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                const AVFrame& picture);

}  // namespace quorbel
