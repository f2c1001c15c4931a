#include "job/custom_ffmpeg.h"

#include "binding/log_level.h"
#include "pipeline/run_cleanup.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

namespace {

// The scaler template only holds options; its size is what the libraries need to accept it.
constexpr int kScalerTemplateSize = 16;

void CreateOptionTemplates(OptionState& settings) {
  for (int type = 0; type < kCodecTemplateCount; ++type) {
    settings.codecTemplates[type].reset(avcodec_alloc_context3(nullptr));
    if (!settings.codecTemplates[type]) throw std::bad_alloc();
    settings.codecTemplates[type]->codec_type = static_cast<AVMediaType>(type);
  }
  settings.formatTemplate.reset(avformat_alloc_context());
  settings.scalerTemplate.reset(sws_alloc_context());
  if (!settings.formatTemplate || !settings.scalerTemplate) throw std::bad_alloc();
  SwsContext* scaler = settings.scalerTemplate.get();
  av_opt_set_int(scaler, "srcw", kScalerTemplateSize, 0);
  av_opt_set_int(scaler, "srch", kScalerTemplateSize, 0);
  av_opt_set_int(scaler, "dstw", kScalerTemplateSize, 0);
  av_opt_set_int(scaler, "dsth", kScalerTemplateSize, 0);
  av_opt_set_int(scaler, "sws_flags", settings.scalerFlags, 0);
}

}  // namespace

TCustomFFmpeg::TCustomFFmpeg() {
  ResetOptionState();
}

TCustomFFmpeg::~TCustomFFmpeg() {
  ReleaseOptionState();
}

void TCustomFFmpeg::ResetOptionState() {
  ReleaseOptionState();
  settings = OptionState();
  hooks = HookState();
  Running = false;
  StopRequested = false;
  Finished = false;
  Terminated = false;
  ExceptionRaised = false;
  TotalOutputDuration = -1;
  CreateOptionTemplates(settings);
}

void TCustomFFmpeg::ReleaseOptionState() {
  // Open codecs belong to the files' streams: they are closed first.
  ReleaseRunState(*this);
  for (OutputFile& file : outputFiles) CloseOutputFile(file);
  outputFiles.clear();
  inputFiles.clear();
  ReleasePluginHooks(hooks.PluginHooks);
  settings.intraMatrix.reset();
  settings.interMatrix.reset();
  settings.videoCodecName.clear();
  settings.audioCodecName.clear();
  settings.subtitleCodecName.clear();
  settings.rcOverrideText.clear();
  settings.videoStandard.clear();
  settings.vstatsFileName.clear();
  settings.audioLanguage.clear();
  settings.subtitleLanguage.clear();
  settings.recordedOptionNames.clear();
  settings.privateOptions.clear();
  for (CodecContextPtr& codecTemplate : settings.codecTemplates) codecTemplate.reset();
  settings.formatTemplate.reset();
  settings.scalerTemplate.reset();
}

void TCustomFFmpeg::SetVerbosity(int32_t level) {
  verbosity_ = level;
  binding::SetLibraryLogLevel(level);
}

void TCustomFFmpeg::Log(int level, const std::string& text) {
  if (LogCallback) LogCallback(*this, level, text);
}

}  // namespace quorbel
