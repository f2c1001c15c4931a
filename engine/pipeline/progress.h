// Progress reporting: the job's progress callback, or a report line through its log, and the
// summary after the last report.
//
// Not built yet: ReportProgress reports nothing. The main loop calls it at most once per
// job.ProgressIntervalUs of wall-clock time (isLast false) and once after the trailers are
// written (isLast true). Everything it reads is kept up to date: FrameNumber and SyncPos of the
// output streams, ost.EndTs (output position), ost.CodedQuality/CodedPictureType/CodedError
// (last coded packet), job.run.VideoBytes/AudioBytes/HeaderBytes/DupFrames/DropFrames and
// job.run.TimerStart.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

void ReportProgress(TCustomFFmpeg& job, RunTables& tables, bool isLast);

}  // namespace quorbel
