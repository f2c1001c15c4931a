#include "pipeline/run_cleanup.h"

#include <algorithm>
#include <mutex>

#include "job/codec_lock.h"

namespace quorbel {

namespace {

void Unregister(std::vector<CodecContextPtr*>& registry, CodecContextPtr& context) {
  registry.erase(std::remove(registry.begin(), registry.end(), &context), registry.end());
}

void Close(CodecContextPtr& context) {
  const std::lock_guard<std::mutex> guard(CodecLock());
  context.reset();
}

}  // namespace

void CloseEncoder(TCustomFFmpeg& job, CodecContextPtr& encoder) {
  // The statistics text belongs to the run state, which frees it after the encoder is closed.
  if (encoder) encoder->stats_in = nullptr;
  Close(encoder);
  Unregister(job.run.OpenEncoders, encoder);
}

void CloseDecoder(TCustomFFmpeg& job, CodecContextPtr& decoder) {
  Close(decoder);
  Unregister(job.run.OpenDecoders, decoder);
}

void CloseRunCodecs(TCustomFFmpeg& job, RunTables& tables) {
  for (const auto& ost : tables.OutputStreams) {
    if (ost->EncodingNeeded) CloseEncoder(job, ost->Output->encoder);
  }
  for (const auto& ist : tables.InputStreams) {
    if (ist->DecodingNeeded) CloseDecoder(job, ist->Input->decoder);
  }
}

void CloseOpenCodecs(TCustomFFmpeg& job) {
  while (!job.run.OpenEncoders.empty()) CloseEncoder(job, *job.run.OpenEncoders.back());
  while (!job.run.OpenDecoders.empty()) CloseDecoder(job, *job.run.OpenDecoders.back());
}

void ReleaseRunState(TCustomFFmpeg& job) {
  CloseOpenCodecs(job);
  job.run = RunState();
}

}  // namespace quorbel
