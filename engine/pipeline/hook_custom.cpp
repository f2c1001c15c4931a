#include "pipeline/hook_custom.h"

#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "quorbel/bitmap.h"

namespace quorbel {

namespace {

// The cached conversion from one layout to the other at the same size; nullptr when the scaler
// library cannot convert between them.
SwsContext* Conversion(SwsContextPtr& cache, int width, int height, AVPixelFormat from, AVPixelFormat to) {
  if (sws_isSupportedInput(from) <= 0 || sws_isSupportedOutput(to) <= 0) return nullptr;
  // The cache frees the old context itself when the parameters change.
  cache.reset(sws_getCachedContext(cache.release(), width, height, from, width, height, to, SWS_BICUBIC,
                                   nullptr, nullptr, nullptr));
  return cache.get();
}

void Convert(SwsContext* scaler, const AVFrame& from, AVFrame& to) {
  sws_scale(scaler, from.data, from.linesize, 0, from.height, to.data, to.linesize);
}

TBitmap& BitmapFor(VideoBuffers& buffers, int width, int height) {
  if (!buffers.HookBitmap) {
    buffers.HookBitmap = std::make_unique<TBitmap>(width, height);
  } else if (buffers.HookBitmap->Width() != width || buffers.HookBitmap->Height() != height) {
    buffers.HookBitmap->SetSize(width, height);
  }
  return *buffers.HookBitmap;
}

// Rows are copied Width() x 3 bytes at a time; the padding at the end of each bitmap row and
// the alignment at the end of each picture row are left alone.
void PictureToBitmap(const AVFrame& rgb, TBitmap& bitmap) {
  const auto rowBytes = static_cast<size_t>(bitmap.Width()) * 3;
  for (int32_t row = 0; row < bitmap.Height(); ++row) {
    std::memcpy(bitmap.ScanLine(row), rgb.data[0] + static_cast<ptrdiff_t>(row) * rgb.linesize[0], rowBytes);
  }
}

void BitmapToPicture(const TBitmap& bitmap, AVFrame& rgb) {
  const auto rowBytes = static_cast<size_t>(bitmap.Width()) * 3;
  for (int32_t row = 0; row < bitmap.Height(); ++row) {
    std::memcpy(rgb.data[0] + static_cast<ptrdiff_t>(row) * rgb.linesize[0], bitmap.ScanLine(row), rowBytes);
  }
}

// Calls the handler with the canvas locked; false when it raised (the bitmap is then not taken
// back).
bool CallHandler(TCustomFFmpeg& job, TBitmap& bitmap, int64_t ptsUs, bool& update, bool& stop) {
  try {
    job.CustomHookCallback(job, bitmap, job.hooks.HookFrameNumber, ptsUs, update, stop);
    return true;
  } catch (const std::exception& error) {
    job.Log(0, std::string("Error occurs OnCustomHook: ") + error.what());
  } catch (...) {
    job.Log(0, "Error occurs OnCustomHook: unknown exception");
  }
  return false;
}

// The picture in the hook's layout: the working picture itself when it already is, else the
// job's RGB picture; nullptr when no RGB buffer can be had.
AVFrame* RgbPictureFor(VideoBuffers& buffers, AVFrame& working) {
  if (working.format == kHookPixelFormat) return &working;
  if (!buffers.RgbPicture) {
    buffers.RgbPicture = MakeFrame();
    if (!buffers.RgbPicture) throw std::bad_alloc();
  }
  if (!buffers.RgbBuffer.Layout(*buffers.RgbPicture, kHookPixelFormat, working.width, working.height))
    return nullptr;
  return buffers.RgbPicture.get();
}

}  // namespace

void RunCustomHook(TCustomFFmpeg& job, AVFrame& working, int64_t ptsUs) {
  VideoBuffers& buffers = job.run.videoBuffers;
  const auto format = static_cast<AVPixelFormat>(working.format);
  const int width = working.width;
  const int height = working.height;
  AVFrame* rgb = RgbPictureFor(buffers, working);
  if (rgb == nullptr) return;  // no memory for the conversion: this frame passes unhooked

  bool stop = false;
  if (rgb != &working) {
    SwsContext* toRgb = Conversion(buffers.ToRgbScaler, width, height, format, kHookPixelFormat);
    if (toRgb == nullptr) {
      job.Log(0, "Cannot initialize the toRGB conversion context");
      stop = true;
    } else {
      Convert(toRgb, working, *rgb);
    }
  }
  if (!stop) {
    TBitmap& bitmap = BitmapFor(buffers, width, height);
    bool update = true;
    {
      // Held while the engine fills and reads the bitmap too, so a viewer never sees half a frame.
      const TCanvasLock lock(bitmap);
      PictureToBitmap(*rgb, bitmap);
      if (!CallHandler(job, bitmap, ptsUs, update, stop)) update = false;
      // A handler that resized the bitmap has no picture of this frame to give back.
      if (bitmap.Width() != width || bitmap.Height() != height) update = false;
      if (update) BitmapToPicture(bitmap, *rgb);
    }
    if (update && rgb != &working) {
      SwsContext* fromRgb = Conversion(buffers.FromRgbScaler, width, height, kHookPixelFormat, format);
      if (fromRgb == nullptr) {
        job.Log(0, "Cannot initialize the fromRGB conversion context");
        stop = true;
      } else {
        Convert(fromRgb, *rgb, working);
      }
    }
  }
  if (stop) {
    job.CustomHookCallback = nullptr;
    job.hooks.HookAction = haStop;
    job.hooks.UsePluginHooks = false;
  }
}

}  // namespace quorbel
