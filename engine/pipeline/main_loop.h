// The main loop of a run and its end, after run setup.
#pragma once

#include <cstdint>

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Reads packets, one per turn, from the input whose streams are furthest behind and dispatches
// them until a stop request, the end of the inputs or a limit. Progress is reported every
// job.ProgressIntervalUs.
void RunMainLoop(TCustomFFmpeg& job, RunTables& tables);

// Drains decoders and encoders, writes the trailers and the last report, closes the codecs and
// sets job.Finished.
void FinishRun(TCustomFFmpeg& job, RunTables& tables);

// Applies the file's timestamp offset and the stream's scale ("itsscale") to a packet, and
// folds a timestamp discontinuity (a dts jump beyond "dts_delta_threshold", or back before the
// stream's clock) into the file's offset unless "copyts" is set.
void CorrectTimestamps(TCustomFFmpeg& job, int32_t fileIndex, TInputStreamState& ist, AVPacket& packet);

// True once the first output file has grown beyond the size limit ("fs").
bool OutputSizeReached(const TCustomFFmpeg& job);

// Position of an output stream in seconds: frames handed to a video encoder, else the end of
// the latest packet written.
double OutputPositionSeconds(const TOutputStreamState& ost);

}  // namespace quorbel
