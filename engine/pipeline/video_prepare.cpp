#include "pipeline/video_prepare.h"

#include <exception>
#include <new>
#include <string>

#include "pipeline/hook_custom.h"
#include "pipeline/video_deinterlace.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace quorbel {

namespace {

void SwitchPluginHooksOff(HookState& hooks) {
  hooks.HookAction = haStop;
  hooks.UsePluginHooks = false;
}

void AskBeforeHook(TCustomFFmpeg& job, int64_t ptsUs) {
  HookState& hooks = job.hooks;
  try {
    job.BeforeHookCallback(job, hooks.HookAction, ptsUs);
  } catch (const std::exception& error) {
    job.Log(0, std::string("Error occurs OnBeforeHook: ") + error.what());
    hooks.HookAction = haStop;
  } catch (...) {
    job.Log(0, "Error occurs OnBeforeHook: unknown exception");
    hooks.HookAction = haStop;
  }
  if (hooks.HookAction == haStop) hooks.UsePluginHooks = false;
}

// Plug-ins run inside the ranges; past the end of the last range they are off for good.
void ConsultHookRanges(HookState& hooks, int64_t ptsUs) {
  hooks.HookAction = haIgnore;
  const auto count = static_cast<int32_t>(hooks.HookRanges.size());
  for (int32_t i = hooks.HookRangeIndex; i < count; ++i) {
    const THookRange& range = hooks.HookRanges[static_cast<size_t>(i)];
    if (range.startUs <= ptsUs && ptsUs <= range.endUs) {
      hooks.HookRangeIndex = i;
      hooks.HookAction = haContinue;
      return;
    }
    if (i == count - 1 && range.endUs < ptsUs) SwitchPluginHooksOff(hooks);
  }
}

void DecidePluginHooks(TCustomFFmpeg& job, int64_t ptsUs) {
  if (job.BeforeHookCallback) {
    AskBeforeHook(job, ptsUs);
  } else if (!job.hooks.HookRanges.empty()) {
    ConsultHookRanges(job.hooks, ptsUs);
  }
}

void CopyFrameFields(const AVFrame& decoded, AVFrame& working) {
  working.pts = decoded.pts;
  working.pict_type = decoded.pict_type;
  working.key_frame = decoded.key_frame;
  working.quality = decoded.quality;
  working.interlaced_frame = decoded.interlaced_frame;
  working.top_field_first = decoded.top_field_first;
  working.sample_aspect_ratio = decoded.sample_aspect_ratio;
  working.color_range = decoded.color_range;
  working.colorspace = decoded.colorspace;
}

// The job's copy of the decoded picture, deinterlaced when asked; nullptr when it cannot be
// allocated.
AVFrame* MakeWorkingPicture(TCustomFFmpeg& job, const AVFrame& decoded) {
  VideoBuffers& buffers = job.run.videoBuffers;
  if (!buffers.HookPicture) {
    buffers.HookPicture = MakeFrame();
    if (!buffers.HookPicture) throw std::bad_alloc();
  }
  AVFrame& working = *buffers.HookPicture;
  const auto format = static_cast<AVPixelFormat>(decoded.format);
  if (!IsAddressable(format) || !buffers.HookBuffer.Layout(working, format, decoded.width, decoded.height)) {
    job.Log(0, "hook buf malloc error.");
    return nullptr;
  }
  CopyFrameFields(decoded, working);
  bool deinterlaced = false;
  if (job.settings.deinterlace) {
    deinterlaced = Deinterlace(decoded, working);
    // The hooks then work on a plain copy: drawing into the decoder's own picture could change
    // the pictures it predicts later ones from.
    if (!deinterlaced) job.Log(0, "deinterlace error.");
  }
  if (deinterlaced) {
    working.interlaced_frame = 0;
  } else {
    av_image_copy(working.data, working.linesize, const_cast<const uint8_t**>(decoded.data), decoded.linesize,
                  format, decoded.width, decoded.height);
  }
  return &working;
}

}  // namespace

AVFrame* PrepareVideoFrame(TCustomFFmpeg& job, TInputStreamState& ist, AVFrame* decoded) {
  HookState& hooks = job.hooks;
  ++hooks.HookFrameNumber;
  const int64_t ptsUs = ist.Pts;
  if (!job.CustomHookCallback && hooks.UsePluginHooks) DecidePluginHooks(job, ptsUs);

  const bool customHook = static_cast<bool>(job.CustomHookCallback);
  const bool pluginHooks = hooks.UsePluginHooks && hooks.HookAction == haContinue;
  if (!job.settings.deinterlace && !customHook && !pluginHooks) return decoded;

  AVFrame* working = MakeWorkingPicture(job, *decoded);
  if (working == nullptr) return decoded;
  if (customHook) {
    RunCustomHook(job, *working, ptsUs);
  } else if (pluginHooks) {
    QuorbelVhookPicture picture{};
    for (size_t p = 0; p < 4; ++p) {
      picture.data[p] = working->data[p];
      picture.linesize[p] = working->linesize[p];
    }
    RunPluginHooks(hooks.PluginHooks, picture, working->format, working->width, working->height, ptsUs);
  }
  return working;
}

}  // namespace quorbel
