// The video statistics file ("vstats", "vstats_file"): one line per encoded video frame.
//
// The dispatcher calls WriteVideoStats after EncodeVideo returned a non-zero size, when a
// statistics file name is set (job.settings.vstatsFileName). The file is created ("w") at the
// first call and stays open in job.run until the run state is released.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Writes "frame= ... q= ... [PSNR= ...] f_size= ... s_size= ...kB time= ... br= ...kbits/s
// avg_br= ...kbits/s type= X" for the last coded frame of a video stream (other streams only
// open the file). Throws FFMpegException "fopen fail: " + name when the file cannot be created.
void WriteVideoStats(TCustomFFmpeg& job, AVFormatContext* os, TOutputStreamState& ost, int frameSizeBytes);

}  // namespace quorbel
