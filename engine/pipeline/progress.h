// Progress reporting of a running job: its progress callback, or a report line through its log,
// and the summary of byte counts after the last report.
//
// The main loop calls ReportProgress at most once per job.ProgressIntervalUs of wall-clock time
// (isLast false) and once after the trailers are written (isLast true).
//
// Values (also the text line "frame=... q=... size=...kB time=... bitrate=...kbits/s"):
//   frame number  FrameNumber of the first video output stream (packets for a copied one);
//                 -1 without video output. While it is below 1 nothing at all is reported.
//   fps           frames per wall-clock second since TimerStart, rounded; 0 during the first
//                 second; -1 without video output.
//   quality       quantiser of the first video stream's last coded frame; -1 when copied or
//                 when there is no video.
//   duration      the smallest positive output position of all output streams (ms, at least
//                 10). Before any stream has a positive position it is 0, and so is the bit
//                 rate: the line then shows "time=0.00" instead of a position that no stream has.
//   bit rate      bytes of the first output file x 8 / duration, kbit/s.
//   size          bytes of the first output file (its write position when its size is not had).
// The summary after the last report gives the overhead of the container over the packets; when
// no packet bytes were counted at all it reads "muxing overhead unknown".
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

void ReportProgress(TCustomFFmpeg& job, RunTables& tables, bool isLast);

// The process-wide quantiser histogram of "qphist": coded video frames per quantiser 0 ... 51,
// over every job of the process. Out-of-range quantisers give 0.
int32_t QpHistogramCount(int32_t quantiser);

}  // namespace quorbel
