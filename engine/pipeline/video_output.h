// The video output path: frame-rate control (drop and duplicate), crop, rescale and pad to the
// encoder's picture, encoding.
//
// picture is the prepared frame (PrepareVideoFrame) in the source decoder's pixel format, and
// ost.SyncStream->Pts the time that places it. Setup has decided ost.VideoCrop/VideoPad/
// VideoResample with their bands, allocated ost.TempPicture and created ost.Scaler for the
// decoder's picture size; a picture of another size or pixel format (a stream that changes
// mid-way) is scaled into the encoder's picture with a scaler made for it. Frames are encoded
// through EncodeFrame (encoder_output.h), which writes the packets, counts VideoBytes, keeps
// the coded quality and appends pass-1 statistics to ost.PassLogFile.
//
// Every output goes through an encoder: the current libraries have no container that takes
// raw pictures directly; raw video is the "rawvideo" encoder.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Emits the frame 0, 1 or more times (vsync, vframes), advancing ost.SyncPos and
// ost.FrameNumber by one per copy and counting job.run.DropFrames / DupFrames (the copies beyond
// the first); stops before a copy once job.StopRequested is set. Returns the size in bytes of
// the last encoded frame written in this call, 0 when none. "error cropping picture" and "error
// padding picture" are logged at level 0 and skip the frame; throws FFMpegException "Video
// encoding failed" when the encoder fails, "Cannot get resampling context" when a changed
// picture cannot be scaled.
int EncodeVideo(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, TInputStreamState& ist,
                const AVFrame& picture);

}  // namespace quorbel
