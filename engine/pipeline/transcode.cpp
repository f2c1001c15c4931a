#include "pipeline/transcode.h"

#include "pipeline/main_loop.h"
#include "pipeline/run_setup.h"

namespace quorbel {

void Transcode(TCustomFFmpeg& job) {
  RunTables tables;
  try {
    PrepareRun(job, tables);
    StartOutputs(job);
    RunMainLoop(job, tables);
    FinishRun(job, tables);
  } catch (...) {
    job.run.EncodeBuffer.reset();
    throw;
  }
  job.run.EncodeBuffer.reset();
}

}  // namespace quorbel
