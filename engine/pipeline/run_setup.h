// Run setup: from a job whose inputs are open and whose outputs are created (file setup) to the
// first turn of the main loop. Every failure throws FFMpegException with its fixed message;
// codecs opened before a failure stay in the job's registries for CloseOpenCodecs.
#pragma once

#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

namespace quorbel {

// Builds the tables, checks the stream maps, chooses each output stream's source, configures
// copied streams and the encoding of the others, opens the two-pass files, sizes and allocates
// the encode buffer, describes the outputs, reports the stream mapping, opens encoders and
// decoders, sets the input clocks and copies the mapped metadata.
void PrepareRun(TCustomFFmpeg& job, RunTables& tables);

// Writes the output headers, logs the session description of RTP outputs and starts the clock
// of the main loop.
void StartOutputs(TCustomFFmpeg& job);

// Parts of PrepareRun, in its order.
void BuildInputTables(TCustomFFmpeg& job, RunTables& tables);
void BuildOutputTable(TCustomFFmpeg& job, RunTables& tables);  // counts, map checks, sources
void ConfigureStreams(TCustomFFmpeg& job, RunTables& tables);
void OpenEncoders(TCustomFFmpeg& job, RunTables& tables);
void OpenDecoders(TCustomFFmpeg& job, RunTables& tables);
void CopyMappedMetadata(TCustomFFmpeg& job);

// The time base of a stream's codec: one frame of a video stream (by its real frame rate), one
// sample of an audio stream; 0/1 when unknown.
AVRational DecoderTimeBase(const AVStream* stream);

// The output file an output stream belongs to.
inline AVFormatContext* OutputContext(TCustomFFmpeg& job, const TOutputStreamState& ost) {
  return job.outputFiles[static_cast<size_t>(ost.FileIndex)].context.get();
}

}  // namespace quorbel
